// The exchange engine, discovery over several adapters, the adapter listing and the scan cycle
// on the in-memory wire with virtual time; the timer that sleeps to the next due tick and the
// cycle's single save of plc.data.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "ScanFixture.h"
#include "link/AdapterVerdicts.h"
#include "link/Exchange.h"
#include "link/StationOps.h"
#include "pages/Storage.h"
#include "registry/Database.h"

namespace zentrel::test {
namespace {

struct TickLog {
    std::vector<int> cycles;
    std::vector<int> probes;
};

class ScanCycleTest : public ScanFixture {
protected:
    // Ticks (counted from the call) at which a discovery and a station probe went out on adapter
    // 0, ticking one by one or, as the desktop timer does, sleeping to the next due tick.
    TickLog RunTicks(int ticks, bool sleeping = false) {
        TickLog log;
        auto isVersion = +[](std::span<const std::uint8_t> b) { return IsAv(b, 0xA000); };
        for (int t = 0; t < ticks;) {
            const int versions = CountSent(0, isVersion), probes = CountSent(0, &IsHomePlug10);
            const std::int64_t due = sleeping ? TicksUntilDue(core->scan, core->link) : 1;
            if (due == kNoTickDue || t + due > ticks) break;
            SkipTicks(core->scan, due - 1);
            t += static_cast<int>(due);
            ScanTick(*core);
            if (CountSent(0, isVersion) != versions) log.cycles.push_back(t);
            if (CountSent(0, &IsHomePlug10) != probes) log.probes.push_back(t);
        }
        return log;
    }
};

TEST_F(ScanCycleTest, CyclesAndProbesComeAtTheirTicks) {
    struct Case {
        bool device;
        std::vector<int> cycles;
        std::vector<int> probes;
    };
    const Case cases[] = {
        {true, {150, 330, 510}, {210, 390, 570}},
        {false, {180, 390, 600}, {}},
    };
    AddAdapter(true, {Station(1, 2, 50), Station(2, 3, 60)});
    for (const auto& c : cases) {
        for (bool sleeping : {false, true}) {
            SCOPED_TRACE(testing::Message() << (c.device ? "with a local device" : "without one") << (sleeping ? ", sleeping" : ""));
            devices[0].present = c.device;
            MakeCore();
            EXPECT_EQ(RestartScanning(*core), c.device);
            StartScanTimer(*core);  // the Main page's activation
            EXPECT_TRUE(timer.running);
            EXPECT_EQ(timer.interval, 25);
            wire.ClearSent();
            const TickLog log = RunTicks(600, sleeping);
            EXPECT_EQ(log.cycles, c.cycles);
            EXPECT_EQ(log.probes, c.probes);
            core.reset();
        }
    }
}

// The desktop program's first rescan, and the network-information pass after it, run on a thread
// while its window is built; the Main page's first scan takes what they got. Everything must come
// out as from its own scan: tables, lists, texts, history, the frames on the wire, and what the
// core was told, told on its own thread.
TEST_F(ScanCycleTest, EarlyRescanStandsForTheMainPagesFirstScan) {
    AddAdapter(false);
    AddAdapter(true, {Station(1, 2, 50), Station(2, 3, 60)});
    AddAdapter(true);
    wire.Adapter(2).openFailure = OpenFailure::Permission;
    struct Outcome {
        std::vector<std::string> told, texts;
        std::vector<std::vector<std::uint8_t>> sent;
        StationTables tables;
        int history = 0;
    };
    int autoScan = 1;
    auto firstScan = [&](bool early) {
        Outcome out;
        wire.ClearSent();
        MakeCore();
        core->prefs.autoScan = autoScan;  // 0: the page scans once more, with captures of its own
        core->afterClearStationTables = [&out](Core&) { out.told.push_back("cleared"); };
        core->onPermissionNotice = [&out](const std::string&) { out.told.push_back("permission"); };
        if (early) core->earlyRescan = std::make_unique<EarlyRescan>(wire, clock);
        InitMainPage(*core);
        EXPECT_EQ(core->earlyRescan, nullptr);
        for (const auto* list : {&views.main.localDevices, &views.main.powerlineDevices}) {
            for (int r = 0; r < list->RowCount(); ++r) {
                for (int c = 0; c < 5; ++c) out.texts.push_back(list->Cell(r, c));
            }
        }
        for (const auto* text : {&views.main.ccoMac, &views.main.nid, &views.main.snid, &views.main.stationCountText})
            out.texts.push_back(*text);
        for (const auto& frame : wire.Sent(1)) out.sent.push_back(frame.bytes);
        out.tables = core->link.tables;
        out.history = core->db.historyCount;
        return out;
    };
    for (const auto& [device, scanning] : {std::pair{true, 1}, {false, 1}, {true, 0}}) {
        SCOPED_TRACE(testing::Message() << (device ? "with a local device" : "without one") << ", autoScan " << scanning);
        devices[1].present = device;
        autoScan = scanning;
        const Outcome expected = firstScan(false);
        core.reset();
        const Outcome got = firstScan(true);
        EXPECT_EQ(got.told, expected.told);
        EXPECT_EQ(std::count(got.told.begin(), got.told.end(), "permission"), 1);
        EXPECT_EQ(got.texts, expected.texts);
        if (scanning) {
            EXPECT_EQ(got.sent, expected.sent);
        } else {
            // The page scans again before its first network-information pass: the answers asked
            // for ahead are dropped with the captures they came through, a request in vain.
            EXPECT_EQ(got.sent.size(), expected.sent.size() + 1);
        }
        EXPECT_EQ(std::memcmp(&got.tables, &expected.tables, sizeof got.tables), 0);
        EXPECT_EQ(got.history, expected.history);
        EXPECT_EQ(views.main.powerlineDevices.RowCount(), device && scanning ? 2 : 0);
        EXPECT_NE(core->link.access.slots[1].handle, nullptr);
        EXPECT_EQ(core->link.access.slots[2].handle, nullptr);
        // The captures taken over serve the next cycle, which asks again.
        wire.ClearSent();
        RunScanCycle(*core);
        EXPECT_EQ(CountSent(1, [](std::span<const std::uint8_t> f) { return IsAv(f, 0xA038); }), device ? 1 : 0);
        core.reset();
    }
}

TEST_F(ScanCycleTest, SuspendedTicksChangeNothingAndStartScanRunsExactlyOneCycle) {
    AddAdapter(true, {Station(1, 2, 50)});
    MakeCore();
    ASSERT_TRUE(RestartScanning(*core));
    EXPECT_TRUE(SetAutoRefresh(*core, 0));
    EXPECT_FALSE(SetAutoRefresh(*core, 0));
    const int phase = core->scan.phase;
    const int tickCount = core->scan.tickCount;
    wire.ClearSent();
    for (int t = 0; t < 1000; ++t) ScanTick(*core);
    EXPECT_TRUE(wire.Sent(0).empty());
    EXPECT_EQ(core->scan.phase, phase);
    EXPECT_EQ(core->scan.tickCount, tickCount);

    core->prefs.autoScan = 0;  // as when periodic scanning is off
    StartScan(*core);
    EXPECT_EQ(views.main.scanning, " Scanning...");
    EXPECT_EQ(core->scan.scanRequested, 1);
    wire.ClearSent();
    const TickLog log = RunTicks(2000);
    // StartScan clears the tables after restarting the timer, so no device is known until the
    // cycle: it comes after 180 ticks, as without a device.
    EXPECT_EQ(log.cycles, std::vector<int>{180});
    EXPECT_EQ(core->scan.scanRequested, 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ScanCycleTest, FirstCycleFromResetTablesListsTheStations) {
    AddAdapter(true, {Station(1, 2, 0), Station(2, 3, 255), Station(3, 4, 82)});
    MakeCore();
    RunScanCycle(*core);

    const auto& list = views.main.powerlineDevices;
    ASSERT_EQ(list.RowCount(), 3);
    std::vector<std::string> headers;
    for (int sub : list.columnOrder) headers.push_back(list.columns[static_cast<std::size_t>(sub)].header);
    EXPECT_EQ(headers, (std::vector<std::string>{"TEI", "Password", "MAC Address", "Bridged MAC Address",
                                                 "Speed(Mbps)"}));
    // Sorted by column 1 (the stations' MAC text) ascending, as the preferences start it.
    const char* rows[][4] = {
        {"02", "0", "02:AA:00:00:00:01", "00:B0:52:11:00:01"},
        {"03", "333", "02:AA:00:00:00:02", "00:B0:52:11:00:02"},
        {"04", "107", "02:AA:00:00:00:03", "00:B0:52:11:00:03"},
    };
    for (int r = 0; r < 3; ++r) {
        for (int sub = 0; sub < 4; ++sub) EXPECT_EQ(list.Cell(r, sub), rows[r][sub]) << r << "," << sub;
        EXPECT_EQ(list.Cell(r, 4), "");
        EXPECT_EQ(core->link.tables[0].stations[list.rows[static_cast<std::size_t>(r)].itemData].listed, 1);
    }
    EXPECT_EQ(views.main.ccoMac, "00:B0:52:CC:CC:01");
    EXPECT_EQ(views.main.nid, "112233445566");
    EXPECT_EQ(views.main.snid, "5");
    EXPECT_EQ(views.main.ccoTei, "01");
    ASSERT_EQ(views.main.localDevices.RowCount(), 1);
    EXPECT_EQ(views.main.localDevices.Cell(0, 0), "01");
    EXPECT_EQ(views.main.localDevices.Cell(0, 1), "00:B0:52:00:01:01");
    // The local device and the three stations are now in the history.
    EXPECT_EQ(core->db.historyCount, 4);
    EXPECT_EQ(devices[0].networkInfoRequests, 1);
}

TEST_F(ScanCycleTest, NetworkInfoAnsweredOnlyOnTheThirdAttemptIsTaken) {
    AddAdapter(true, {Station(1, 2, 50)});
    MakeCore();
    ASSERT_TRUE(RestartScanning(*core));
    devices[0].ignoreNetworkInfo = 2;
    wire.ClearSent();
    RunScanCycle(*core);
    const auto times = SentTimes(0, 0xA038);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_GE(times[1] - times[0], 50u);
    EXPECT_LT(times[1] - times[0], 60u);
    EXPECT_GE(times[2] - times[1], 150u);
    EXPECT_LT(times[2] - times[1], 160u);
    EXPECT_EQ(views.main.powerlineDevices.RowCount(), 1);

    // A device that never answers is asked three times, no more.
    devices[0].ignoreNetworkInfo = 100;
    wire.ClearSent();
    const std::uint32_t start = clock.TickMs();
    RunScanCycle(*core);
    EXPECT_EQ(SentTimes(0, 0xA038).size(), 3u);
    EXPECT_GE(clock.TickMs() - start, 450u);
    EXPECT_EQ(views.main.powerlineDevices.RowCount(), 0);
}

TEST_F(ScanCycleTest, AdaptersWithoutLocalDeviceAreNotAskedForNetworkInfo) {
    AddAdapter(false);
    AddAdapter(false);
    MakeCore();
    wire.ClearSent();
    const std::uint32_t start = clock.TickMs();
    RunScanCycle(*core);
    ASSERT_EQ(SentTimes(0, 0xA000).size(), 1u);
    ASSERT_EQ(SentTimes(1, 0xA000).size(), 1u);
    EXPECT_TRUE(SentTimes(0, 0xA038).empty());
    // The discovery's one wait, not another 450 ms of unanswerable requests.
    EXPECT_LE(clock.TickMs() - start, 58u);
    EXPECT_EQ(views.main.connection, "No Device Detected");
    EXPECT_EQ(views.main.powerlineDevices.RowCount(), 0);
}

TEST_F(ScanCycleTest, DroppedStationLeavesTheListAndALostDeviceEmptiesTheLocalList) {
    AddAdapter(true, {Station(1, 2, 50), Station(2, 3, 60), Station(3, 4, 70)});
    MakeCore();
    RunScanCycle(*core);
    ASSERT_EQ(views.main.powerlineDevices.RowCount(), 3);

    devices[0].stations.erase(devices[0].stations.begin() + 1);
    RunScanCycle(*core);
    const auto& list = views.main.powerlineDevices;
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(0, 3), "00:B0:52:11:00:01");
    EXPECT_EQ(list.Cell(1, 3), "00:B0:52:11:00:03");

    devices[0].present = false;
    RunScanCycle(*core);
    EXPECT_EQ(views.main.localDevices.RowCount(), 0);
    EXPECT_EQ(views.main.powerlineDevices.RowCount(), 0);
    EXPECT_EQ(views.main.connection, "No Device Detected");
    EXPECT_EQ(core->scan.localShadow[0].localFound, 0);
}

// The host held the program up for 80 ms during the wait; the confirmation came 1 ms after the
// request, behind a few unrelated frames, and is taken when the program looks again.
TEST_F(ScanCycleTest, ExchangeWaitTakesAConfirmationThatCameInTimeWhenItLooksLate) {
    AddAdapter(false);
    MakeCore();
    ASSERT_TRUE(EnumerateAdapters(core->link));
    ASSERT_TRUE(OpenCapture(core->link, 0));
    std::memcpy(core->link.tables[0].hostMac, HostMac(0).data(), 6);
    core->link.pendingRequestType = kMmVersionRequest;
    const Mac device{0x00, 0xB0, 0x52, 0x00, 0x01, 0x01};
    for (int i = 0; i < 10; ++i) wire.DeliverAt(0, AvFrame(HostMac(0), device, 0xA0FE), clock.TickMs() + 1);
    wire.DeliverAt(0, VersionConfirm(HostMac(0), device, "v"), clock.TickMs() + 1);
    bool heldUp = false;
    clock.onAdvance = [&](std::uint32_t) {
        if (!heldUp) {
            heldUp = true;
            clock.Advance(80);
        }
    };
    EXPECT_TRUE(ExchangeWait(core->link, 0, 50, nullptr));
    EXPECT_TRUE(heldUp);
}

using ManyAdaptersTest = ScanFixture;
bool HoldsMac(const std::uint8_t* a, const Mac& b) { return std::memcmp(a, b.data(), 6) == 0; }

// The adapter taken is the one asking the adapters one after another would take: the first in
// list order whose device answered within the wait (52 ms from the request), whichever answered
// first. The virtual wire's looks cost a millisecond each, so times come with a few of slack.
TEST_F(ManyAdaptersTest, DiscoveryTakesTheFirstAdapterInListOrderWhoseDeviceAnswered) {
    struct Case {
        std::vector<int> delays;  // per adapter: the device's answer delay, -1 without a device
        int chosen;
        std::uint32_t minMs, maxMs;  // virtual time of the whole discovery
    };
    const Case cases[] = {
        {{-1, 30, -1, 1}, 1, 52, 60},
        {{-1, -1, -1, 0}, 3, 52, 60},
        {{60, 5, -1, -1}, 1, 52, 60},  // an answer after the wait does not count
        {{51, -1, -1, -1}, 0, 51, 60},  // one late in the wait does
        {{1, 1, -1, 1}, 0, 1, 5},      // taken as it comes: nothing before the first adapter can answer
        {{-1, -1, -1, -1}, -1, 52, 60},
    };
    MakeCore();
    const std::uint32_t none = clock.TickMs();
    EXPECT_FALSE(RescanAdapters(core->link));
    EXPECT_EQ(clock.TickMs(), none) << "without adapters there is nothing to wait for";
    for (int i = 0; i < 4; ++i) AddAdapter(true);
    MakeCore();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        for (std::size_t i = 0; i < 4; ++i) {
            devices[i].present = c.delays[i] >= 0;
            devices[i].delayMs = static_cast<std::uint32_t>(c.delays[i]);
            wire.Adapter(static_cast<int>(i)).incoming.clear();
        }
        wire.ClearSent();
        core->link.currentAdapter = -1;
        const std::uint32_t start = clock.TickMs();
        EXPECT_EQ(RescanAdapters(core->link), c.chosen >= 0);
        const std::uint32_t took = clock.TickMs() - start;
        EXPECT_GE(took, c.minMs);
        EXPECT_LE(took, c.maxMs);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(SentTimes(i, 0xA000), std::vector<std::uint32_t>{start}) << "adapter " << i;
            EXPECT_EQ(core->link.adapters[static_cast<std::size_t>(i)].localFound, i == c.chosen ? 1 : 0) << i;
        }
        if (c.chosen < 0) continue;
        const auto& record = core->link.adapters[static_cast<std::size_t>(c.chosen)];
        EXPECT_EQ(core->link.currentAdapter, c.chosen);
        EXPECT_TRUE(HoldsMac(record.localMac, devices[static_cast<std::size_t>(c.chosen)].mac));
        EXPECT_TRUE(HoldsMac(core->link.tables[static_cast<std::size_t>(c.chosen)].localMac,
                            devices[static_cast<std::size_t>(c.chosen)].mac));
        EXPECT_STREQ(record.firmwareVersion, "SIM-FW-1.0");
    }
}

// Cycles and restarts keep the captures open for the next scan instead of reopening them; what
// they received in between, here an answer that came after the wait from a device that has gone
// since, must not count as the next discovery's answer.
TEST_F(ManyAdaptersTest, KeptCapturesTakeNothingTheyReceivedBeforeTheScan) {
    AddAdapter(true);
    AddAdapter(false);
    MakeCore();
    ASSERT_TRUE(RestartScanning(*core));
    for (const bool restart : {false, true}) {
        SCOPED_TRACE(restart ? "restart" : "cycle");
        devices[0].present = true;
        devices[0].delayMs = 60;
        EXPECT_FALSE(restart ? RestartScanning(*core) : RescanAdapters(core->link));
        devices[0].present = false;
        clock.Advance(5000);
        EXPECT_FALSE(restart ? RestartScanning(*core) : RescanAdapters(core->link));
        EXPECT_EQ(core->link.adapters[0].localFound, 0);
    }
    EXPECT_EQ(wire.Adapter(0).opens, 1);
    EXPECT_EQ(wire.Adapter(1).opens, 1);
    // An adapter that was gone for one listing comes back with a capture of its own.
    wire.Adapter(1).listed = false;
    RestartScanning(*core);
    wire.Adapter(1).listed = true;
    RestartScanning(*core);
    EXPECT_EQ(wire.Adapter(0).opens, 1);
    EXPECT_EQ(wire.Adapter(1).opens, 2);
}

// Every adapter with a known device is asked in each attempt at once; each answer fills its own
// table and the chosen adapter stays current.
TEST_F(ManyAdaptersTest, NetworkInfoAsksEveryKnownDeviceAtOncePerAttempt) {
    AddAdapter(true, {Station(1, 2, 50)});
    AddAdapter(true, {Station(2, 3, 60)});
    AddAdapter(true, {Station(3, 4, 70), Station(4, 5, 80)});
    MakeCore();
    ASSERT_TRUE(RescanAdapters(core->link));
    ASSERT_EQ(core->link.currentAdapter, 0);
    std::memcpy(core->link.adapters[2].localMac, devices[2].mac.data(), 6);  // known from before
    devices[0].ignoreNetworkInfo = 2;
    wire.ClearSent();
    QueryNetworkInfo(core->link);
    const auto first = SentTimes(0, 0xA038);
    ASSERT_EQ(first.size(), 3u);
    // An attempt waits 54 ms from its request, then 154: never less, and only the virtual
    // wire's last looks more.
    EXPECT_GE(first[1] - first[0], 54u);
    EXPECT_LE(first[1] - first[0], 58u);
    EXPECT_GE(first[2] - first[1], 154u);
    EXPECT_LE(first[2] - first[1], 158u);
    EXPECT_EQ(SentTimes(2, 0xA038), std::vector<std::uint32_t>{first[0]});
    EXPECT_TRUE(SentTimes(1, 0xA038).empty());
    EXPECT_EQ(core->link.tables[0].stationCount, 1);
    EXPECT_EQ(core->link.tables[1].stationCount, 0);
    EXPECT_EQ(core->link.tables[2].stationCount, 2);
    EXPECT_EQ(core->link.currentAdapter, 0);
}

TEST(AdapterVerdictsTest, ProbesOnlyInterfacesTheLastListingDidNotHave) {
    std::map<std::string, ProbeVerdict> answers = {
        {"eth0", {true, true}}, {"tun0", {false, true}}, {"down0", {true, false}}, {"eth1", {true, true}}};
    std::vector<std::string> probed;
    AdapterVerdicts verdicts;
    auto isEthernet = [&](const std::string& name, unsigned index) {
        if (const auto remembered = verdicts.Remembered(name, index)) return *remembered;
        probed.push_back(name);
        return verdicts.Note(name, index, answers.at(name));
    };
    struct Listing {
        std::vector<std::pair<std::string, unsigned>> interfaces;  // name and index
        std::vector<bool> ethernet;
        std::vector<std::string> probed;
    };
    const Listing listings[] = {
        {{{"eth0", 2}, {"tun0", 3}, {"down0", 4}}, {true, false, true}, {"eth0", "tun0", "down0"}},
        // Only the verdict the probe could not be sure of is asked again.
        {{{"eth0", 2}, {"tun0", 3}, {"down0", 4}}, {true, false, true}, {"down0"}},
        // eth0 was removed and made again (now a tunnel); eth1 is new; index 0 is unknown.
        {{{"eth0", 7}, {"eth1", 5}, {"tun0", 3}, {"eth1", 0}}, {false, true, false, true}, {"eth0", "eth1", "eth1"}},
        {{{"eth0", 7}, {"eth1", 5}}, {false, true}, {}},
        // tun0 left the previous listing and is forgotten.
        {{{"tun0", 3}}, {false}, {"tun0"}},
    };
    int n = 0;
    for (const Listing& listing : listings) {
        SCOPED_TRACE(n++);
        if (n == 3) answers["eth0"] = {false, true};
        probed.clear();
        std::vector<bool> ethernet;
        for (const auto& [name, index] : listing.interfaces) ethernet.push_back(isEthernet(name, index));
        verdicts.EndListing();
        EXPECT_EQ(ethernet, listing.ethernet);
        EXPECT_EQ(probed, listing.probed);
    }
}

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

using ScanSleepTest = ScanFixture;

// Two cycles (a station leaves before the second) replace plc.data once each, and what they leave
// on disk is exactly what an immediate save of the same state writes: nothing held back is lost.
TEST_F(ScanSleepTest, EachCycleReplacesPlcDataOnceAndLeavesTheWholeState) {
    AddAdapter(true, {Station(1, 2, 50), Station(2, 3, 60), Station(3, 4, 70)});
    MakeCore();
    RestartScanning(*core);
    StartScanTimer(*core);
    const int watcher = ::inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watcher, 0);
    // Each replacement is written to a new file first (events for one name would merge).
    ASSERT_GE(::inotify_add_watch(watcher, dir.c_str(), IN_CREATE), 0);
    for (int t = 1; t <= 400; ++t) {
        if (t == 200) devices[0].stations.pop_back();
        ScanTick(*core);
    }
    int replaces = 0;
    alignas(inotify_event) char events[4096];
    for (ssize_t n; (n = ::read(watcher, events, sizeof events)) > 0;) {
        for (char* p = events; p < events + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len) ++replaces;
    }
    ::close(watcher);
    EXPECT_EQ(replaces, 2);
    auto read = [&] {
        std::ifstream in(dir / "plc.data", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string cycled = read();
    EXPECT_EQ(core->db.historyCount, 4);
    SaveDatabase(*core);
    EXPECT_TRUE(read() == cycled);
}

}  // namespace
}  // namespace zentrel::test
