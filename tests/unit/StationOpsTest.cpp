// Station tables: aging on each scan and removal of one station.
#include <cstring>

#include "link/StationOps.h"
#include "support/WireCore.h"

namespace zentrel::test {
namespace {

struct StationOpsTest : WireCoreTest {
    StationTable& Table(int i) { return core.link.tables[static_cast<std::size_t>(i)]; }
    StationEntry& Entry(int table, int slot) { return Table(table).stations[slot]; }
    void Fill(int table, int slot, std::uint8_t id) {
        StationEntry& e = Entry(table, slot);
        e.present = 1;
        std::memcpy(e.stationMac, Mac{0x00, 0x0A, 0x00, 0x00, static_cast<std::uint8_t>(table), id}.data(), 6);
        e.tei = id;
        e.rateValue = 1.5;
        e.missesTillDrop = 2;
        e.dropCount = 6;
    }
};

// Each scan without an answer takes one miss; the last one drops the station and counts a drop.
TEST_F(StationOpsTest, AgingCountsDownOnTheCurrentAdapterThenDrops) {
    const struct {
        std::int8_t misses;
        bool staysPresent;
        std::int8_t after;
        std::uint8_t drops;
    } cases[] = {{2, true, 1, 6}, {1, false, 0, 9}, {0, false, 0, 9}, {-5, false, 0, 9},
                          {3, true, 2, 6}, {-128, true, 127, 6} /* 8-bit wrap */};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.misses));
        core.link.currentAdapter = 2;
        Fill(2, 4, 1);
        Fill(0, 4, 1);
        Entry(2, 4).missesTillDrop = c.misses;
        Table(2).stationCount = 1;
        AgeStations(core.link);
        EXPECT_EQ(Entry(2, 4).present != 0, c.staysPresent);
        EXPECT_EQ(Entry(2, 4).missesTillDrop, c.after);
        EXPECT_EQ(Entry(2, 4).dropCount, c.drops);
        EXPECT_EQ(Entry(2, 4).rateValue, c.staysPresent ? 1.5 : 0.0);  // a dropped station shows no rate
        EXPECT_EQ(Table(2).stationCount, c.staysPresent ? 1 : 0);
        EXPECT_EQ(Entry(0, 4).missesTillDrop, 2);  // another adapter's table is not aged
        if (!c.staysPresent) {
            AgeStations(core.link);  // a dropped station is not aged again, the count never negative
            EXPECT_EQ(Entry(2, 4).dropCount, c.drops);
            EXPECT_EQ(Table(2).stationCount, 0);
        }
    }
}

TEST_F(StationOpsTest, RemoveMovesLaterEntriesUpWithinTheTable) {
    core.link.currentAdapter = 1;
    for (int s = 0; s < 4; ++s) Fill(1, s, static_cast<std::uint8_t>(s + 1));
    Fill(1, 31, 9);
    Fill(2, 0, 8);
    RemoveStation(core.link, Mac{0x00, 0x0A, 0x00, 0x00, 1, 2}.data());
    EXPECT_EQ((std::vector<int>{Entry(1, 0).tei, Entry(1, 1).tei, Entry(1, 2).tei, Entry(1, 30).tei}), (std::vector<int>{1, 3, 4, 9}));
    EXPECT_EQ(Entry(1, 31).present, 0);
    EXPECT_FALSE(IsMacSet(Entry(1, 31).stationMac));
    EXPECT_EQ(Entry(2, 0).tei, 8);  // nothing pulled in from the next table

    RemoveStation(core.link, Mac{0x00, 0x0A, 0, 0, 0, 0x77}.data());  // unknown
    RemoveStation(core.link, Mac{}.data());
    EXPECT_EQ(Entry(1, 0).tei, 1);
    EXPECT_EQ(Entry(1, 30).tei, 9);
}

}  // namespace
}  // namespace zentrel::test
