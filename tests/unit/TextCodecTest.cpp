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

}  // namespace
