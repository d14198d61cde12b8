#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "base/ByteReader.h"
#include "registry/BmpImage.h"

using namespace zentrel;

namespace {

void SetU32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::vector<std::uint8_t> ReadFile(const std::string& name) {
    std::ifstream in(std::string(ZENTREL_TEST_DATA "/bmp/") + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

// Each bitmap under tests/data/bmp decodes to the picture of the PPM file beside it. The pictures
// agree with ImageMagick's except where it rounds 6-bit green and where it refuses the gap.
TEST(BmpImage, LayoutsDecodeToTheirGoldenPictures) {
    for (const char* name : {"mono-odd-width", "pal4-odd-width", "pal8", "pal8-core-header", "pal8-short-table-and-gap",
                             "rgb555", "rgb565-masks-in-v4-header", "rgb24-top-down-odd-width", "rgb24-top-down-cut",
                             "rgb32", "rgb32-masks-after-header"}) {
        SCOPED_TRACE(name);
        BmpPixels img;
        ASSERT_TRUE(DecodeBmp(ReadFile(std::string(name) + ".bmp"), img));
        std::string head = "P6\n";
        head.append(std::to_string(img.width)).append(" ").append(std::to_string(img.height)).append("\n255\n");
        std::vector<std::uint8_t> ppm(head.begin(), head.end());
        ppm.insert(ppm.end(), img.rgb.begin(), img.rgb.end());
        EXPECT_TRUE(ppm == ReadFile(std::string(name) + ".ppm"));
    }
}

TEST(BmpImage, InvalidFilesAreRefusedWithoutReadingPastThem) {
    const auto base = ReadFile("rgb24-top-down-odd-width.bmp");
    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> damage;
    };
    const std::vector<Case> cases = {
        {"empty", [](auto& f) { f.clear(); }},
        {"file header only", [](auto& f) { f.resize(14); }},
        {"info header cut", [](auto& f) { f.resize(40); }},
        {"size below the headers", [](auto& f) { SetU32(f, 2, 30); }},
        {"size below the file header", [](auto& f) { SetU32(f, 2, 5); }},
        {"no signature", [](auto& f) { f[0] = 'P'; }},
        {"unknown header size", [](auto& f) { SetU32(f, 14, 20); }},
        {"huge header size", [](auto& f) { SetU32(f, 14, 0xFFFFFFF0u); }},
        {"zero width", [](auto& f) { SetU32(f, 18, 0); }},
        {"negative width", [](auto& f) { SetU32(f, 18, 0xFFFFFFFFu); }},
        {"zero height", [](auto& f) { SetU32(f, 22, 0); }},
        {"most negative height", [](auto& f) { SetU32(f, 22, 0x80000000u); }},
        {"oversized", [](auto& f) { SetU32(f, 18, 70000); SetU32(f, 22, 70000); }},
        {"bit depth 7", [](auto& f) { f[28] = 7; }},
        {"run-length", [](auto& f) { SetU32(f, 30, 1); }},
        {"embedded picture", [](auto& f) { SetU32(f, 30, 4); }},
        {"bit fields on 24-bit", [](auto& f) { SetU32(f, 30, 3); }},
    };
    for (const auto& c : cases) {
        auto file = base;
        c.damage(file);
        BmpPixels img;
        img.width = 9;
        EXPECT_FALSE(DecodeBmp(file, img)) << c.name;
        EXPECT_EQ(img.width, 0) << c.name;
        EXPECT_TRUE(img.rgb.empty()) << c.name;
    }
}
