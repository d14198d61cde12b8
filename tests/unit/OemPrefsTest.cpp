// The files the maker ships beside the program, which it only reads: OEMPrefs.dat (the golden
// file and what a missing, cut or huge file gives) and OUIList.txt (lines of six hex digits, a
// tab and a name; room for one entry per 20 bytes).
#include <cstring>
#include <tuple>

#include "RegistryFixture.h"
#include "pages/Preferences.h"
#include "registry/OemPrefs.h"

namespace zentrel::test {
namespace {

std::vector<std::uint8_t> Golden() {
    std::ifstream f(ZENTREL_TEST_DATA "/OEMPrefs.dat", std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

using OemPrefsTest = RegistryTest;

TEST_F(OemPrefsTest, GoldenFile) {
    auto bytes = Golden();
    ASSERT_EQ(bytes.size(), kOemPrefsBytes);
    bytes.resize(400, 'x');  // bytes past the record are not read
    WriteBytes(kOemPrefsFile, bytes);
    LoadOemPrefs(*core);
    const auto& p = core->prefs;
    EXPECT_EQ(std::tuple(p.ticksPerPhase, core->scan.ticksPerPhase, p.qualityStyle, p.listTextColor, p.debugLevel),
              std::tuple(45, 45, 5, 3, 3));
    EXPECT_EQ(std::tuple(p.reserved14, p.mainBitmapX, p.mainBitmapY, p.aboutBitmapX, p.aboutBitmapY, p.use12HourClock),
              std::tuple(7, 11, -12, 13, 14, 0));
    EXPECT_EQ(p.webAddress, "http://example.test/");
    EXPECT_EQ(p.title, std::string(64, 'T'));  // no terminator: cut at the field's width
    EXPECT_EQ(p.reserved160[2], 2);
    EXPECT_EQ(p.reserved163[23], 26);
    EXPECT_EQ(p.legalNotice, "(C) Acme");
    EXPECT_TRUE(core->views.main.powerlineDevices.gridLines);
    EXPECT_EQ(core->scan.autoRefreshOff, 1);
    EXPECT_TRUE(messages.shown.empty());
}

// A file shorter than the record gives the whole fields it covers and zero for the rest; without
// a file (an unreadable one reads as missing) the defaults hold.
TEST_F(OemPrefsTest, MissingCutAndHugeFiles) {
    constexpr std::size_t kNoFile = ~std::size_t{0};
    const struct {
        std::size_t length;
        std::int32_t ticks;  // at least 1
        std::int16_t debugLevel, autoScan;
        std::string web, title, legal;
    } cases[] = {
        {kNoFile, 30, 0, 1, "http://", "Zentrel Utility", "Copyright (C) Zentrel. All rights reserved."},
        {0, 1, 0, 0, "", "", ""},
        {13, 45, 0, 0, "", "", ""},  // half of debugLevel
        {120, 45, 3, 0, "http://example.test/", "", ""},
        {200, 45, 3, 0, "http://example.test/", std::string(64, 'T'), ""},
        {4u << 20, 45, 3, 0, "http://example.test/", std::string(64, 'T'), "(C) Acme"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        auto bytes = Golden();
        bytes.resize(c.length == kNoFile ? 0 : c.length, 0xAB);
        std::filesystem::remove(dir / kOemPrefsFile);
        if (c.length != kNoFile) WriteBytes(kOemPrefsFile, bytes);
        auto fresh = Reopen();
        LoadOemPrefs(*fresh);
        EXPECT_EQ(fresh->prefs.ticksPerPhase, c.ticks);
        EXPECT_EQ(fresh->prefs.debugLevel, c.debugLevel);
        EXPECT_EQ(fresh->prefs.autoScan, c.autoScan);
        EXPECT_EQ(fresh->scan.autoRefreshOff, 1 - c.autoScan);
        EXPECT_EQ(fresh->prefs.webAddress, c.web);
        EXPECT_EQ(fresh->prefs.title, c.title);
        EXPECT_EQ(fresh->prefs.legalNotice, c.legal);
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(ReadBytes(kOemPrefsFile), bytes);  // never written, nor created
    }
}

TEST_F(OemPrefsTest, TicksPerPhaseAndGridLines) {
    const struct {
        std::int32_t ticks, showIcons, scanTicks;
        bool grid;
    } cases[] = {{0, 0, 1, true}, {-7, 24, 1, false}, {1, 1, 1, false}, {70000, -1, 70000 - 65536, false},
                 {65536, 0, 1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ticks);
        auto b = Golden();
        for (int i = 0; i < 4; ++i) b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(c.ticks) >> (8 * i));
        b[10] = static_cast<std::uint8_t>(c.showIcons);
        b[11] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(c.showIcons) >> 8);
        WriteBytes(kOemPrefsFile, b);
        LoadOemPrefs(*core);
        EXPECT_EQ(core->scan.ticksPerPhase, c.scanTicks);
        EXPECT_GE(core->prefs.ticksPerPhase, 1);
        EXPECT_EQ(core->views.main.powerlineDevices.gridLines, c.grid);
    }
}

using VendorListTest = RegistryTest;

TEST_F(VendorListTest, RoomForOneEntryPerTwentyBytes) {
    std::string text = "0000A1\tMy_Vendor\n";
    for (int i = 0; i < 4; ++i) text += "00B05" + std::to_string(i) + "\tVendor_0" + std::to_string(i) + "\n";
    text += "123456\tABCDEFG\n";
    ASSERT_EQ(text.size(), 100u);
    WriteBytes(kVendorListFile, text);
    LoadVendorList(*core);
    ASSERT_EQ(core->vendors.size(), 5u);
    const auto& first = core->vendors[0];
    EXPECT_EQ((std::vector<int>{first.oui[0], first.oui[1], first.oui[2]}), (std::vector<int>{0x00, 0x00, 0xA1}));
    EXPECT_STREQ(first.name, "My Vendor");
    EXPECT_EQ(core->vendors[4].oui[2], 0x53);
    EXPECT_STREQ(core->vendors[4].name, "Vendor 03");
}

TEST(VendorListParse, Lines) {
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> names;
    } cases[] = {
        {"empty", "", {}},
        {"long name cut at 11", "001122\tAVeryLongVendorName\n", {"AVeryLongVe"}},
        {"lower-case digits", "00b0c2\tlow\n", {"low"}},
        {"bad line ends the list", "001122\tOne\nzz1122\tTwo\n334455\tThree\n", {"One"}},
        {"line without a name ends the list", "001122\tOne\n334455\n667788\tThree\n", {"One"}},
        {"blank lines are skipped", "\n001122\tOne\n\r\n   \n334455\tTwo\n", {"One", "Two"}},
        {"CRLF line ends", "001122\tOne\r\n334455\tTwo\r\n", {"One", "Two"}},
        {"rest of the line ignored", "001122\tSome Vendor\n334455\tTwo", {"Some", "Two"}},
    };
    const std::string pad(200, '\n');  // room in the table for every line
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = c.text + pad;
        const auto v = ParseVendorList(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        ASSERT_EQ(v.size(), c.names.size());
        for (std::size_t i = 0; i < v.size(); ++i) {
            EXPECT_EQ(v[i].name, c.names[i]);
            EXPECT_EQ(v[i].name[11], '\0');
        }
    }
    std::string binary;
    for (int i = 0; i < 4000; ++i) binary.push_back(static_cast<char>(i * 73 + 11));
    const auto b = ParseVendorList(reinterpret_cast<const std::uint8_t*>(binary.data()), binary.size());
    EXPECT_LE(b.size(), binary.size() / 20);
    for (const auto& e : b) EXPECT_NE(std::memchr(e.name, '\0', sizeof e.name), nullptr);
}

}  // namespace
}  // namespace zentrel::test
