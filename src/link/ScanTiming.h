#pragma once
// The scan timer's arithmetic: phases of ticksPerPhase ticks each, a scan cycle at phase 7 and
// the station probes at phase 2.
#include <array>
#include <cstdint>

namespace zentrel {

struct Link;

inline constexpr int kScanTimerIntervalMs = 25;
inline constexpr int kCyclePhase = 7;

struct LocalShadow {
    std::int32_t localFound = 0;
    std::int32_t localAux = 0;
    std::uint8_t localMac[6] = {};
};

struct ScanState {
    std::int32_t phase = 0;
    std::int32_t tickCount = 0;
    std::int32_t ticksPerPhase = 30;
    std::int32_t autoRefreshOff = 0;
    std::int32_t scanRequested = 0;
    std::int32_t timerId = 0;
    std::array<LocalShadow, 8> localShadow{};
};

enum class TickDue {
    Nothing,  // scanning is off and no scan was asked for: not even the probes
    Probes,   // only the probes, when their phase has come
    Cycle,    // a scan cycle, then FinishScanCycle, then the probes
};

// Counts one timer tick and says what is due.
TickDue AdvanceScanTick(ScanState& scan);
// Starts the count again after a scan cycle that a tick ran.
void FinishScanCycle(ScanState& scan);
// Sends the station probes of the current adapter when their phase has come.
void ProbeIfDue(Link& link, ScanState& scan);

// What a timer that need not wake for every tick asks: how many ticks from now the next one
// that does something comes (1 = the very next tick), counting as AdvanceScanTick and
// ProbeIfDue do. `probesArmed` says whether the current adapter has a local device, so that the
// probe phase sends probes. kNoTickDue while ticks are not counted at all (scanning off and no
// scan asked for).
inline constexpr std::int64_t kNoTickDue = -1;
std::int64_t TicksUntilDue(const ScanState& scan, bool probesArmed);
std::int64_t TicksUntilDue(const ScanState& scan, const Link& link);
// Counts `ticks` ticks at once, as that many AdvanceScanTick calls would; only for ticks that
// come before the next due one (nothing happens on them but the counting).
void SkipTicks(ScanState& scan, std::int64_t ticks);

}  // namespace zentrel
