#include "ui/ScanTimer.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>

#include "link/ScanTiming.h"
#include "pages/Core.h"
#include "pages/ScanCycle.h"
#include "ui/StartupTrace.h"

namespace zentrel::ui {

ScanTimer::ScanTimer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(true);
    clock_.start();
    connect(&timer_, &QTimer::timeout, this, [this] { Fire(); });
    // Every event of the GUI thread passes here first: the ticks slept through are counted before
    // a click or a page sees the count, and the wake-up is set again after it may have changed
    // what is due (a scan asked for, scanning switched on, a device found or lost).
    if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
}

ScanTimer::~ScanTimer() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

int ScanTimer::StartTimer(int intervalMs) {
    intervalMs_ = std::max(1, intervalMs);
    running_ = true;
    lastTickMs_ = NowMs();
    Arm();
    return ++id_;
}

void ScanTimer::StopTimer(int id) {
    if (id != id_) return;
    CatchUp();
    running_ = false;
    Arm();
}

void ScanTimer::Hold() {
    CatchUp();
    ++held_;
    Arm();
}

void ScanTimer::Release() {
    if (--held_ > 0) return;
    // The ticks that came while held are skipped, as a per-tick timer's ticks are; the count
    // goes on from the next tick of the same 25 ms grid.
    const std::int64_t now = NowMs();
    lastTickMs_ += (now - lastTickMs_) / intervalMs_ * intervalMs_;
    Arm();
}

bool ScanTimer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != this && watched != &timer_ && event->type() != QEvent::MetaCall) {
        CatchUp();
        if (!armPosted_) {
            armPosted_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    armPosted_ = false;
                    Arm();
                },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ScanTimer::CatchUp() {
    if (!core_ || !running_ || inTick_ || held_ > 0) return;
    const std::int64_t due = TicksUntilDue(core_->scan, core_->link);
    if (due == kNoTickDue) {
        // Ticks are not counted now; the grid moves on.
        lastTickMs_ += (NowMs() - lastTickMs_) / intervalMs_ * intervalMs_;
        return;
    }
    // The due tick itself is the timer's to run.
    const std::int64_t passed = std::min((NowMs() - lastTickMs_) / intervalMs_, due - 1);
    if (passed <= 0) return;
    SkipTicks(core_->scan, passed);
    lastTickMs_ += passed * intervalMs_;
}

void ScanTimer::Fire() {
    armedForMs_ = -1;
    // A message box opened inside a tick runs its own event loop; a nested tick would start a
    // second exchange in the middle of the first.
    if (!core_ || !running_ || inTick_ || held_ > 0) return;
    CatchUp();
    const std::int64_t due = TicksUntilDue(core_->scan, core_->link);
    if (due != kNoTickDue) {
        SkipTicks(core_->scan, due - 1);
        lastTickMs_ += due * intervalMs_;
        inTick_ = true;
        const bool traced = StartupTraceOn() && !cycleTraced_;
        const timespec begun = traced ? StartupTraceNow() : timespec{};
        ScanTick(*core_);
        // Only a cycle leaves the count at the start of phase 0.
        if (traced && core_->scan.phase == 0 && core_->scan.tickCount == 0) {
            cycleTraced_ = true;
            StartupMarkAt(begun, "first-cycle-begin");
            StartupMark("first-cycle-end");
        }
        inTick_ = false;
        // A tick that blocked for longer than a tick does not bring a burst of ticks after it.
        const std::int64_t now = NowMs();
        if (now - lastTickMs_ > intervalMs_) lastTickMs_ = now;
    }
    Arm();
}

void ScanTimer::Arm() {
    const std::int64_t due = core_ && running_ && !inTick_ && held_ == 0 ? TicksUntilDue(core_->scan, core_->link) : kNoTickDue;
    if (due == kNoTickDue) {
        timer_.stop();
        armedForMs_ = -1;
        return;
    }
    const std::int64_t at = lastTickMs_ + due * intervalMs_;
    if (at == armedForMs_ && timer_.isActive()) return;
    armedForMs_ = at;
    timer_.start(static_cast<int>(std::clamp<std::int64_t>(at - NowMs(), 0, 24 * 3600 * 1000)));
}

}  // namespace zentrel::ui
