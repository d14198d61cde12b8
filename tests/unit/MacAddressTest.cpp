#include <gtest/gtest.h>

#include "base/MacAddress.h"

using namespace zentrel;

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
    const Mac other{0x00, 0xB0, 0x52, 0x0A, 0x1B, 0xFE};
    EXPECT_TRUE(SameMac(mac.data(), mac.data()));
    EXPECT_FALSE(SameMac(mac.data(), other.data()));
}
