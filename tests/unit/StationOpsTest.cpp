#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "link/StationOps.h"
#include "pages/Core.h"
#include "support/FakeClock.h"
#include "support/MemoryWire.h"
#include "support/RecordingMessages.h"

namespace zentrel::test {
namespace {

struct StationOpsTest : ::testing::Test {
    FakeClock clock;
    MemoryWire wire{clock};
    RecordingMessages messages;
    Views views;
    Core core{wire, messages, views, clock, nullptr, std::filesystem::temp_directory_path()};

    StationTable& Table(int i) { return core.link.tables[static_cast<std::size_t>(i)]; }
    StationEntry& Entry(int table, int slot) { return Table(table).stations[slot]; }
    void Fill(int table, int slot, std::uint8_t id) {
        StationEntry& e = Entry(table, slot);
        e.present = 1;
        const std::uint8_t mac[6] = {0x00, 0x0A, 0x00, 0x00, static_cast<std::uint8_t>(table), id};
        std::memcpy(e.stationMac, mac, 6);
        std::memset(e.bridgedMac, id, 6);
        e.tei = id;
        e.avgTxRate = id;
        e.avgRxRate = id;
        e.rateValue = 1.5;
        e.missesTillDrop = 2;
        e.deviceClass = 1;
        e.dropCount = 6;
        e.listed = 1;
    }
};

TEST_F(StationOpsTest, ClearEmptiesStationsAndKeepsNamesLocalMacsAndNetworkInfo) {
    int afterClear = 0;
    core.afterClearStationTables = [&](Core& c) {
        ++afterClear;
        EXPECT_EQ(c.link.tables[7].stationCount, 0);  // runs after the tables are emptied
    };
    for (int t = 0; t < kMaxAdapters; ++t) {
        for (int s = 0; s < kMaxStations; ++s) Fill(t, s, static_cast<std::uint8_t>(s + 1));
        Table(t).stationCount = 32;
        std::strcpy(Table(t).networkName, "MyNet");
        std::memset(Table(t).localMac, 0x42, 6);
        Table(t).localFound = 1;
        Table(t).ccoTei = 9;
        Table(t).readCount = 5;
        core.link.adapters[static_cast<std::size_t>(t)].localFound = 1;
        std::memset(core.link.adapters[static_cast<std::size_t>(t)].localMac, 0x43, 6);
    }
    ClearStationTables(core.link);
    EXPECT_EQ(afterClear, 1);
    for (int t = 0; t < kMaxAdapters; ++t) {
        EXPECT_EQ(Table(t).stationCount, 0);
        EXPECT_EQ(core.link.adapters[static_cast<std::size_t>(t)].localFound, 0);
        EXPECT_STREQ(Table(t).networkName, "MyNet");
        EXPECT_EQ(Table(t).localMac[0], 0x42);
        EXPECT_EQ(core.link.adapters[static_cast<std::size_t>(t)].localMac[0], 0x43);
        EXPECT_EQ(Table(t).ccoTei, 9);
        EXPECT_EQ(Table(t).readCount, 5);
        for (int s = 0; s < kMaxStations; ++s) {
            const StationEntry& e = Entry(t, s);
            EXPECT_EQ(e.present, 0);
            EXPECT_FALSE(IsMacSet(e.stationMac));
            EXPECT_EQ(e.stationMac[5], 0);
            EXPECT_EQ(e.bridgedMac[5], 0);
            EXPECT_EQ(e.rateValue, 0.0);
            EXPECT_EQ(e.missesTillDrop, 0);
            EXPECT_EQ(e.avgTxRate, 0);
            EXPECT_EQ(e.avgRxRate, 0);
            // Fields the clearing leaves alone.
            EXPECT_EQ(e.tei, s + 1);
            EXPECT_EQ(e.deviceClass, 1);
            EXPECT_EQ(e.listed, 1);
        }
    }
}

TEST_F(StationOpsTest, ClearWithoutSeamStillClears) {
    core.afterClearStationTables = nullptr;
    Fill(0, 0, 1);
    ClearStationTables(core.link);
    EXPECT_EQ(Entry(0, 0).present, 0);
}

TEST_F(StationOpsTest, AgingCountsDownThenDrops) {
    core.link.currentAdapter = 2;
    Fill(2, 4, 1);
    Table(2).stationCount = 1;
    AgeStations(core.link);
    EXPECT_EQ(Entry(2, 4).present, 1);
    EXPECT_EQ(Entry(2, 4).missesTillDrop, 1);
    EXPECT_EQ(Entry(2, 4).dropCount, 6);
    AgeStations(core.link);
    EXPECT_EQ(Entry(2, 4).present, 0);
    EXPECT_EQ(Entry(2, 4).missesTillDrop, 0);
    EXPECT_EQ(Entry(2, 4).dropCount, 9);
    EXPECT_EQ(Entry(2, 4).rateValue, 0.0);
    EXPECT_EQ(Table(2).stationCount, 0);
    AgeStations(core.link);  // a dropped station is not aged again
    EXPECT_EQ(Entry(2, 4).dropCount, 9);
}

TEST_F(StationOpsTest, AgingCounterEdgeValues) {
    struct Case {
        std::int8_t misses;
        bool staysPresent;
        std::int8_t after;
    };
    const Case cases[] = {
        {0, false, 0},   {-5, false, 0}, {1, false, 0}, {3, true, 2}, {-128, true, 127} /* 8-bit wrap */,
        {127, true, 126}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.misses));
        Fill(0, 0, 1);
        Entry(0, 0).missesTillDrop = c.misses;
        Table(0).stationCount = 0;  // already zero: must not go negative
        AgeStations(core.link);
        EXPECT_EQ(Entry(0, 0).present != 0, c.staysPresent);
        EXPECT_EQ(Entry(0, 0).missesTillDrop, c.after);
        EXPECT_EQ(Table(0).stationCount, 0);
    }
}

TEST_F(StationOpsTest, AgingTouchesOnlyTheCurrentAdapter) {
    core.link.currentAdapter = 1;
    Fill(0, 0, 1);
    Entry(0, 0).missesTillDrop = 1;
    AgeStations(core.link);
    EXPECT_EQ(Entry(0, 0).present, 1);
    EXPECT_EQ(Entry(0, 0).missesTillDrop, 1);
}

TEST_F(StationOpsTest, LocalDeviceOfReadsTheAdapterRecord) {
    AdapterRecord& r = core.link.adapters[3];
    r.localFound = 1;
    r.localAux = 0;
    std::memset(r.localMac, 0x5C, 6);
    const LocalDevice d = LocalDeviceOf(core.link, 3);
    EXPECT_EQ(d.localFound, 1);
    EXPECT_EQ(d.localMac[5], 0x5C);
    EXPECT_EQ(LocalDeviceOf(core.link, 2).localFound, 0);
    EXPECT_EQ(LocalDeviceOf(core.link, 8).localFound, 0);
}

TEST_F(StationOpsTest, RemoveMovesLaterEntriesUp) {
    core.link.currentAdapter = 1;
    for (int s = 0; s < 4; ++s) Fill(1, s, static_cast<std::uint8_t>(s + 1));
    std::uint8_t mac[6];
    std::memcpy(mac, Entry(1, 1).stationMac, 6);
    RemoveStation(core.link, mac);
    EXPECT_EQ(Entry(1, 0).tei, 1);
    EXPECT_EQ(Entry(1, 1).tei, 3);
    EXPECT_EQ(Entry(1, 2).tei, 4);
    EXPECT_EQ(Entry(1, 3).present, 0);
    EXPECT_EQ(Entry(1, 31).present, 0);
    EXPECT_EQ(Entry(1, 31).tei, 0);
}

TEST_F(StationOpsTest, RemoveTheLastSlotLeavesTheNextTableAlone) {
    core.link.currentAdapter = 2;
    Fill(2, 31, 7);
    Fill(3, 0, 8);
    std::memset(Table(2).reserved12120, 0x3E, sizeof Table(2).reserved12120);
    Table(2).readCount = 11;
    std::uint8_t mac[6];
    std::memcpy(mac, Entry(2, 31).stationMac, 6);
    RemoveStation(core.link, mac);
    EXPECT_EQ(Entry(2, 31).present, 0);
    EXPECT_FALSE(IsMacSet(Entry(2, 31).stationMac));
    EXPECT_EQ(Table(2).readCount, 11);
    EXPECT_EQ(Table(2).reserved12120[0], 0x3E);
    EXPECT_EQ(Entry(3, 0).present, 1);
    EXPECT_EQ(Entry(3, 0).tei, 8);
}

TEST_F(StationOpsTest, RemoveOfAnUnknownOrEmptyMacChangesNothing) {
    core.link.currentAdapter = 0;
    Fill(0, 0, 1);
    const std::uint8_t unknown[6] = {0x00, 0x0A, 0, 0, 0, 0x77};
    const std::uint8_t empty[6] = {};
    Entry(0, 5).present = 0;  // a free slot with an empty MAC
    RemoveStation(core.link, unknown);
    RemoveStation(core.link, empty);
    EXPECT_EQ(Entry(0, 0).present, 1);
    EXPECT_EQ(Entry(0, 0).tei, 1);
}

}  // namespace
}  // namespace zentrel::test
