#include "link/ScanTiming.h"

#include <algorithm>

#include "link/Frames.h"
#include "link/Link.h"

namespace zentrel {
namespace {

constexpr int kProbePhase = 2;

bool Counting(const ScanState& scan) { return !(scan.autoRefreshOff && !scan.scanRequested); }

// Ticks from one phase change to the next; AdvanceScanTick changes phase on every tick when
// ticksPerPhase is 1 or less.
std::int64_t PhaseLength(const ScanState& scan) { return std::max<std::int64_t>(1, scan.ticksPerPhase); }

// Ticks until the next phase change.
std::int64_t FirstChange(const ScanState& scan) {
    return std::max<std::int64_t>(1, std::int64_t{scan.ticksPerPhase} - scan.tickCount);
}

bool ProbesArmed(const Link& link) {
    const int adapter = link.currentAdapter;
    return adapter >= 0 && adapter < kMaxAdapters && link.adapters[static_cast<std::size_t>(adapter)].localFound;
}

}  // namespace

std::int64_t TicksUntilDue(const ScanState& scan, bool probesArmed) {
    if (!Counting(scan)) return kNoTickDue;
    if (scan.phase >= kCyclePhase) return 1;
    const std::int64_t first = FirstChange(scan);
    const std::int64_t length = PhaseLength(scan);
    // The tick on which the phase reaches `phase`.
    auto reaching = [&](std::int64_t phase) { return first + (phase - scan.phase - 1) * length; };
    std::int64_t due = reaching(kCyclePhase);
    if (probesArmed) {
        // Probes go out on any tick that leaves the phase at 2: the next one unless it changes
        // the phase, or the one that brings the phase up to 2.
        if (scan.phase == kProbePhase && first > 1) due = 1;
        if (scan.phase < kProbePhase) due = std::min(due, reaching(kProbePhase));
    }
    return due;
}

std::int64_t TicksUntilDue(const ScanState& scan, const Link& link) { return TicksUntilDue(scan, ProbesArmed(link)); }

void SkipTicks(ScanState& scan, std::int64_t ticks) {
    if (ticks <= 0 || !Counting(scan)) return;
    const std::int64_t first = FirstChange(scan);
    if (ticks < first) {
        scan.tickCount += static_cast<std::int32_t>(ticks);
        return;
    }
    const std::int64_t after = ticks - first;
    const std::int64_t length = PhaseLength(scan);
    scan.phase += static_cast<std::int32_t>(1 + after / length);
    scan.tickCount = static_cast<std::int32_t>(after % length);
}

TickDue AdvanceScanTick(ScanState& scan) {
    if (scan.autoRefreshOff && !scan.scanRequested) return TickDue::Nothing;
    scan.tickCount += 1;
    // ">=" so that a smaller ticksPerPhase set while counting cannot stall the cycle.
    if (scan.tickCount >= scan.ticksPerPhase) {
        scan.phase += 1;
        scan.tickCount = 0;
    }
    return scan.phase >= kCyclePhase ? TickDue::Cycle : TickDue::Probes;
}

void FinishScanCycle(ScanState& scan) {
    scan.tickCount = 0;
    scan.phase = 0;
    scan.scanRequested = 0;
}

void ProbeIfDue(Link& link, ScanState& scan) {
    if (ProbesArmed(link) && scan.phase == kProbePhase) {
        ProbeStations(link, link.currentAdapter);
        scan.phase = 3;
        scan.tickCount = 0;
    }
}

}  // namespace zentrel
