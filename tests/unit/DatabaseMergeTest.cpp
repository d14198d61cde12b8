// History records in plc.data: two programs saving in one directory, and the removals.
#include <cstring>
#include <functional>
#include <sstream>

#include "RegistryFixture.h"
#include "link/StationOps.h"
#include "pages/HistoryList.h"
#include "pages/Storage.h"
#include "registry/DeviceHistory.h"
#include "support/Records.h"

namespace zentrel::test {
namespace {

std::string MacOf(int n) { return FormatMac(Mac{0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(n)}); }

// Two programs in one directory, each with plc.data loaded: `there` (a zentrel command) saves a
// change, then `here` (the desktop program) saves its own; neither change is lost.
struct DatabaseMergeTest : RegistryTest {
    // Records 1, 2 and 3 with passwords "1", "2", "3", seen at 100; both programs load them.
    void Start() {
        std::filesystem::remove(dir / kDatabaseFile);
        std::filesystem::remove(dir / kDamagedDatabaseFile);
        here = Reopen();
        for (int n = 1; n <= 3; ++n) Set(*here, n, std::to_string(n), 100);
        SaveDatabase(*here);
        there = Reopen();
        LoadDatabase(*there);
    }
    // Records device n (adding it when missing) with that password and time.
    static void Set(Core& c, int n, const std::string& password, std::int64_t seen) {
        int at = FindHistoryByMacText(c.db, MacOf(n));
        if (at == 0) {
            at = NewHistorySlot(c.db, ShownMacs(c)) + 1;
            std::memcpy(c.db.history[static_cast<std::size_t>(at - 1)].mac, MacFromText(MacOf(n)).data(), 6);
        }
        auto& r = c.db.history[static_cast<std::size_t>(at - 1)];
        SetRecordText(r.password, sizeof r.password, password);
        r.lastSeen = seen;
    }
    static void Seen(Core& c, int n, std::int64_t seen) {
        c.db.history[static_cast<std::size_t>(FindHistoryByMacText(c.db, MacOf(n)) - 1)].lastSeen = seen;
    }
    static void Forget(Core& c, int n) { DeleteHistoryRecord(c, FindHistoryByMacText(c.db, MacOf(n))); }
    // The stored records in file order: "n=password@seen".
    std::string Stored() {
        auto reader = Reopen();
        LoadDatabase(*reader);
        std::ostringstream text;
        for (int i = 0; i < reader->db.historyCount; ++i) {
            const auto& r = reader->db.history[static_cast<std::size_t>(i)];
            text << (i ? " " : "") << int{r.mac[5]} << '=' << RecordText(r.password, sizeof r.password) << '@' << r.lastSeen;
        }
        return text.str();
    }

    std::unique_ptr<Core> here, there;
};

TEST_F(DatabaseMergeTest, TheLaterSaveKeepsWhatTheOtherProgramChanged) {
    const struct {
        const char* what;
        std::function<void(Core&)> there, here;
        const char* stored;
    } cases[] = {
        {"forgotten there, seen here", [](Core& c) { Forget(c, 2); },
         [](Core& c) {
             Seen(c, 1, 200);
             Seen(c, 2, 200);
         }, "1=1@200 3=3@100"},
        {"password there, seen here", [](Core& c) { Set(c, 1, "NEW", 100); }, [](Core& c) { Seen(c, 1, 200); },
         "1=NEW@200 2=2@100 3=3@100"},
        {"password on both sides: the first save wins", [](Core& c) { Set(c, 1, "ONE", 100); },
         [](Core& c) { Set(c, 1, "TWO", 100); }, "1=ONE@100 2=2@100 3=3@100"},
        {"added on both sides", [](Core& c) { Set(c, 4, "4", 300); }, [](Core& c) { Set(c, 5, "5", 400); },
         "1=1@100 2=2@100 3=3@100 5=5@400 4=4@300"},
        {"forgotten here", [](Core&) {}, [](Core& c) { Forget(c, 3); }, "1=1@100 2=2@100"},
        {"forgotten here, changed there", [](Core& c) { Set(c, 3, "NEW", 100); }, [](Core& c) { Forget(c, 3); },
         "1=1@100 2=2@100 3=NEW@100"},
        {"added there, nothing here", [](Core& c) { Set(c, 4, "4", 300); }, [](Core&) {},
         "1=1@100 2=2@100 3=3@100 4=4@300"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Start();
        c.there(*there);
        SaveDatabase(*there);
        c.here(*here);
        SaveDatabase(*here);
        EXPECT_EQ(Stored(), c.stored);
        // The desktop program's memory holds what it wrote: its next save changes nothing.
        SaveDatabase(*here);
        EXPECT_EQ(Stored(), c.stored);
    }
}

TEST_F(DatabaseMergeTest, NamesListedPasswordsAndAFileThatDoesNotDecode) {
    Start();
    auto& list = here->views.main.powerlineDevices;
    list.present = true;
    SetupPowerlineDeviceList(*here);
    const int row = list.AppendRow(0);
    list.SetCell(row, 3, MacOf(1));
    list.SetCell(row, 4, "1");
    std::strcpy(there->link.tables[3].networkName, "Upstairs");
    Set(*there, 1, "NEW", 100);
    SaveDatabase(*there);
    SaveDatabase(*here);
    EXPECT_STREQ(here->link.tables[3].networkName, "Upstairs");
    // The list shows the password taken in, so the next history update keeps it.
    EXPECT_EQ(list.Cell(row, 4), "NEW");

    // Something else put a file there that does not read as a database: it is kept aside.
    const std::vector<std::uint8_t> garbage(5000, 0x5A);
    WriteBytes(kDatabaseFile, garbage);
    SaveDatabase(*here);
    EXPECT_EQ(ReadBytes(kDamagedDatabaseFile), garbage);
    EXPECT_EQ(std::filesystem::status(dir / kDamagedDatabaseFile).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(Stored(), "1=NEW@100 2=2@100 3=3@100");
}

class HistoryPurgeTest : public RegistryTest {
protected:
    // The labels of the first `count` slots, whatever the record count says.
    std::string Labels(int count = 0) const {
        std::string s;
        for (int i = 0; i < (count ? count : core->db.historyCount); ++i) s += RecordText(core->db.history[static_cast<std::size_t>(i)].label, 32);
        return s;
    }
};

const Mac kA{0, 0xB0, 0x52, 0, 0, 1}, kB{0, 0xB0, 0x52, 0, 0, 2}, kEmpty{}, kOnes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    kMixed{0, 0xFF, 0, 0xFF, 0, 0};

TEST_F(HistoryPurgeTest, RemoveByMacTakesTheFirstRecordAndItsStation) {
    AddRecord(core->db, kA, "A1");
    AddRecord(core->db, kB, "B");
    AddRecord(core->db, kA, "A2");
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

// Clearing the tables removes every record with an empty MAC (zero and 0xFF bytes alone) and
// saves what is left.
TEST_F(HistoryPurgeTest, ClearingTheStationTablesPurgesAndSaves) {
    AddRecord(core->db, kA, "A");
    AddRecord(core->db, kEmpty, "x");
    AddRecord(core->db, kOnes, "y");
    AddRecord(core->db, kB, "B");
    AddRecord(core->db, kMixed, "z");
    ClearStationTables(core->link);
    EXPECT_EQ(core->db.historyCount, 2);
    EXPECT_EQ(Labels(kMaxHistory), "AB");  // the slots behind are emptied
    auto other = Reopen();
    LoadDatabase(*other);
    EXPECT_EQ(other->db.historyCount, 2);
    EXPECT_EQ(FindHistoryByMac(other->db, kB.data()), 2);
}

}  // namespace
}  // namespace zentrel::test
