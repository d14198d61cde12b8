#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "RegistryFixture.h"
#include "base/ByteReader.h"
#include "registry/DeviceHistory.h"
#include "pages/Storage.h"
#include "registry/Database.h"

using namespace zentrel;
using namespace zentrel::test;

namespace {

constexpr std::size_t kCountOffset = 97480;
constexpr std::size_t kRecordsOffset = 97484;

Mac M(std::uint8_t last) { return {0x00, 0xB0, 0x52, 0x10, 0x20, last}; }

void AddRecord(Core& core, const Mac& mac, std::int64_t seen, const char* label = "Device", const char* pw = "") {
    auto& rec = core.db.history[static_cast<std::size_t>(core.db.historyCount++)];
    rec = HistoryRecord{};
    std::memcpy(rec.mac, mac.data(), 6);
    rec.lastSeen = seen;
    SetRecordText(rec.label, sizeof rec.label, label);
    SetRecordText(rec.password, sizeof rec.password, pw);
}

std::int32_t I32At(const std::vector<std::uint8_t>& b, std::size_t off) {
    ByteReader r(std::span<const std::uint8_t>(b).subspan(off));
    std::int32_t v = 0;
    r.I32(v);
    return v;
}

void PutI32(std::vector<std::uint8_t>& b, std::size_t off, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[off + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
}

void MakePowerlineList(ListModel& list) {
    list.present = true;
    for (const char* h : {"TEI", "Speed(Mbps)", "Bridged MAC Address", "MAC Address", "Password"}) list.InsertColumn(h, 80, 99);
}

void AddPowerlineRow(ListModel& list, const std::string& label, const std::string& speed, const Mac& mac,
                     const std::string& pw = "") {
    const int r = list.AppendRow();
    list.SetCell(r, 0, label);
    list.SetCell(r, 1, speed);
    list.SetCell(r, 3, FormatMac(mac));
    list.SetCell(r, 4, pw);
}

class DatabaseTest : public RegistryTest {
protected:
    // A file of three records, adapter 2, a distinctive layout and sort state.
    std::vector<std::uint8_t> ThreeRecordFile() {
        core->link.currentAdapter = 2;
        std::memcpy(core->link.tables[2].networkName, "Garage", 7);
        AddRecord(*core, M(1), 100, "01", "");
        AddRecord(*core, M(2), 200, "Device 2", "AAAA-BBBB-CCCC-DDDD");
        AddRecord(*core, M(3), 300, "Device 3", "");
        core->db.listLayout.columnOrder = {4, 3, 2, 1, 0};
        core->db.listLayout.columnWidths = {10, 20, 30, 40, 50};
        core->db.sortAscending = 0;
        core->db.sortColumn = 3;
        SaveDatabase(*core);
        return ReadBytes(kDatabaseFile);
    }
};

TEST_F(DatabaseTest, FileLayoutOfThreeRecords) {
    const auto b = ThreeRecordFile();
    ASSERT_EQ(b.size(), 98060u);
    EXPECT_EQ(I32At(b, 0), 306);
    EXPECT_EQ(I32At(b, 4), 2);
    EXPECT_EQ(std::memcmp(&b[8 + 2 * kStationTableBytes + 6], "Garage", 7), 0);
    EXPECT_EQ(I32At(b, kCountOffset), 3);
    EXPECT_EQ(std::memcmp(&b[kRecordsOffset + 36], M(1).data(), 6), 0);
    EXPECT_EQ(std::memcmp(&b[kRecordsOffset + 176 + 42], "AAAA-BBBB-CCCC-DDDD", 20), 0);
    EXPECT_EQ(b[kRecordsOffset + 2 * 176 + 160], 0x2C);  // lastSeen 300, little-endian
    EXPECT_EQ(b[kRecordsOffset + 2 * 176 + 161], 0x01);
    EXPECT_EQ(I32At(b, 98012), 4);  // columnOrder
    EXPECT_EQ(I32At(b, 98032), 10);  // columnWidths
    EXPECT_EQ(I32At(b, 98052), 0);  // sortAscending
    EXPECT_EQ(I32At(b, 98056), 3);  // sortColumn
}

TEST_F(DatabaseTest, SavedFileIsPrivateAndNoTemporaryStays) {
    ThreeRecordFile();
    struct stat st{};
    ASSERT_EQ(::stat((dir / kDatabaseFile).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(DatabaseTest, RoundTripKeepsEverything) {
    ThreeRecordFile();
    core->link.tables[5].stations[3].rateValue = 123.5;
    core->link.tables[5].stations[3].reserved68[7] = 0xAB;  // reserved bytes survive as they were
    SaveDatabase(*core);
    auto other = Reopen();
    LoadDatabase(*other);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(other->link.currentAdapter, 2);
    EXPECT_STREQ(other->link.tables[2].networkName, "Garage");
    EXPECT_EQ(other->link.tables[5].stations[3].rateValue, 123.5);
    EXPECT_EQ(other->link.tables[5].stations[3].reserved68[7], 0xAB);
    ASSERT_EQ(other->db.historyCount, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(std::memcmp(&other->db.history[static_cast<std::size_t>(i)], &core->db.history[static_cast<std::size_t>(i)],
                              sizeof(HistoryRecord)),
                  0);
    EXPECT_EQ(other->db.listLayout.columnOrder, (std::array<std::int32_t, 5>{4, 3, 2, 1, 0}));
    EXPECT_EQ(other->db.listLayout.columnWidths, (std::array<std::int32_t, 5>{10, 20, 30, 40, 50}));
    EXPECT_EQ(other->db.sortAscending, 0);
    EXPECT_EQ(other->db.sortColumn, 3);
}

TEST_F(DatabaseTest, MissingFileResetsWithoutMessage) {
    core->db.historyCount = 1;
    core->link.currentAdapter = 3;
    LoadDatabase(*core);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(core->db.historyCount, 0);
    EXPECT_EQ(core->link.currentAdapter, 0);
    for (const auto& t : core->link.tables) EXPECT_STREQ(t.networkName, "HomePlugAV");
    EXPECT_FALSE(std::filesystem::exists(dir / kDatabaseFile));
}

// Each row edits a saved three-record file and loads it into a fresh core.
struct LoadCase {
    const char* name;
    std::size_t cutAt;     // 0: keep the whole file
    std::size_t offset;    // where `value` is written, when set
    std::int32_t value;
    const char* caption;   // expected message caption, or null for none
    int historyCount;
    int currentAdapter;    // -99: the untouched pre-load value
    bool fileEmptied;
    int sortColumn;        // -99: untouched
};

TEST_F(DatabaseTest, EveryLoadPath) {
    const LoadCase cases[] = {
        {"version 305", 0, 0, 305, "Attention!", 0, 0, true, -99},
        {"version 400", 0, 0, 400, nullptr, 3, 2, false, 3},
        {"adapter 9", 0, 4, 9, nullptr, 3, 7, false, 3},
        {"adapter -1", 0, 4, -1, nullptr, 3, 0, false, 3},
        {"count 33", 0, kCountOffset, 33, "Problem Occurred", 0, 2, true, -99},
        {"count -1", 0, kCountOffset, -1, "Problem Occurred", 0, 2, true, -99},
        {"cut in version", 2, 0, 0, nullptr, 9, -99, true, -99},
        {"cut in adapter", 6, 0, 0, nullptr, 9, -99, true, -99},
        {"cut in station tables", 5000, 0, 0, nullptr, 9, 2, true, -99},
        {"cut in count", kCountOffset + 2, 0, 0, nullptr, 9, 2, true, -99},
        {"cut in second record", kRecordsOffset + 176 + 50, 0, 0, nullptr, 1, 2, true, -99},
        {"cut in layout", 98012 + 12, 0, 0, nullptr, 3, 2, true, -99},
        {"cut in sortColumn", 98058, 0, 0, nullptr, 3, 2, true, -99},
    };
    const auto original = ThreeRecordFile();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = original;
        if (c.cutAt) bytes.resize(c.cutAt);
        else PutI32(bytes, c.offset, c.value);
        WriteBytes(kDatabaseFile, bytes);
        messages.shown.clear();

        Views freshViews;
        Core fresh(wire, messages, freshViews, clock, nullptr, dir);
        fresh.db.historyCount = 9;  // shows whether the load touched it
        fresh.link.currentAdapter = -99;
        fresh.db.sortColumn = -99;
        LoadDatabase(fresh);

        if (c.caption) {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].caption, c.caption);
            // What follows says where the file was kept (BadFilesTest).
            EXPECT_EQ(messages.shown[0].text.rfind("Unexpected condition reading database. Attempting to recover.", 0), 0u);
            EXPECT_EQ(messages.shown[0].icon, MsgIcon::Warning);
            EXPECT_EQ(messages.shown[0].buttons, MsgButtons::Ok);
        } else {
            EXPECT_TRUE(messages.shown.empty());
        }
        EXPECT_EQ(fresh.db.historyCount, c.historyCount);
        EXPECT_EQ(fresh.link.currentAdapter, c.currentAdapter);
        EXPECT_EQ(fresh.db.sortColumn, c.sortColumn);
        EXPECT_EQ(std::filesystem::file_size(dir / kDatabaseFile), c.fileEmptied ? 0u : bytes.size());
        for (int i = c.historyCount; i < kMaxHistory && c.historyCount != 9; ++i)
            EXPECT_FALSE(IsMacSet(fresh.db.history[static_cast<std::size_t>(i)].mac)) << "slot " << i;
    }
}

TEST_F(DatabaseTest, ShortFileKeepsWhatWasReadBefore) {
    const auto original = ThreeRecordFile();
    auto cut = original;
    cut.resize(kRecordsOffset + 176 + 10);
    WriteBytes(kDatabaseFile, cut);
    auto other = Reopen();
    LoadDatabase(*other);
    ASSERT_EQ(other->db.historyCount, 1);
    EXPECT_EQ(RecordText(other->db.history[0].label, 32), "01");
    EXPECT_STREQ(other->link.tables[2].networkName, "Garage");
}

TEST_F(DatabaseTest, EmptyHistoryIsSavedAndLoadedWithoutWarning) {
    SaveDatabase(*core);
    EXPECT_EQ(ReadBytes(kDatabaseFile).size(), 97532u);
    core->db.historyCount = 5;
    LoadDatabase(*core);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(core->db.historyCount, 0);
    EXPECT_EQ(ReadBytes(kDatabaseFile).size(), 97532u);
}

TEST_F(DatabaseTest, CompactionKeepsLatestAndFrontmostOnTies) {
    struct Case {
        std::vector<std::pair<std::uint8_t, std::int64_t>> in, out;
    };
    const Case cases[] = {
        {{{0xA, 5}, {0xB, 7}, {0xA, 9}}, {{0xB, 7}, {0xA, 9}}},
        {{{0xA, 5}, {0xA, 5}}, {{0xA, 5}}},
        {{{0xA, 9}, {0xB, 1}, {0xA, 5}, {0xA, 9}, {0xB, 2}}, {{0xA, 9}, {0xB, 2}}},
        {{{0xA, 1}, {0xB, 2}, {0xC, 3}}, {{0xA, 1}, {0xB, 2}, {0xC, 3}}},
    };
    for (const auto& c : cases) {
        core->db = DeviceDatabase{};
        for (std::size_t i = 0; i < c.in.size(); ++i) {
            // Appended, not "r" + ...: GCC 12 at -O3 takes that for an overlapping copy (-Wrestrict).
            std::string label = "r";
            label += std::to_string(i);
            AddRecord(*core, M(c.in[i].first), c.in[i].second, label.c_str());
        }
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
    AddRecord(*core, M(0xA), 5, "first");
    AddRecord(*core, M(0xA), 5, "second");
    CompactHistory(core->db);
    ASSERT_EQ(core->db.historyCount, 1);
    EXPECT_EQ(RecordText(core->db.history[0].label, 32), "first");
}

TEST_F(DatabaseTest, FindByMac) {
    AddRecord(*core, M(1), 1);
    AddRecord(*core, M(2), 1);
    EXPECT_EQ(FindHistoryByMac(core->db, M(1).data()), 1);
    EXPECT_EQ(FindHistoryByMac(core->db, M(2).data()), 2);
    EXPECT_EQ(FindHistoryByMac(core->db, M(9).data()), 0);
    EXPECT_EQ(FindHistoryByMacText(core->db, "00:B0:52:10:20:02"), 2);
    EXPECT_EQ(FindHistoryByMacText(core->db, "00:b0:52:10:20:02"), 0);
}

TEST_F(DatabaseTest, UpdateHistoryRecordsLocalAndRemoteDevices) {
    clock.wallSeconds = 1000;
    auto& t = core->link.tables[0];
    std::memcpy(t.localMac, M(0x50).data(), 6);
    t.localTei = 0x0A;
    MakePowerlineList(views.main.powerlineDevices);
    AddPowerlineRow(views.main.powerlineDevices, "Device 2", "300", M(0x61), "PASS-WORD");
    AddPowerlineRow(views.main.powerlineDevices, std::string(40, 'L'), "87", M(0x62), std::string(200, 'p'));
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
    EXPECT_EQ(ReadBytes(kDatabaseFile).size(), 97532u + 3 * 176);  // and it saved

    // A second pass updates in place; the local device of the current adapter loses its password.
    SetRecordText(core->db.history[0].password, 118, "stale");
    clock.wallSeconds = 2000;
    t.localTei = 0x0B;
    views.main.powerlineDevices.SetCell(0, 1, "12 Mbps");
    UpdateHistory(*core);
    ASSERT_EQ(core->db.historyCount, 3);
    EXPECT_EQ(RecordText(core->db.history[0].label, 32), "0B");
    EXPECT_EQ(RecordText(core->db.history[0].password, 118), "");
    EXPECT_EQ(core->db.history[1].speed, 12);
    EXPECT_EQ(core->db.history[1].lastSeen, core->clock.Now());
}

TEST_F(DatabaseTest, FullHistoryReplacesOldestDeviceNotShown) {
    MakePowerlineList(views.main.powerlineDevices);
    views.main.localDevices.present = true;
    views.main.localDevices.InsertColumn("TEI", 35, 0);
    views.main.localDevices.InsertColumn("MAC Address", 115, 1);
    for (int i = 0; i < kMaxHistory; ++i) AddRecord(*core, M(static_cast<std::uint8_t>(i)), 100 + i);
    // The two oldest records are shown: one in each list.
    const int lr = views.main.localDevices.AppendRow();
    views.main.localDevices.SetCell(lr, 1, FormatMac(M(0)));
    AddPowerlineRow(views.main.powerlineDevices, "Device 2", "50", M(1));
    AddPowerlineRow(views.main.powerlineDevices, "New", "60", M(0xEE));
    UpdateHistory(*core);

    ASSERT_EQ(core->db.historyCount, kMaxHistory);
    EXPECT_EQ(FindHistoryByMac(core->db, M(0xEE).data()), 3);  // took record 3 (lastSeen 102)
    EXPECT_EQ(FindHistoryByMac(core->db, M(2).data()), 0);
    EXPECT_EQ(FindHistoryByMac(core->db, M(0).data()), 1);
    EXPECT_EQ(RecordText(core->db.history[2].password, 118), "");

    // When every record is shown, a new device is not recorded and nothing else changes.
    core->db = DeviceDatabase{};
    views.main.powerlineDevices.DeleteAllRows();
    for (int i = 0; i < kMaxHistory; ++i) {
        AddRecord(*core, M(static_cast<std::uint8_t>(i)), 100 + i);
        AddPowerlineRow(views.main.powerlineDevices, "D", "10", M(static_cast<std::uint8_t>(i)));
    }
    AddPowerlineRow(views.main.powerlineDevices, "New", "60", M(0xEE));
    UpdateHistory(*core);
    EXPECT_EQ(core->db.historyCount, kMaxHistory);
    EXPECT_EQ(FindHistoryByMac(core->db, M(0xEE).data()), 0);
    EXPECT_EQ(ReadBytes(kDatabaseFile).size(), 97532u + 32 * 176);
}

TEST_F(DatabaseTest, ResetGivesDefaultNamesAndEmptyHistory) {
    AddRecord(*core, M(1), 1, "x", "secret");
    core->link.currentAdapter = 4;
    core->link.tables[1].localFound = 1;
    ResetDatabase(core->db, core->link);
    EXPECT_EQ(core->db.historyCount, 0);
    EXPECT_EQ(core->link.currentAdapter, 0);
    EXPECT_EQ(core->link.tables[1].localFound, 0);
    for (const auto& t : core->link.tables) EXPECT_STREQ(t.networkName, "HomePlugAV");
    // A record later written into slot 0 does not inherit the old password.
    EXPECT_EQ(RecordText(core->db.history[0].password, 118), "");
}

TEST_F(DatabaseTest, ListLayoutGoesThroughThePowerlineList) {
    auto& list = views.main.powerlineDevices;
    MakePowerlineList(list);
    core->db.listLayout.columnOrder = {1, 0, 2, 4, 3};
    core->db.listLayout.columnWidths = {0x1FFFE, 70000, 50, -2, 0};
    ApplyListLayout(*core, list);
    EXPECT_EQ(list.columnOrder, (std::vector<int>{1, 0, 2, 4, 3}));
    EXPECT_EQ(list.columns[0].width, -2);    // low 16 bits, signed
    EXPECT_EQ(list.columns[1].width, 4464);  // 70000 - 65536
    EXPECT_EQ(list.columns[3].width, -2);

    // An order that does not name each column once is not applied.
    core->db.listLayout.columnOrder = {0, 0, 9, 1, 2};
    ApplyListLayout(*core, list);
    EXPECT_EQ(list.columnOrder, (std::vector<int>{1, 0, 2, 4, 3}));

    list.columns[2].width = 123;
    list.columnOrder = {4, 3, 2, 1, 0};
    SaveDatabase(*core);
    EXPECT_EQ(core->db.listLayout.columnOrder, (std::array<std::int32_t, 5>{4, 3, 2, 1, 0}));
    EXPECT_EQ(core->db.listLayout.columnWidths[2], 123);
    EXPECT_EQ(I32At(ReadBytes(kDatabaseFile), 97484 + 20 + 8), 123);
}

TEST_F(DatabaseTest, LoadedTextsAreAlwaysTerminated) {
    AddRecord(*core, M(1), 1);
    SaveDatabase(*core);
    auto bytes = ReadBytes(kDatabaseFile);
    std::memset(&bytes[kRecordsOffset], 'X', 32);
    std::memset(&bytes[kRecordsOffset + 42], 'Y', 118);
    WriteBytes(kDatabaseFile, bytes);
    auto other = Reopen();
    LoadDatabase(*other);
    ASSERT_EQ(other->db.historyCount, 1);
    EXPECT_EQ(std::strlen(other->db.history[0].label), 31u);
    EXPECT_EQ(std::strlen(other->db.history[0].password), 117u);
}

}  // namespace
