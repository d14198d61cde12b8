// OUIList.txt: lines of six hex digits, a tab and a name; room for one entry per 20 bytes.
#include <cstring>

#include "RegistryFixture.h"
#include "pages/Preferences.h"
#include "registry/OemPrefs.h"

namespace zentrel::test {
namespace {

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
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> names;
    };
    const std::string pad(200, '\n');  // room in the table for every line
    const Case cases[] = {
        {"empty", "", {}},
        {"long name cut at 11", "001122\tAVeryLongVendorName\n", {"AVeryLongVe"}},
        {"lower-case digits", "00b0c2\tlow\n", {"low"}},
        {"bad line ends the list", "001122\tOne\nzz1122\tTwo\n334455\tThree\n", {"One"}},
        {"line without a name ends the list", "001122\tOne\n334455\n667788\tThree\n", {"One"}},
        {"blank lines are skipped", "\n001122\tOne\n\r\n   \n334455\tTwo\n", {"One", "Two"}},
        {"CRLF line ends", "001122\tOne\r\n334455\tTwo\r\n", {"One", "Two"}},
        {"rest of the line ignored", "001122\tSome Vendor\n334455\tTwo", {"Some", "Two"}},
    };
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
