// plc.data: the golden file both ways, what a damaged, cut, huge or unreadable file gives, and the
// history operations.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <functional>

#include "RegistryFixture.h"
#include "support/Records.h"
#include "registry/Database.h"
#include "pages/Storage.h"
#include "registry/DeviceHistory.h"

using namespace zentrel;
using namespace zentrel::test;

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kCountOffset = 97480;
constexpr std::size_t kRecordsOffset = 97484;
constexpr char kGolden[] = ZENTREL_TEST_DATA "/plc-3records.data";

Mac M(std::uint8_t last) { return {0x00, 0xB0, 0x52, 0x10, 0x20, last}; }

void PutI32(std::vector<std::uint8_t>& b, std::size_t off, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[off + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

void AddPowerlineRow(ListModel& list, const std::string& speed, const Mac& mac, const std::string& pw = "") {
    if (!list.present) {
        list.present = true;
        for (const char* h : {"TEI", "Speed(Mbps)", "Bridged MAC Address", "MAC Address", "Password"}) list.InsertColumn(h, 80, 99);
    }
    const int r = list.AppendRow();
    list.SetCell(r, 1, speed);
    list.SetCell(r, 3, FormatMac(mac));
    list.SetCell(r, 4, pw);
}

class DatabaseTest : public RegistryTest {
protected:
    // The state tests/data/plc-3records.data holds: adapter 2 named "Garage", three records, a
    // station with a rate and a reserved byte, a moved and resized layout, a descending sort.
    void FillGoldenState(Core& c) {
        ResetDatabase(c.db, c.link);
        c.link.currentAdapter = 2;
        std::strcpy(c.link.tables[2].networkName, "Garage");
        c.link.tables[5].stations[3].rateValue = 123.5;
        c.link.tables[5].stations[3].reserved68[7] = 0xAB;
        c.link.tables[7].stations[31].missesTillDrop = -1;
        c.link.tables[7].stationCount = 0x01020304;
        auto& local = AddRecord(c.db, M(1), "01", "", 100);
        local.speed = 0xFF;
        local.localMark = 0xFF;
        AddRecord(c.db, M(2), "Device 2", "AAAA-BBBB-CCCC-DDDD", 200, 44);
        AddRecord(c.db, M(3), "Device 3", "", 300).reserved170[1] = 0x5C;
        c.db.listLayout.columnOrder = {4, 3, 2, 1, 0};
        c.db.listLayout.columnWidths = {10, 20, 30, 40, 50};
        c.db.sortAscending = 0;
        c.db.sortColumn = 3;
    }
};

TEST_F(DatabaseTest, GoldenFileBothWays) {
    const auto golden = ReadFile(kGolden);
    ASSERT_EQ(golden.size(), kDatabaseBaseBytes + 3 * kHistoryRecordBytes);
    FillGoldenState(*core);
    SaveDatabase(*core);
    EXPECT_TRUE(ReadBytes(kDatabaseFile) == golden) << "the saved file differs from " << kGolden;
    // Owner-only, and no temporary file left beside it.
    struct stat st{};
    ASSERT_EQ(::stat((dir / kDatabaseFile).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    WriteBytes(kDatabaseFile, golden);
    auto other = Reopen();
    LoadDatabase(*other);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(other->link.currentAdapter, 2);
    EXPECT_STREQ(other->link.tables[2].networkName, "Garage");
    EXPECT_STREQ(other->link.tables[0].networkName, "HomePlugAV");
    ASSERT_EQ(other->db.historyCount, 3);
    const HistoryRecord& r2 = other->db.history[1];
    EXPECT_EQ(RecordText(r2.password, 118), "AAAA-BBBB-CCCC-DDDD");
    EXPECT_EQ(FormatMac(r2.mac), "00:B0:52:10:20:02");
    // Every other field: the save above wrote the state right, so a load that misread a field
    // would not save the same bytes back.
    SaveDatabase(*other);
    EXPECT_TRUE(ReadBytes(kDatabaseFile) == golden) << "a loaded file is not saved back as it was";
}

// Each row edits the golden file and loads it into a core whose history count, adapter and sort
// column show whether the load touched them (9, -99, -99 before it).
TEST_F(DatabaseTest, DamagedFiles) {
    const std::string recover = "Unexpected condition reading database. Attempting to recover.";
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> edit;
        const char* caption;  // null: no message
        int historyCount;
        int currentAdapter;
        int sortColumn;
        bool keptAside;  // emptied at once, the damaged bytes kept as plc.data.damaged
    };
    auto put = [](std::size_t at, std::int32_t v) { return [=](std::vector<std::uint8_t>& b) { PutI32(b, at, v); }; };
    auto cut = [](std::size_t at) { return [=](std::vector<std::uint8_t>& b) { b.resize(at); }; };
    const Case cases[] = {
        {"version 305", put(0, 305), "Attention!", 0, 0, -99, true},
        {"version 400", put(0, 400), nullptr, 3, 2, 3, false},
        {"adapter 9", put(4, 9), nullptr, 3, 7, 3, false},
        {"adapter -1", put(4, -1), nullptr, 3, 0, 3, false},
        {"count 33", put(kCountOffset, 33), "Problem Occurred", 0, 2, -99, true},
        {"count -1", put(kCountOffset, -1), "Problem Occurred", 0, 2, -99, true},
        {"empty", cut(0), nullptr, 9, -99, -99, false},
        {"cut in version", cut(2), nullptr, 9, -99, -99, true},
        {"cut in station tables", cut(5000), nullptr, 9, 2, -99, true},
        {"cut in count", cut(kCountOffset + 2), nullptr, 9, 2, -99, true},
        {"cut in second record", cut(kRecordsOffset + 176 + 50), nullptr, 1, 2, -99, true},
        {"cut in layout", cut(98012 + 12), nullptr, 3, 2, -99, true},
        {"texts without terminator", [](auto& b) { std::memset(&b[kRecordsOffset], 'X', 32); std::memset(&b[kRecordsOffset + 42], 'Y', 118); },
         nullptr, 3, 2, 3, false},
        {"random bytes", [](auto& b) { for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 131 + 7); },
         "Attention!", 0, 0, -99, true},
    };
    const auto golden = ReadFile(kGolden);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto bytes = golden;
        c.edit(bytes);
        WriteBytes(kDatabaseFile, bytes);
        fs::remove(dir / kDamagedDatabaseFile);
        messages.shown.clear();
        auto fresh = Reopen();
        fresh->db.historyCount = 9;
        fresh->link.currentAdapter = -99;
        fresh->db.sortColumn = -99;
        LoadDatabase(*fresh);
        if (c.caption) {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].caption, c.caption);
            // Only the old-version warning says where the file went.
            const bool attention = std::strcmp(c.caption, "Attention!") == 0;
            EXPECT_EQ(messages.shown[0].text, recover + (attention ? " The previous database was kept as plc.data.damaged." : ""));
            EXPECT_EQ(messages.shown[0].icon, MsgIcon::Warning);
        } else {
            EXPECT_TRUE(messages.shown.empty());
        }
        EXPECT_EQ(fresh->db.historyCount, c.historyCount);
        EXPECT_EQ(fresh->link.currentAdapter, c.currentAdapter);
        EXPECT_EQ(fresh->db.sortColumn, c.sortColumn);
        EXPECT_EQ(ReadBytes(kDatabaseFile), c.keptAside ? std::vector<std::uint8_t>{} : bytes);
        EXPECT_EQ(fs::exists(dir / kDamagedDatabaseFile), c.keptAside);
        if (c.keptAside) {
            EXPECT_EQ(ReadBytes(kDamagedDatabaseFile), bytes);
            EXPECT_EQ(fs::status(dir / kDamagedDatabaseFile).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write);
        }
        for (int i = 0; i < fresh->db.historyCount && i < kMaxHistory; ++i) {
            const auto& r = fresh->db.history[static_cast<std::size_t>(i)];
            EXPECT_LT(std::strlen(r.label), sizeof r.label);
            EXPECT_LT(std::strlen(r.password), sizeof r.password);
        }
    }
}

TEST_F(DatabaseTest, HugeFileLoadsItsValidStartAndTheNextSaveDropsTheRest) {
    fs::copy_file(kGolden, dir / kDatabaseFile);
    fs::resize_file(dir / kDatabaseFile, 512u << 20);  // sparse: cheap to make, huge to read
    auto fresh = Reopen();
    LoadDatabase(*fresh);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(fresh->db.historyCount, 3);
    SaveDatabase(*fresh);
    EXPECT_EQ(ReadBytes(kDatabaseFile), ReadFile(kGolden));
}

TEST_F(DatabaseTest, UnreadableFileOrADirectoryLoadsAsMissingAndIsLeftAlone) {
    fs::copy_file(kGolden, dir / kDatabaseFile);
    ASSERT_EQ(::chmod((dir / kDatabaseFile).c_str(), 0), 0);
    const int result = RunUnprivileged([&] {
        if (::access((dir / kDatabaseFile).c_str(), R_OK) == 0) return 91;
        auto fresh = Reopen();
        fresh->db.historyCount = 9;
        LoadDatabase(*fresh);
        if (!messages.shown.empty()) return 1;
        return fresh->db.historyCount == 0 && fresh->link.currentAdapter == 0 ? 0 : 2;
    });
    EXPECT_EQ(result, 0);
    ::chmod((dir / kDatabaseFile).c_str(), 0600);
    EXPECT_EQ(ReadBytes(kDatabaseFile), ReadFile(kGolden));

    fs::remove(dir / kDatabaseFile);
    fs::create_directory(dir / kDatabaseFile);
    core->link.currentAdapter = 5;
    LoadDatabase(*core);
    EXPECT_EQ(core->link.currentAdapter, 0);
    AddRecord(core->db, M(1));
    SaveDatabase(*core);  // fails silently and leaves no temporary file behind
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(fs::is_directory(dir / kDatabaseFile));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(DatabaseTest, CompactionKeepsLatestAndFrontmostOnTies) {
    struct Case {
        std::vector<std::pair<std::uint8_t, std::int64_t>> in, out;
    };
    const Case cases[] = {
        {{{0xA, 5}, {0xB, 7}, {0xA, 9}}, {{0xB, 7}, {0xA, 9}}},
        {{{0xA, 9}, {0xB, 1}, {0xA, 5}, {0xA, 9}, {0xB, 2}}, {{0xA, 9}, {0xB, 2}}},
        {{{0xA, 1}, {0xB, 2}, {0xC, 3}}, {{0xA, 1}, {0xB, 2}, {0xC, 3}}},
    };
    for (const auto& c : cases) {
        core->db = DeviceDatabase{};
        for (const auto& [mac, seen] : c.in) AddRecord(core->db, M(mac), "Device", "", seen);
        SaveDatabase(*core);
        auto other = Reopen();
        LoadDatabase(*other);
        ASSERT_EQ(other->db.historyCount, static_cast<int>(c.out.size()));
        for (std::size_t i = 0; i < c.out.size(); ++i) {
            EXPECT_EQ(other->db.history[i].mac[5], c.out[i].first);
            EXPECT_EQ(other->db.history[i].lastSeen, c.out[i].second);
        }
        EXPECT_FALSE(IsMacSet(core->db.history[c.out.size()].mac));  // freed slots are zero
    }
    // Ties keep the record nearest the front, recognisable by its label.
    core->db = DeviceDatabase{};
    AddRecord(core->db, M(0xA), "first", "", 5);
    AddRecord(core->db, M(0xA), "second", "", 5);
    CompactHistory(core->db);
    ASSERT_EQ(core->db.historyCount, 1);
    EXPECT_EQ(RecordText(core->db.history[0].label, 32), "first");
}

TEST_F(DatabaseTest, UpdateHistoryRecordsLocalAndRemoteDevices) {
    clock.wallSeconds = 1000;
    auto& t = core->link.tables[0];
    std::memcpy(t.localMac, M(0x50).data(), 6);
    t.network.localTei = 0x0A;
    AddPowerlineRow(views.main.powerlineDevices, "300", M(0x61), "PASS-WORD");
    AddPowerlineRow(views.main.powerlineDevices, "87", M(0x62), std::string(200, 'p'));
    views.main.powerlineDevices.SetCell(1, 0, std::string(40, 'L'));
    UpdateHistory(*core);

    ASSERT_EQ(core->db.historyCount, 3);
    const auto& local = core->db.history[0];
    EXPECT_EQ(RecordText(local.label, 32), "0A");
    EXPECT_EQ(local.speed, 0xFF);
    EXPECT_EQ(local.localMark, 0xFF);
    const auto& r1 = core->db.history[1];
    EXPECT_EQ(r1.speed, 44);  // 300 keeps its low 8 bits
    EXPECT_EQ(r1.localMark, 0);
    EXPECT_EQ(RecordText(r1.password, 118), "PASS-WORD");
    EXPECT_EQ(r1.lastSeen, core->clock.Now());
    const auto& r2 = core->db.history[2];
    EXPECT_EQ(RecordText(r2.label, 32), std::string(31, 'L'));
    EXPECT_EQ(RecordText(r2.password, 118), std::string(117, 'p'));
    EXPECT_EQ(ReadBytes(kDatabaseFile).size(), kDatabaseBaseBytes + 3 * 176);  // and it saved

    // A second pass updates in place; the local device of the current adapter loses its password.
    SetRecordText(core->db.history[0].password, 118, "stale");
    clock.wallSeconds = 2000;
    t.network.localTei = 0x0B;
    views.main.powerlineDevices.SetCell(0, 1, "12 Mbps");
    UpdateHistory(*core);
    ASSERT_EQ(core->db.historyCount, 3);
    EXPECT_EQ(RecordText(core->db.history[0].label, 32), "0B");
    EXPECT_EQ(RecordText(core->db.history[0].password, 118), "");
    EXPECT_EQ(core->db.history[1].speed, 12);
    EXPECT_EQ(core->db.history[1].lastSeen, core->clock.Now());
}

TEST_F(DatabaseTest, ThirtyTwoRecordsThenTheOldestDeviceNotShownMakesRoom) {
    auto& list = views.main.powerlineDevices;
    for (int i = 0; i < kMaxHistory - 1; ++i) AddRecord(core->db, M(static_cast<std::uint8_t>(i)), "Device", "", 100 + i);
    AddPowerlineRow(list, "60", M(0xE0));
    UpdateHistory(*core);  // the 32nd device still has a slot of its own
    ASSERT_EQ(core->db.historyCount, kMaxHistory);
    EXPECT_EQ(FindHistoryByMac(core->db, M(0).data()), 1);
    EXPECT_EQ(FindHistoryByMac(core->db, M(0xE0).data()), 32);

    // The two oldest records are shown, one in each list: the third oldest makes room.
    views.main.localDevices.present = true;
    views.main.localDevices.InsertColumn("TEI", 35, 0);
    views.main.localDevices.InsertColumn("MAC Address", 115, 1);
    views.main.localDevices.SetCell(views.main.localDevices.AppendRow(), 1, FormatMac(M(0)));
    AddPowerlineRow(list, "50", M(1));
    AddPowerlineRow(list, "60", M(0xEE));
    SetRecordText(core->db.history[2].password, 118, "gone");
    UpdateHistory(*core);
    ASSERT_EQ(core->db.historyCount, kMaxHistory);
    EXPECT_EQ(FindHistoryByMac(core->db, M(0xEE).data()), 3);
    EXPECT_EQ(FindHistoryByMac(core->db, M(2).data()), 0);
    EXPECT_EQ(RecordText(core->db.history[2].password, 118), "");

    // When every record is shown, a new device is not recorded and nothing else changes.
    list.DeleteAllRows();
    for (int i = 0; i < kMaxHistory; ++i) AddPowerlineRow(list, "10", MacFromText(FormatMac(core->db.history[static_cast<std::size_t>(i)].mac)));
    AddPowerlineRow(list, "60", M(0xEF));
    UpdateHistory(*core);
    EXPECT_EQ(core->db.historyCount, kMaxHistory);
    EXPECT_EQ(FindHistoryByMac(core->db, M(0xEF).data()), 0);
}

}  // namespace
