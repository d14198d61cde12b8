#include <gtest/gtest.h>

#include "RegistryFixture.h"
#include "base/ByteReader.h"
#include "pages/Preferences.h"
#include "registry/OemPrefs.h"

using namespace zentrel;
using namespace zentrel::test;

namespace {

// A full 267-byte OEMPrefs.dat.
std::vector<std::uint8_t> FullFile() {
    std::vector<std::uint8_t> b;
    ByteWriter w(b);
    w.I32(45);    // ticksPerPhase
    w.I16(5);     // qualityStyle
    w.I32(3);     // listTextColor
    w.I16(0);     // showIcons: grid lines
    w.I16(3);     // debugLevel
    w.I16(7);     // reserved
    w.I16(0);     // autoScan
    w.I16(11);    // mainBitmapX
    w.I16(-12);   // mainBitmapY
    w.I16(13);    // aboutBitmapX
    w.I16(14);    // aboutBitmapY
    w.I16(0);
    w.I16(0);
    w.I16(0);     // use12HourClock
    std::vector<std::uint8_t> web(64, 0), title(64, 'T'), legal(80, 0);
    std::memcpy(web.data(), "http://example.test/\0garbage", 28);
    std::memcpy(legal.data(), "(C) Acme", 8);
    w.Write(web.data(), web.size());
    w.Write(title.data(), title.size());  // no terminator inside its field
    for (int i = 0; i < 27; ++i) w.U8(static_cast<std::uint8_t>(i));
    w.Write(legal.data(), legal.size());
    return b;
}

class OemPrefsTest : public RegistryTest {};

TEST_F(OemPrefsTest, MissingFileGivesDefaults) {
    core->prefs = OemPrefs{};
    LoadOemPrefs(*core);
    const auto& p = core->prefs;
    EXPECT_EQ(p.title, "Zentrel Utility");
    EXPECT_EQ(p.webAddress, "http://");
    EXPECT_FALSE(p.legalNotice.empty());
    EXPECT_EQ(core->scan.ticksPerPhase, 30);
    EXPECT_EQ(core->scan.autoRefreshOff, 0);
    EXPECT_EQ(p.mainBitmapX, 10);
    EXPECT_EQ(p.mainBitmapY, 310);
    EXPECT_EQ(p.aboutBitmapX, 80);
    EXPECT_EQ(p.aboutBitmapY, 25);
    EXPECT_EQ(p.use12HourClock, 1);
    EXPECT_FALSE(core->views.main.powerlineDevices.gridLines);
    EXPECT_EQ(core->db.sortAscending, 1);
    EXPECT_EQ(core->db.sortColumn, 1);
}

TEST_F(OemPrefsTest, EmptyFileLeavesEveryFieldZero) {
    WriteBytes(kOemPrefsFile, {});
    core->db.sortColumn = 4;
    LoadOemPrefs(*core);
    EXPECT_EQ(core->prefs.ticksPerPhase, 1);
    EXPECT_EQ(core->scan.ticksPerPhase, 1);
    EXPECT_EQ(core->prefs.autoScan, 0);
    EXPECT_EQ(core->scan.autoRefreshOff, 1);
    EXPECT_EQ(core->prefs.title, "");
    EXPECT_EQ(core->prefs.use12HourClock, 0);
    EXPECT_TRUE(core->views.main.powerlineDevices.gridLines);
    EXPECT_EQ(core->db.sortColumn, 1);
}

TEST_F(OemPrefsTest, ShortFileTakesTheWholeFieldsItCovers) {
    auto full = FullFile();
    full.resize(13);  // ticksPerPhase, qualityStyle, listTextColor, and half of debugLevel
    full[0] = 0xF6;   // ticksPerPhase -10
    full[1] = full[2] = full[3] = 0xFF;
    WriteBytes(kOemPrefsFile, full);
    LoadOemPrefs(*core);
    const auto& p = core->prefs;
    EXPECT_EQ(p.ticksPerPhase, 1);
    EXPECT_EQ(p.qualityStyle, 5);
    EXPECT_EQ(p.listTextColor, 3);
    EXPECT_EQ(p.showIcons, 0);
    EXPECT_EQ(p.debugLevel, 0);
    EXPECT_EQ(p.webAddress, "");
}

TEST_F(OemPrefsTest, FullFile) {
    const auto full = FullFile();
    ASSERT_EQ(full.size(), kOemPrefsBytes);
    auto withTail = full;
    withTail.resize(400, 'x');  // bytes past the record are not read
    WriteBytes(kOemPrefsFile, withTail);
    LoadOemPrefs(*core);
    const auto& p = core->prefs;
    EXPECT_EQ(p.ticksPerPhase, 45);
    EXPECT_EQ(core->scan.ticksPerPhase, 45);
    EXPECT_EQ(p.qualityStyle, 5);
    EXPECT_EQ(p.listTextColor, 3);
    EXPECT_EQ(p.debugLevel, 3);
    EXPECT_EQ(p.reserved14, 7);
    EXPECT_EQ(p.mainBitmapX, 11);
    EXPECT_EQ(p.mainBitmapY, -12);
    EXPECT_EQ(p.aboutBitmapX, 13);
    EXPECT_EQ(p.aboutBitmapY, 14);
    EXPECT_EQ(p.use12HourClock, 0);
    EXPECT_EQ(p.webAddress, "http://example.test/");
    EXPECT_EQ(p.title, std::string(64, 'T'));  // cut at the field's width
    EXPECT_EQ(p.reserved160[2], 2);
    EXPECT_EQ(p.reserved163[23], 26);
    EXPECT_EQ(p.legalNotice, "(C) Acme");
    EXPECT_TRUE(core->views.main.powerlineDevices.gridLines);
    EXPECT_EQ(core->scan.autoRefreshOff, 1);
}

TEST_F(OemPrefsTest, TicksPerPhaseAndGridLines) {
    struct Case {
        std::int32_t ticks;
        std::int16_t showIcons;
        std::int32_t scanTicks;
        bool grid;
    };
    const Case cases[] = {{0, 0, 1, true}, {-7, 24, 1, false}, {1, 1, 1, false},
                          {70000, -1, 70000 - 65536, false}, {65536, 0, 1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ticks);
        auto b = FullFile();
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

TEST(OemWording, EveryStyle) {
    struct Case {
        int style, levels;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {1, 4, {"-offline -", "Fair", "Good", "Very Good", "Excellent"}},
        {2, 2, {"-", "Bad", "Good"}},
        {3, 5, {"-", "o", "oo", "ooo", "oooo", "ooooo"}},
        {4, 5, {"#", "##", "####", "######", "########", "##########"}},
        {5, 5, {"-", "0-20%", "20-40%", "40-60%", "60-80%", "80-100%"}},
        {0, 0, {}},
        {7, 0, {}},
        {-1, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        const auto w = WordingForStyle(c.style);
        EXPECT_EQ(w.levels, c.levels);
        EXPECT_EQ(w.entries, c.entries);
        // The text is picked from entries 1 .. levels, so a wording always holds one more entry.
        if (w.levels > 0) {
            EXPECT_EQ(w.entries.size(), static_cast<std::size_t>(w.levels) + 1);
        }
    }
}

TEST_F(OemPrefsTest, MainPageTakesTheWordingOfTheLoadedStyle) {
    auto b = FullFile();
    b[4] = 2;
    WriteBytes(kOemPrefsFile, b);
    LoadOemPrefs(*core);
    SelectQualityWording(*core);
    EXPECT_EQ(core->quality.levels, 2);
    EXPECT_EQ(core->quality.entries.at(1), "Bad");
}

}  // namespace
