#pragma once
// The scan timer of the desktop program: the core's scan tick every 25 ms on the GUI thread, no
// worker thread. Ticks on which nothing is due are not woken for: the timer sleeps until the next
// due one and counts the ticks in between when it wakes, or as soon as any event comes in, so that
// a click or a page sees the count where a tick-by-tick timer would have it.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>

#include "base/Clock.h"

namespace zentrel {
struct Core;
}

namespace zentrel::ui {

class ScanTimer : public QObject, public TimerHost {
    Q_OBJECT
public:
    explicit ScanTimer(QObject* parent = nullptr);
    ~ScanTimer() override;
    void SetCore(Core* core) { core_ = core; }
    int StartTimer(int intervalMs) override;
    void StopTimer(int id) override;
    bool IsRunning() const { return running_; }
    // While held (a handler blocks with an event loop of its own), ticks are skipped.
    void Hold();
    void Release();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fire();
    // Counts the ticks that have passed without anything due.
    void CatchUp();
    // Sets the wake-up for the next due tick, or none.
    void Arm();
    std::int64_t NowMs() const { return clock_.elapsed(); }

    QTimer timer_;
    QElapsedTimer clock_;
    Core* core_ = nullptr;
    int id_ = 0;
    int intervalMs_ = 25;
    bool running_ = false;
    bool inTick_ = false;
    bool armPosted_ = false;
    bool cycleTraced_ = false;  // for the start-up trace
    int held_ = 0;
    std::int64_t lastTickMs_ = 0;  // when the last counted tick was due
    std::int64_t armedForMs_ = -1;
};

}  // namespace zentrel::ui
