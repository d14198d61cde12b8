// What each file the programs read gives when it is damaged, empty, huge or unreadable. Every
// case here is a row of docs/bad-files.md.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include "base/ByteReader.h"
#include "pages/Storage.h"
#include "pages/Preferences.h"
#include "registry/Database.h"
#include "registry/OemPrefs.h"
#include "registry/BmpImage.h"
#include "unit/RegistryFixture.h"

namespace zentrel::test {
namespace {

namespace fs = std::filesystem;

const char kRecoverText[] = "Unexpected condition reading database. Attempting to recover.";
const std::string kRecoverKeptText = std::string(kRecoverText) + " The previous database was kept as plc.data.damaged.";

// Runs `body` where a file of mode 000 really cannot be read. Root reads such files anyway, so
// under root the body runs in a child that has given up root for the unprivileged "nobody"
// account. Returns the body's result; 90 and above mean the set-up itself failed.
int RunUnprivileged(const std::function<int()>& body) {
    if (::geteuid() != 0) return body();
    const pid_t pid = ::fork();
    if (pid < 0) return 98;
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return 97;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

// Keeps the first `length` bytes. Erasing, unlike a shrinking resize, has no growth path for the
// compiler to warn about under the sanitizers.
void Cut(std::vector<std::uint8_t>& bytes, std::size_t length) {
    if (length < bytes.size()) bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(length), bytes.end());
}

// A plc.data as the program writes it, with `count` records.
struct BadFilesTest : RegistryTest {
    void SaveRecords(int count) {
        for (int i = 0; i < count; ++i) {
            auto& r = core->db.history[static_cast<std::size_t>(i)];
            SetRecordText(r.label, sizeof r.label, "Device " + std::to_string(i + 1));
            r.mac[0] = 0x00;
            r.mac[1] = 0xB0;
            r.mac[5] = static_cast<std::uint8_t>(i + 1);
            SetRecordText(r.password, sizeof r.password, "PASS-WORD-" + std::to_string(i));
            r.lastSeen = 1700000000 + i;
        }
        core->db.historyCount = count;
        core->link.currentAdapter = 2;
        std::memcpy(core->link.tables[2].networkName, "HomeNet", 8);
        SaveDatabase(*core);
    }
    std::size_t FileSize(const char* name) const { return static_cast<std::size_t>(fs::file_size(dir / name)); }
    bool SawWarning(const char* caption, const std::string& text = kRecoverText) const {
        return messages.shown.size() == 1 && messages.shown[0].caption == caption && messages.shown[0].text == text;
    }
};

// ---- plc.data -------------------------------------------------------------------------------

TEST_F(BadFilesTest, DatabaseEmptyLoadsNothingSilentlyAndTheNextSaveWritesAWholeFile) {
    WriteBytes(kDatabaseFile, {});
    LoadDatabase(*core);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(core->db.historyCount, 0);
    SaveDatabase(*core);
    EXPECT_EQ(FileSize(kDatabaseFile), kDatabaseBaseBytes);
    EXPECT_FALSE(fs::exists(dir / kDamagedDatabaseFile));  // nothing to keep
}

TEST_F(BadFilesTest, DatabaseDamagedHeadersAndCounts) {
    SaveRecords(3);
    const auto good = ReadBytes(kDatabaseFile);
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        const char* caption;       // nullptr: no message
        int historyAfter;          // records kept in memory
        std::int32_t adapterAfter; // current adapter kept in memory
        bool fileEmptied;          // the file is recreated empty at once, the damaged one kept
    };
    const Case cases[] = {
        {"old version", [](auto& b) { b[0] = 0x31; b[1] = 0x01; }, "Attention!", 0, 0, true},
        {"count 33", [](auto& b) { b[97480] = 33; }, "Problem Occurred", 0, 2, true},
        {"negative count", [](auto& b) { std::memset(&b[97480], 0xFF, 4); }, "Problem Occurred", 0, 2, true},
        {"cut inside record 2", [](auto& b) { Cut(b, 97484 + 176 + 100); }, nullptr, 1, 2, true},
        {"cut inside the station tables", [](auto& b) { Cut(b, 5000); }, nullptr, 0, 2, true},
        {"cut before the sort state", [](auto& b) { Cut(b, b.size() - 4); }, nullptr, 3, 2, true},
        {"adapter 9", [](auto& b) { b[4] = 9; }, nullptr, 3, 7, false},
        {"random bytes", [](auto& b) { for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 131 + 7); }, "Attention!", 0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto bytes = good;
        c.damage(bytes);
        WriteBytes(kDatabaseFile, bytes);
        auto fresh = Reopen();
        messages.shown.clear();
        LoadDatabase(*fresh);
        if (c.caption) {
            // Only the old-version warning says where the file went.
            EXPECT_TRUE(SawWarning(c.caption, std::strcmp(c.caption, "Attention!") == 0 ? kRecoverKeptText : kRecoverText));
        } else {
            EXPECT_TRUE(messages.shown.empty());
        }
        EXPECT_EQ(fresh->db.historyCount, c.historyAfter);
        EXPECT_EQ(fresh->link.currentAdapter, c.adapterAfter);
        EXPECT_EQ(FileSize(kDatabaseFile) == 0, c.fileEmptied);
        // A recreated file's damaged content is kept, owner-only, replacing the previous case's copy.
        const bool kept = fs::exists(dir / kDamagedDatabaseFile) && ReadBytes(kDamagedDatabaseFile) == bytes;
        EXPECT_EQ(kept, c.fileEmptied);
        if (kept) {
            EXPECT_EQ(fs::status(dir / kDamagedDatabaseFile).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write);
        }
        // Whatever was kept in memory is what the next save writes back.
        SaveDatabase(*fresh);
        EXPECT_EQ(FileSize(kDatabaseFile), kDatabaseBaseBytes + 176u * static_cast<std::size_t>(c.historyAfter));
    }
}

// When the damaged file cannot be put aside, it is not emptied either: the next save replaces it.
TEST_F(BadFilesTest, DatabaseDamagedIsLeftAloneWhenItCannotBeKept) {
    SaveRecords(2);
    const auto good = ReadBytes(kDatabaseFile);
    fs::create_directory(dir / kDamagedDatabaseFile);  // a file cannot be renamed over a directory
    for (const bool oldVersion : {false, true}) {
        auto bytes = good;
        if (oldVersion) {
            bytes[1] = 0;
        } else {
            Cut(bytes, 97484 + 100);
        }
        WriteBytes(kDatabaseFile, bytes);
        auto fresh = Reopen();
        messages.shown.clear();
        LoadDatabase(*fresh);
        EXPECT_EQ(ReadBytes(kDatabaseFile), bytes);
        EXPECT_TRUE(fs::is_directory(dir / kDamagedDatabaseFile));
        // The warning does not claim a copy that was not made.
        if (oldVersion) {
            EXPECT_TRUE(SawWarning("Attention!"));
        }
    }
}

TEST_F(BadFilesTest, DatabaseHugeFileLoadsItsValidStartAndTheNextSaveDropsTheRest) {
    SaveRecords(3);
    {
        std::ofstream f(dir / kDatabaseFile, std::ios::binary | std::ios::app);
        f << std::string(1 << 20, 'J');
    }
    fs::resize_file(dir / kDatabaseFile, 512u << 20);  // sparse: cheap to make, huge to read
    auto fresh = Reopen();
    LoadDatabase(*fresh);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(fresh->db.historyCount, 3);
    EXPECT_EQ(RecordText(fresh->db.history[2].password, 118), "PASS-WORD-2");
    SaveDatabase(*fresh);
    EXPECT_EQ(FileSize(kDatabaseFile), kDatabaseBaseBytes + 3 * 176u);
}

TEST_F(BadFilesTest, DatabaseUnreadableLoadsAsMissingWithoutAMessage) {
    SaveRecords(2);
    ASSERT_EQ(::chmod((dir / kDatabaseFile).c_str(), 0), 0);
    const int result = RunUnprivileged([&] {
        if (::access((dir / kDatabaseFile).c_str(), R_OK) == 0) return 91;
        auto fresh = Reopen();
        LoadDatabase(*fresh);
        if (!messages.shown.empty()) return 1;
        if (fresh->db.historyCount != 0 || fresh->link.currentAdapter != 0) return 2;
        if (std::strcmp(fresh->link.tables[2].networkName, kDefaultNetworkName) != 0) return 3;
        return 0;
    });
    EXPECT_EQ(result, 0);
    // The load leaves the file alone: nothing in it is lost until the next save replaces it.
    ::chmod((dir / kDatabaseFile).c_str(), 0600);
    EXPECT_EQ(FileSize(kDatabaseFile), kDatabaseBaseBytes + 2 * 176u);
}

TEST_F(BadFilesTest, DatabaseDirectoryInItsPlaceLoadsAsMissingAndSavesFailSilently) {
    fs::create_directory(dir / kDatabaseFile);
    core->link.currentAdapter = 5;
    LoadDatabase(*core);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(core->db.historyCount, 0);
    EXPECT_EQ(core->link.currentAdapter, 0);
    EXPECT_STREQ(core->link.tables[3].networkName, kDefaultNetworkName);
    SaveRecords(1);
    EXPECT_TRUE(fs::is_directory(dir / kDatabaseFile));
    EXPECT_TRUE(messages.shown.empty());
    // No temporary file is left behind by the failed replacement.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++entries;
    EXPECT_EQ(entries, 1);
}

// ---- OEMPrefs.dat ---------------------------------------------------------------------------

std::vector<std::uint8_t> ShippedPrefs() {
    std::vector<std::uint8_t> b;
    ByteWriter w(b);
    w.I32(12);  // ticksPerPhase
    w.I16(2);   // qualityStyle
    w.I32(0);
    w.I16(0);   // showIcons: grid lines
    for (int i = 0; i < 9; ++i) w.I16(1);
    w.I16(0);   // use12HourClock
    auto text = [&](const std::string& s, std::size_t width) {
        std::vector<std::uint8_t> field(width, 0);
        std::memcpy(field.data(), s.data(), std::min(s.size(), width));
        w.Write(field.data(), width);
    };
    text("http://example.org", 64);
    text("Brand Utility", 64);
    text("", 27);
    text("(C) Brand", 80);
    return b;
}

TEST_F(BadFilesTest, OemPrefsEmptyShortHugeAndUnterminated) {
    const auto shipped = ShippedPrefs();
    ASSERT_EQ(shipped.size(), kOemPrefsBytes);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::int32_t ticks;
        std::int16_t autoScan;
        std::string title;
        std::string legal;
    };
    auto huge = shipped;
    huge.resize(4u << 20, 0xAB);
    auto unterminated = shipped;
    std::memset(unterminated.data() + 96, 'T', 64);
    std::memset(unterminated.data() + 187, 'L', 80);
    const Case cases[] = {
        {"empty", {}, 1, 0, "", ""},
        {"cut inside the title", {shipped.begin(), shipped.begin() + 120}, 12, 1, "", ""},
        {"cut before the notice", {shipped.begin(), shipped.begin() + 200}, 12, 1, "Brand Utility", ""},
        {"huge", huge, 12, 1, "Brand Utility", "(C) Brand"},
        {"texts without terminator", unterminated, 12, 1, std::string(64, 'T'), std::string(80, 'L')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(kOemPrefsFile, c.bytes);
        auto fresh = Reopen();
        LoadOemPrefs(*fresh);
        EXPECT_EQ(fresh->prefs.ticksPerPhase, c.ticks);
        EXPECT_EQ(fresh->prefs.autoScan, c.autoScan);
        EXPECT_EQ(fresh->scan.autoRefreshOff, c.autoScan ? 0 : 1);
        EXPECT_EQ(fresh->prefs.title, c.title);
        EXPECT_EQ(fresh->prefs.legalNotice, c.legal);
        EXPECT_TRUE(messages.shown.empty());
    }
    // The program never writes the file: what the vendor shipped stays as it was.
    EXPECT_EQ(ReadBytes(kOemPrefsFile), unterminated);
}

TEST_F(BadFilesTest, OemPrefsUnreadableGivesTheDefaults) {
    WriteBytes(kOemPrefsFile, ShippedPrefs());
    ASSERT_EQ(::chmod((dir / kOemPrefsFile).c_str(), 0), 0);
    const int result = RunUnprivileged([&] {
        if (::access((dir / kOemPrefsFile).c_str(), R_OK) == 0) return 91;
        auto fresh = Reopen();
        LoadOemPrefs(*fresh);
        if (fresh->prefs.title != "Zentrel Utility") return 1;
        if (fresh->prefs.ticksPerPhase != 30 || fresh->prefs.autoScan != 1) return 2;
        return messages.shown.empty() ? 0 : 3;
    });
    EXPECT_EQ(result, 0);
}

TEST_F(BadFilesTest, OemPrefsDirectoryInItsPlaceGivesTheDefaults) {
    fs::create_directory(dir / kOemPrefsFile);
    LoadOemPrefs(*core);
    EXPECT_EQ(core->prefs.ticksPerPhase, 30);
    EXPECT_EQ(core->prefs.autoScan, 1);
    EXPECT_EQ(core->prefs.title, "Zentrel Utility");
}

// ---- OUIList.txt ----------------------------------------------------------------------------

TEST_F(BadFilesTest, VendorListEmptyDamagedAndBinary) {
    struct Case {
        const char* what;
        std::string text;
        int entries;  // -1: whatever the bytes happen to hold, within the table's room
    };
    std::string binary;
    for (int i = 0; i < 4000; ++i) binary.push_back(static_cast<char>(i * 73 + 11));
    const Case cases[] = {
        {"empty", "", 0},
        {"damaged third line ends the list",
         "00B052\tSome_Vendor\n0000A1\tMy_Vendor\nZZ\tbroken\n001122\tAfter\n" + std::string(40, ' '), 2},
        {"name longer than the field", "00B052\tA_very_long_vendor_name\n" + std::string(20, '\n'), 1},
        {"binary", binary, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(kVendorListFile, c.text);
        LoadVendorList(*core);
        if (c.entries >= 0) {
            EXPECT_EQ(core->vendors.size(), static_cast<std::size_t>(c.entries));
        }
        EXPECT_LE(core->vendors.size(), c.text.size() / 20);
        for (const auto& v : core->vendors) EXPECT_NE(std::memchr(v.name, '\0', sizeof v.name), nullptr);
    }
}

TEST_F(BadFilesTest, VendorListHugeIsReadOnlyAsFarAsNeeded) {
    std::string lines;
    for (int i = 0; i < 1000; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "00B0%02X\tVendor_%d\n", i % 256, i);
        lines += line;
    }
    WriteText(kVendorListFile, lines);
    fs::resize_file(dir / kVendorListFile, 2ull << 30);  // sparse 2 GiB of zero bytes after the lines
    LoadVendorList(*core);
    EXPECT_EQ(core->vendors.size(), 1000u);
    EXPECT_STREQ(core->vendors[999].name, "Vendor 999");
}

TEST_F(BadFilesTest, VendorListDirectoryInItsPlaceGivesAnEmptyTable) {
    WriteText(kVendorListFile, "00B052\tSome_Vendor\n" + std::string(40, '\n'));
    LoadVendorList(*core);
    ASSERT_EQ(core->vendors.size(), 1u);
    fs::remove(dir / kVendorListFile);
    fs::create_directory(dir / kVendorListFile);
    LoadVendorList(*core);
    EXPECT_TRUE(core->vendors.empty());
}

TEST_F(BadFilesTest, VendorListUnreadableGivesAnEmptyTable) {
    WriteText(kVendorListFile, "00B052\tSome_Vendor\n" + std::string(40, '\n'));
    ASSERT_EQ(::chmod((dir / kVendorListFile).c_str(), 0), 0);
    const int result = RunUnprivileged([&] {
        if (::access((dir / kVendorListFile).c_str(), R_OK) == 0) return 91;
        LoadVendorList(*core);
        return core->vendors.empty() ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
}

// ---- oemSmall.bmp, oemBig.bmp ---------------------------------------------------------------

std::vector<std::uint8_t> SmallBmp(int width, int height) {
    std::vector<std::uint8_t> b;
    ByteWriter w(b);
    const std::uint32_t stride = static_cast<std::uint32_t>((width * 3 + 3) & ~3);
    const std::uint32_t pixels = stride * static_cast<std::uint32_t>(height);
    w.U8('B');
    w.U8('M');
    w.U32(54 + pixels);
    w.U32(0);
    w.U32(54);
    w.U32(40);
    w.I32(width);
    w.I32(height);
    w.U16(1);
    w.U16(24);
    for (int i = 0; i < 6; ++i) w.U32(0);
    for (std::uint32_t i = 0; i < pixels; ++i) w.U8(0x80);
    return b;
}

TEST_F(BadFilesTest, BitmapsDamagedEmptyAndHugeAreNotDrawn) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool drawn;
    };
    auto badSignature = SmallBmp(4, 4);
    badSignature[0] = 'X';
    auto cutHeader = SmallBmp(4, 4);
    Cut(cutHeader, 30);
    auto hugePicture = SmallBmp(4, 4);
    hugePicture[18] = 0x00, hugePicture[19] = 0x00, hugePicture[20] = 0x01;  // width 65536
    hugePicture[22] = 0x00, hugePicture[23] = 0x00, hugePicture[24] = 0x01;  // height 65536
    auto shortPixels = SmallBmp(8, 8);
    Cut(shortPixels, 80);
    const Case cases[] = {
        {"valid", SmallBmp(4, 4), true},
        {"empty", {}, false},
        {"wrong signature", badSignature, false},
        {"header cut off", cutHeader, false},
        {"65536 x 65536 pixels announced", hugePicture, false},
        {"pixels cut off: missing bytes read as black", shortPixels, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BmpPixels pixels;
        EXPECT_EQ(DecodeBmp(c.bytes, pixels), c.drawn);
        EXPECT_EQ(pixels.rgb.empty(), !c.drawn);
    }
}

}  // namespace
}  // namespace zentrel::test
