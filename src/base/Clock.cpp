#include "base/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace zentrel {

std::uint32_t SystemClock::TickMs() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemClock::SleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::int64_t SystemClock::Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace zentrel
