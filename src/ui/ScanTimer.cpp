#include "ui/ScanTimer.h"

#include "pages/ScanCycle.h"
#include "pages/Core.h"

namespace zentrel::ui {

ScanTimer::ScanTimer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        // A message box opened inside a tick runs its own event loop; a nested tick would start
        // a second exchange in the middle of the first.
        if (!core_ || inTick_ || held_ > 0) return;
        inTick_ = true;
        ScanTick(*core_);
        inTick_ = false;
    });
}

int ScanTimer::StartTimer(int intervalMs) {
    timer_.start(intervalMs);
    return ++id_;
}

void ScanTimer::StopTimer(int id) {
    if (id == id_) timer_.stop();
}

}  // namespace zentrel::ui
