#include "link/ScanTiming.h"

#include "link/Frames.h"
#include "link/Link.h"

namespace zentrel {
namespace {

constexpr int kProbePhase = 2;

}  // namespace

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
    const int adapter = link.currentAdapter;
    if (adapter < 0 || adapter >= kMaxAdapters) return;
    if (link.adapters[static_cast<std::size_t>(adapter)].localFound && scan.phase == kProbePhase) {
        ProbeStations(link, adapter);
        scan.phase = 3;
        scan.tickCount = 0;
    }
}

}  // namespace zentrel
