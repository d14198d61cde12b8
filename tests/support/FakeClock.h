#pragma once
// Virtual time: sleeps advance the clock at once, so time-outs are checked without waiting.
#include <cstdint>
#include <functional>

#include "base/Clock.h"

namespace zentrel::test {

class FakeClock : public Clock {
public:
    std::uint32_t TickMs() override { return now_; }
    void SleepMs(std::uint32_t ms) override {
        now_ += ms;
        slept += ms;
        if (onAdvance) onAdvance(now_);
    }
    std::int64_t Now() override { return wallSeconds + now_ / 1000; }

    void Advance(std::uint32_t ms) { SleepMs(ms); }

    std::int64_t wallSeconds = 1700000000;
    std::uint64_t slept = 0;
    std::function<void(std::uint32_t)> onAdvance;

private:
    std::uint32_t now_ = 1000;
};

class FakeTimerHost : public TimerHost {
public:
    int StartTimer(int intervalMs) override {
        running = true;
        interval = intervalMs;
        return ++lastId;
    }
    void StopTimer(int id) override {
        if (id == lastId) running = false;
        ++stops;
    }
    bool running = false;
    int interval = 0;
    int lastId = 0;
    int stops = 0;
};

}  // namespace zentrel::test
