#include <gtest/gtest.h>

#include "HashReference.h"
#include "base/TextCodec.h"

using namespace zentrel;

namespace {

TEST(TextCodec, EveryByteShowsAsPythonsWindows1252) {
    if (!test::HavePython()) GTEST_SKIP() << "python3 not available";
    // Python leaves five bytes unassigned; they show as the control character of their number.
    const auto expected = test::RunPython(
        "for b in range(256):\n"
        " try: c=bytes([b]).decode(\"cp1252\")\n"
        " except UnicodeDecodeError: c=chr(b)\n"
        " print(c.encode().hex())",
        {});
    ASSERT_EQ(expected.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(test::HexOf(Windows1252ToUtf8(std::string(1, static_cast<char>(b)))),
                  expected[static_cast<std::size_t>(b)])
            << "byte " << b;
    }
}

TEST(TextCodec, TypedUtf8BecomesOneByteACharacterOrIsRefused) {
    struct Case {
        std::string typed;
        std::string text;
        bool fits;
    } cases[] = {
        {"Caf\xC3\xA9 \xC2\xA9 \xC3\xBF", "Caf\xE9 \xA9 \xFF", true},
        {"\xC2\x80", "\x80", true},  // U+0080, a Latin-1 control
        {"\xC4\x80", "?", false},    // U+0100, the first beyond Latin-1
        {"a\u20ACb", "a?b", false},  // the euro sign has a byte only in Windows-1252
        {"\xF0\x9F\x98\x80!", "?!", false},
        // Bytes that begin no UTF-8 sequence stand for themselves: 8-bit text passes unchanged.
        {"\xE9t\xE9 \xFF", "\xE9t\xE9 \xFF", true},
        {"\xC0\xAF", "\xC0\xAF", true},          // overlong '/'
        {"\xED\xA0\x80", "\xED\xA0\x80", true},  // a surrogate
        {"ab\xC3", "ab\xC3", true},              // cut short
        {std::string("nul\0in", 6), std::string("nul\0in", 6), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::HexOf(c.typed));
        std::string text = "left over";
        EXPECT_EQ(Utf8ToLatin1(c.typed, text), c.fits);
        EXPECT_EQ(text, c.text);
    }
}

}  // namespace
