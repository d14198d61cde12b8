// Removing history records: those without a MAC, one by MAC, and the purge when the tables clear.
#include "RegistryFixture.h"
#include "link/StationOps.h"
#include "pages/Storage.h"
#include "registry/DeviceHistory.h"
#include "support/Records.h"

namespace zentrel::test {
namespace {

class HistoryPurgeTest : public RegistryTest {
protected:
    void Add(const Mac& mac, const char* label) { AddRecord(core->db, mac, label); }
    // The labels of the first `count` slots, whatever the record count says.
    std::string Labels(int count = 0) const {
        std::string s;
        for (int i = 0; i < (count ? count : core->db.historyCount); ++i) s += RecordText(core->db.history[static_cast<std::size_t>(i)].label, 32);
        return s;
    }
};

const Mac kA{0, 0xB0, 0x52, 0, 0, 1}, kB{0, 0xB0, 0x52, 0, 0, 2}, kEmpty{}, kOnes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    kMixed{0, 0xFF, 0, 0xFF, 0, 0};

TEST_F(HistoryPurgeTest, RemovesEveryRecordWithAnEmptyMac) {
    Add(kA, "A");
    Add(kEmpty, "x");
    Add(kOnes, "y");
    Add(kB, "B");
    Add(kMixed, "z");
    PurgeEmptyHistory(core->db, core->link);
    EXPECT_EQ(core->db.historyCount, 2);
    EXPECT_EQ(Labels(kMaxHistory), "AB");  // the slots behind are emptied
}

TEST_F(HistoryPurgeTest, RemoveByMacTakesTheFirstRecordAndItsStation) {
    Add(kA, "A1");
    Add(kB, "B");
    Add(kA, "A2");
    auto& table = core->link.tables[static_cast<std::size_t>(core->link.currentAdapter)];
    std::memcpy(table.stations[0].stationMac, kB.data(), 6);
    std::memcpy(table.stations[1].stationMac, kA.data(), 6);
    EXPECT_EQ(RemoveHistoryByMac(core->db, core->link, kA.data()), 1);
    EXPECT_EQ(Labels(), "BA2");
    EXPECT_TRUE(SameMac(table.stations[0].stationMac, kB.data()));
    EXPECT_FALSE(IsMacSet(table.stations[1].stationMac));
    const Mac unknown{0, 1, 2, 3, 4, 5};
    EXPECT_EQ(RemoveHistoryByMac(core->db, core->link, unknown.data()), 0);
    EXPECT_EQ(Labels(), "BA2");
}

TEST_F(HistoryPurgeTest, ClearingTheStationTablesPurgesAndSaves) {
    Add(kA, "A");
    Add(kEmpty, "x");
    Add(kB, "B");
    ClearStationTables(core->link);
    EXPECT_EQ(Labels(), "AB");
    auto other = Reopen();
    LoadDatabase(*other);
    EXPECT_EQ(other->db.historyCount, 2);
    EXPECT_EQ(FindHistoryByMac(other->db, kB.data()), 2);
}

}  // namespace
}  // namespace zentrel::test
