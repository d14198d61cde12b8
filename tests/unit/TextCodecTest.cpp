#include <gtest/gtest.h>

#include <fstream>

#include "base/TextCodec.h"
#include "support/HexFile.h"

using namespace zentrel;

TEST(TextCodec, EveryByteShowsAsPythonsWindows1252) {
    std::ifstream golden(ZENTREL_TEST_DATA "/windows1252_utf8.txt");
    std::string line;
    int b = 0;
    while (std::getline(golden, line)) {
        if (line.empty() || line[0] == '#') continue;
        EXPECT_EQ(test::HexOf(Windows1252ToUtf8(std::string(1, static_cast<char>(b)))), line) << "byte " << b;
        ++b;
    }
    EXPECT_EQ(b, 256);
}
