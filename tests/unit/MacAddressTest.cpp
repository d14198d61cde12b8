#include <gtest/gtest.h>

#include "base/MacAddress.h"

using namespace zentrel;

TEST(MacAddress, EmptyMeansOnlyZeroAndFfBytes) {
    const Mac zero{}, ones{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, mixed{0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF};
    const Mac mgmt{0x00, 0xB0, 0x52, 0x00, 0x00, 0x01}, lastOnly{0, 0, 0, 0, 0, 0x01};
    EXPECT_FALSE(IsMacSet(zero));
    EXPECT_FALSE(IsMacSet(ones));
    EXPECT_FALSE(IsMacSet(mixed));
    EXPECT_TRUE(IsMacSet(mgmt));
    EXPECT_TRUE(IsMacSet(lastOnly));
}

TEST(MacAddress, FormatAndParseRoundTrip) {
    const Mac mac{0x00, 0xB0, 0x52, 0x0A, 0x1B, 0xFF};
    EXPECT_EQ(FormatMac(mac), "00:B0:52:0A:1B:FF");
    EXPECT_EQ(MacFromText(FormatMac(mac)), mac);
    // Separators are skipped, not checked.
    EXPECT_EQ(MacFromText("00-B0-52-0A-1B-FF"), mac);
}

TEST(MacAddress, LowerCaseDigitsAreNotConverted) {
    EXPECT_EQ(HexDigitValue('a'), 'a');
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_NE(MacFromText("00:b0:52:0a:1b:ff"), (Mac{0x00, 0xB0, 0x52, 0x0A, 0x1B, 0xFF}));
}

TEST(MacAddress, ShortTextNeverReadsPastItsEnd) {
    EXPECT_EQ(MacFromText(""), Mac{});
    EXPECT_EQ(MacFromText("12:3"), (Mac{0x12, 3 * 16, 0, 0, 0, 0}));
}

TEST(MacAddress, SameMacComparesAllSixBytes) {
    const Mac a{1, 2, 3, 4, 5, 6}, b{1, 2, 3, 4, 5, 7};
    EXPECT_TRUE(SameMac(a.data(), a.data()));
    EXPECT_FALSE(SameMac(a.data(), b.data()));
}
