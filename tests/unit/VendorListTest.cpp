// OUIList.txt: lines of six hex digits, a tab and a name; room for one entry per 20 bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "RegistryFixture.h"
#include "registry/OemPrefs.h"
#include "pages/Preferences.h"

using namespace zentrel;
using namespace zentrel::test;

namespace {

class VendorListTest : public RegistryTest {};

TEST_F(VendorListTest, RoomForOneEntryPerTwentyBytes) {
    std::string text = "0000A1\tMy_Vendor\n";
    for (int i = 0; i < 4; ++i) text += "00B05" + std::to_string(i) + "\tVendor_0" + std::to_string(i) + "\n";
    text += "123456\tABCDEFG\n";
    ASSERT_EQ(text.size(), 100u);
    WriteText(kVendorListFile, text);
    LoadVendorList(*core);
    ASSERT_EQ(core->vendors.size(), 5u);
    const auto& first = core->vendors[0];
    EXPECT_EQ(first.oui[0], 0x00);
    EXPECT_EQ(first.oui[1], 0x00);
    EXPECT_EQ(first.oui[2], 0xA1);
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
        {"only two numbers", "0011\tName\n", {}},
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
    const std::string odd = "0B052\tX\n" + pad;  // one-digit numbers are read as far as they go
    const auto v = ParseVendorList(reinterpret_cast<const std::uint8_t*>(odd.data()), odd.size());
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].oui[0], 0x0B);
    EXPECT_EQ(v[0].oui[1], 0x05);
    EXPECT_EQ(v[0].oui[2], 0x02);

    std::string binary;
    for (int i = 0; i < 4000; ++i) binary.push_back(static_cast<char>(i * 73 + 11));
    const auto b = ParseVendorList(reinterpret_cast<const std::uint8_t*>(binary.data()), binary.size());
    EXPECT_LE(b.size(), binary.size() / 20);
    for (const auto& e : b) EXPECT_NE(std::memchr(e.name, '\0', sizeof e.name), nullptr);
}

TEST_F(VendorListTest, HugeFileIsReadOnlyAsFarAsNeeded) {
    std::string lines;
    for (int i = 0; i < 1000; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "00B0%02X\tVendor_%d\n", i % 256, i);
        lines += line;
    }
    WriteText(kVendorListFile, lines);
    std::filesystem::resize_file(dir / kVendorListFile, 2ull << 30);  // sparse 2 GiB of zero bytes after the lines
    LoadVendorList(*core);
    EXPECT_EQ(core->vendors.size(), 1000u);
    EXPECT_STREQ(core->vendors[999].name, "Vendor 999");
}

TEST_F(VendorListTest, MissingUnreadableOrADirectoryGivesAnEmptyTable) {
    const std::string one = "00B052\tSome_Vendor\n" + std::string(40, '\n');
    WriteText(kVendorListFile, one);
    ASSERT_EQ(::chmod((dir / kVendorListFile).c_str(), 0), 0);
    const int result = RunUnprivileged([&] {
        if (::access((dir / kVendorListFile).c_str(), R_OK) == 0) return 91;
        LoadVendorList(*core);
        return core->vendors.empty() ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    for (const bool directory : {false, true}) {
        std::filesystem::remove(dir / kVendorListFile);
        if (directory) std::filesystem::create_directory(dir / kVendorListFile);
        core->vendors.push_back({});
        LoadVendorList(*core);
        EXPECT_TRUE(core->vendors.empty()) << directory;
    }
}

}  // namespace
