// OEMPrefs.dat: the golden file and what a missing, cut or huge file gives.
// The program only reads it.
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
        std::int32_t ticks;
        std::int16_t showIcons;
        std::int32_t scanTicks;
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

}  // namespace
}  // namespace zentrel::test
