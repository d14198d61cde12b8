#pragma once
// The scan timer of the desktop program: a 25 ms QTimer on the GUI thread that runs the core's
// scan tick. No worker thread is involved.
#include <QObject>
#include <QTimer>

#include "base/Clock.h"

namespace zentrel {
struct Core;
}

namespace zentrel::ui {

class ScanTimer : public QObject, public TimerHost {
    Q_OBJECT
public:
    explicit ScanTimer(QObject* parent = nullptr);
    void SetCore(Core* core) { core_ = core; }
    int StartTimer(int intervalMs) override;
    void StopTimer(int id) override;
    bool IsRunning() const { return timer_.isActive(); }
    // While held (a handler blocks with an event loop of its own), ticks are skipped.
    void Hold() { ++held_; }
    void Release() { --held_; }

private:
    QTimer timer_;
    Core* core_ = nullptr;
    int id_ = 0;
    bool inTick_ = false;
    int held_ = 0;
};

}  // namespace zentrel::ui
