// Texts of the base and report layers: byte decoding, MAC addresses and last-seen times.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "base/MacAddress.h"
#include "base/TextCodec.h"
#include "registry/OemPrefs.h"
#include "report/LastSeen.h"
#include "support/HexFile.h"

namespace zentrel::test {
namespace {

TEST(TextCodec, EveryByteShowsAsPythonsWindows1252) {
    std::ifstream golden(ZENTREL_TEST_DATA "/windows1252_utf8.txt");
    std::string line;
    int b = 0;
    while (std::getline(golden, line)) {
        if (line.empty() || line[0] == '#') continue;
        EXPECT_EQ(HexOf(Windows1252ToUtf8(std::string(1, static_cast<char>(b)))), line) << "byte " << b;
        ++b;
    }
    EXPECT_EQ(b, 256);
}

TEST(MacAddress, TextAndEmptiness) {
    const Mac mac{0x00, 0xB0, 0x52, 0x0A, 0x1B, 0xFF};
    EXPECT_EQ(FormatMac(mac), "00:B0:52:0A:1B:FF");
    EXPECT_EQ(MacFromText("00-B0-52-0A-1B-FF"), mac);  // separators are skipped, not checked
    EXPECT_NE(MacFromText("00:b0:52:0a:1b:ff"), mac);  // lower-case digits are not converted
    EXPECT_EQ(MacFromText("12:3"), (Mac{0x12, 3 * 16, 0, 0, 0, 0}));  // never read past the text
    // Only addresses of zero and 0xFF bytes alone count as empty.
    for (const Mac& empty : {Mac{}, Mac{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, Mac{0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF}}) {
        EXPECT_FALSE(IsMacSet(empty)) << FormatMac(empty);
    }
    EXPECT_TRUE(IsMacSet(Mac{0, 0, 0, 0, 0, 0x01}));
    EXPECT_TRUE(IsMacSet(mac));
    EXPECT_TRUE(SameMac(mac.data(), mac.data()));
    EXPECT_FALSE(SameMac(mac.data(), Mac{0x00, 0xB0, 0x52, 0x0A, 0x1B, 0xFE}.data()));
}

// In UTC, as every test here that prints times runs.
TEST(LastSeenTest, BothClockForms) {
    setenv("TZ", "UTC", 1);
    tzset();
    OemPrefs prefs;
    const struct {
        std::int64_t t;
        const char *twelve, *twentyFour;
    } cases[] = {
        {0, "Jan 01 00:00 AM", "Jan 01 00:00"},                   // midnight keeps hour 00
        {30 * 60, "Jan 01 00:30 AM", "Jan 01 00:30"},
        {12 * 3600 + 30 * 60, "Jan 01 12:30 AM", "Jan 01 12:30"},  // half past noon still reads AM
        {13 * 3600 + 7 * 60, "Jan 01 01:07 PM", "Jan 01 13:07"},
        {4 * 86400 + 3 * 3600 + 7 * 60 + 59, "Jan 05 03:07 AM", "Jan 05 03:07"},  // zero-padded day
        {1700000000, "Nov 14 10:13 PM", "Nov 14 22:13"},
        {-86400, "Dec 31 00:00 AM", "Dec 31 00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        prefs.use12HourClock = 1;
        EXPECT_EQ(FormatLastSeen(prefs, c.t), c.twelve);
        prefs.use12HourClock = 0;
        EXPECT_EQ(FormatLastSeen(prefs, c.t), c.twentyFour);
    }
}

}  // namespace
}  // namespace zentrel::test
