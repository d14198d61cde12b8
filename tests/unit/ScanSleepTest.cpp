// A scan timer that sleeps until the next due tick, and a cycle that saves once: both must leave
// the cycles, the probes and plc.data exactly as ticking every 25 ms and saving at every step did.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "ScanFixture.h"
#include "link/Exchange.h"
#include "link/StationOps.h"

namespace zentrel::test {
namespace {

// What a tick does, stepping the way the scan tick does: 0 nothing, 1 the probes, 2 a cycle.
int StepOnce(ScanState& scan, bool armed) {
    const TickDue due = AdvanceScanTick(scan);
    if (due == TickDue::Cycle) return 2;
    return due == TickDue::Probes && armed && scan.phase == 2 ? 1 : 0;
}

TEST(ScanSleep, TicksUntilDueAndSkipTicksMatchTickByTickStepping) {
    int checked = 0;
    for (int perPhase : {-3, 0, 1, 2, 7, 30}) {
        for (int phase = -1; phase <= 8; ++phase) {
            for (int count = 0; count <= 32; count += 3) {
                for (int flags = 0; flags < 8; ++flags) {
                    ScanState start;
                    start.ticksPerPhase = perPhase;
                    start.phase = phase;
                    start.tickCount = count;
                    start.autoRefreshOff = flags & 1;
                    start.scanRequested = (flags >> 1) & 1;
                    const bool armed = (flags >> 2) & 1;
                    SCOPED_TRACE(testing::Message() << perPhase << " " << phase << " " << count << " " << flags);
                    ScanState stepped = start;
                    int expected = kNoTickDue;
                    for (int t = 1; t <= 1000 && expected == kNoTickDue; ++t) {
                        if (StepOnce(stepped, armed) != 0) expected = t;
                    }
                    ASSERT_EQ(TicksUntilDue(start, armed), expected);
                    if (expected == kNoTickDue) continue;
                    ScanState reference = start;
                    for (int t = 1; t < expected; ++t) StepOnce(reference, armed);
                    ScanState skipped = start;
                    SkipTicks(skipped, expected - 1);
                    EXPECT_EQ(skipped.phase, reference.phase);
                    EXPECT_EQ(skipped.tickCount, reference.tickCount);
                    ++checked;
                }
            }
        }
    }
    EXPECT_GT(checked, 1000);
}

class ScanSleepTest : public ScanFixture {
protected:
    // Ticks at which discoveries (cycles) and station probes went out on adapter 0 over `ticks`
    // ticks, run one by one or by sleeping to the next due tick.
    std::pair<std::vector<int>, std::vector<int>> Run(int ticks, bool sleeping) {
        std::vector<int> cycles, probes;
        auto isVersion = +[](std::span<const std::uint8_t> b) { return IsAv(b, 0xA000); };
        for (int t = 0; t < ticks;) {
            const int versions = CountSent(0, isVersion), probed = CountSent(0, &IsHomePlug10);
            const std::int64_t due = sleeping ? TicksUntilDue(core->scan, core->link) : 1;
            if (due == kNoTickDue || t + due > ticks) break;
            SkipTicks(core->scan, due - 1);
            t += static_cast<int>(due);
            ScanTick(*core);
            if (CountSent(0, isVersion) != versions) cycles.push_back(t);
            if (CountSent(0, &IsHomePlug10) != probed) probes.push_back(t);
        }
        return {cycles, probes};
    }
};

TEST_F(ScanSleepTest, SleepingTimerRunsCyclesAndProbesAtTheSameTicks) {
    AddAdapter(true, {Station(1, 2, 50), Station(2, 3, 60)});
    for (bool device : {true, false}) {
        devices[0].present = device;
        std::pair<std::vector<int>, std::vector<int>> runs[2];
        for (bool sleeping : {false, true}) {
            MakeCore();
            RestartScanning(*core);
            StartScanTimer(*core);
            runs[sleeping] = Run(1300, sleeping);
            core.reset();
        }
        EXPECT_EQ(runs[1], runs[0]) << device;
        EXPECT_EQ(runs[0].first.size(), device ? 7u : 6u);
    }
}

// The scan tick as it was before its saves were put together: every step saves at once.
void TickSavingAtEachStep(Core& core) {
    const TickDue due = AdvanceScanTick(core.scan);
    if (due == TickDue::Nothing) return;
    if (due == TickDue::Cycle) {
        AgeStations(core.link);
        RescanAdapters(core.link);
        UpdateAfterCycle(core, kCyclePhase);
        FinishScanCycle(core.scan);
    }
    ProbeIfDue(core.link, core.scan);
}

TEST_F(ScanSleepTest, CycleReplacesPlcDataOnceWithTheBytesOfSavingAtEachStep) {
    AddAdapter(true, {Station(1, 2, 50), Station(2, 3, 60), Station(3, 4, 70)});
    const auto base = dir;
    const std::uint32_t startMs = clock.TickMs();
    std::string bytes[2];
    int replaces[2] = {};
    for (int coalesced : {0, 1}) {
        // The same virtual time for both runs, to the millisecond within the second.
        clock.Advance((1000 + startMs % 1000 - clock.TickMs() % 1000) % 1000);
        clock.wallSeconds = 1700000000 - (clock.TickMs() - startMs) / 1000;
        devices[0].stations = {Station(1, 2, 50), Station(2, 3, 60), Station(3, 4, 70)};
        dir = base / std::to_string(coalesced);
        std::filesystem::create_directories(dir);
        MakeCore();
        RestartScanning(*core);
        StartScanTimer(*core);
        const int watcher = ::inotify_init1(IN_NONBLOCK);
        ASSERT_GE(watcher, 0);
        // Each replacement is written to a new file first (events for one name would merge).
        ASSERT_GE(::inotify_add_watch(watcher, dir.c_str(), IN_CREATE), 0);
        for (int t = 1; t <= 400; ++t) {
            if (t == 200) devices[0].stations.pop_back();  // a station leaves: the second cycle drops it
            coalesced ? ScanTick(*core) : TickSavingAtEachStep(*core);
        }
        alignas(inotify_event) char events[4096];
        for (ssize_t n; (n = ::read(watcher, events, sizeof events)) > 0;) {
            for (char* p = events; p < events + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
                ++replaces[coalesced];
        }
        ::close(watcher);
        std::ifstream in(dir / "plc.data", std::ios::binary);
        bytes[coalesced].assign(std::istreambuf_iterator<char>(in), {});
        core.reset();
    }
    dir = base;
    EXPECT_EQ(bytes[1], bytes[0]);
    EXPECT_GT(bytes[0].size(), 1000u);
    EXPECT_EQ(replaces[1], 2);  // two cycles in 400 ticks, one replace each
    EXPECT_GT(replaces[0], replaces[1]);
}

}  // namespace
}  // namespace zentrel::test
