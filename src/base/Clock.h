#pragma once
// Time as the exchange engine sees it: a millisecond tick counter, sleeps and the wall clock.
// Tests use a virtual clock so that time-outs can be checked without waiting for them.
#include <cstdint>

namespace zentrel {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t TickMs() = 0;        // monotonic milliseconds, wraps like any tick count
    virtual void SleepMs(std::uint32_t ms) = 0;
    virtual std::int64_t Now() = 0;            // seconds since 1970-01-01 00:00 UTC
};

class SystemClock final : public Clock {
public:
    std::uint32_t TickMs() override;
    void SleepMs(std::uint32_t ms) override;
    std::int64_t Now() override;
};

// The scan timer: the desktop program's 25 ms QTimer or the command-line program's own loop.
// The host calls ScanTick on every tick while a timer runs.
class TimerHost {
public:
    virtual ~TimerHost() = default;
    virtual int StartTimer(int intervalMs) = 0;  // returns a non-zero identifier
    virtual void StopTimer(int id) = 0;
};

}  // namespace zentrel
