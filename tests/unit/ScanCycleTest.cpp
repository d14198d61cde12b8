// The exchange engine and the scan cycle on the in-memory wire with virtual time.
#include <gtest/gtest.h>

#include <cstring>

#include "ScanFixture.h"
#include "link/StationOps.h"
#include "registry/Database.h"

namespace zentrel::test {
namespace {

// Ticks (counted from the call) at which a discovery and a station probe went out on adapter 0.
struct TickLog {
    std::vector<int> cycles;
    std::vector<int> probes;
};

class ScanCycleTest : public ScanFixture {
protected:
    TickLog RunTicks(int ticks) {
        TickLog log;
        auto isVersion = +[](std::span<const std::uint8_t> b) { return IsAv(b, 0xA000); };
        int versions = CountSent(0, isVersion);
        int probes = CountSent(0, &IsHomePlug10);
        for (int t = 1; t <= ticks; ++t) {
            ScanTick(*core);
            const int v = CountSent(0, isVersion);
            const int p = CountSent(0, &IsHomePlug10);
            if (v != versions) log.cycles.push_back(t);
            if (p != probes) log.probes.push_back(t);
            versions = v;
            probes = p;
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
        SCOPED_TRACE(c.device ? "with a local device" : "without one");
        devices[0].present = c.device;
        MakeCore();
        EXPECT_EQ(RestartScanning(*core), c.device);
        StartScanTimer(*core);  // the Main page's activation
        EXPECT_TRUE(timer.running);
        EXPECT_EQ(timer.interval, 25);
        wire.ClearSent();
        const TickLog log = RunTicks(600);
        EXPECT_EQ(log.cycles, c.cycles);
        EXPECT_EQ(log.probes, c.probes);
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
    // Both version requests go out at once; then 2 ms, then one wait of 50 ms for the answers,
    // and not another 450 ms of unanswerable requests.
    EXPECT_EQ(SentTimes(1, 0xA000)[0], SentTimes(0, 0xA000)[0]);
    EXPECT_GE(clock.TickMs() - start, 52u);
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

TEST_F(ScanCycleTest, SetNetworkKeyReturnsTheStatusOrMinusOne) {
    AddAdapter(false);
    MakeCore();
    ASSERT_TRUE(EnumerateAdapters(core->link));
    ASSERT_TRUE(OpenCapture(core->link, 0));
    const Mac device{0x00, 0xB0, 0x52, 0x00, 0x01, 0x01};
    std::memcpy(core->link.adapters[0].hostMac, HostMac(0).data(), 6);
    std::memcpy(core->link.adapters[0].localMac, device.data(), 6);
    core->link.setKeyLocalOnly = 1;
    const std::string key(32, 'A');

    int answer = 1;
    wire.responder = [&](int adapter, std::span<const std::uint8_t> f) {
        if (IsAv(f, 0xA050) && answer >= 0) {
            wire.Reply(adapter, SetKeyConfirm(HostMac(0), device, static_cast<std::uint8_t>(answer)), 10);
        }
    };
    EXPECT_EQ(SetNetworkKey(core->link, key, 1, nullptr), 1);

    answer = -1;
    const std::uint32_t start = clock.TickMs();
    EXPECT_EQ(SetNetworkKey(core->link, key, 1, nullptr), -1);
    EXPECT_GE(clock.TickMs() - start, 350u);
}

}  // namespace
}  // namespace zentrel::test
