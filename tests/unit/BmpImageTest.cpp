#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "base/ByteReader.h"
#include "registry/BmpImage.h"
#include "support/TestBitmap.h"

using namespace zentrel;
using zentrel::test::BmpRecipe;
using zentrel::test::MakeBmp;

namespace {

void SetU32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t Rainbow(int x, int y) { return static_cast<std::uint32_t>((x * 40) << 16 | (y * 70) << 8 | (x + y) * 9); }

}  // namespace

TEST(BmpImage, LayoutsDecodeToTheSamePicture) {
    const std::vector<std::uint32_t> grey16 = [] {
        std::vector<std::uint32_t> p;
        for (std::uint32_t i = 0; i < 16; ++i) p.push_back(i * 0x111111);
        return p;
    }();
    struct Case {
        const char* name;
        BmpRecipe recipe;
        std::function<std::uint32_t(int, int)> expect;
    };
    const auto same = [](std::function<std::uint32_t(int, int)> f) { return f; };
    std::vector<Case> cases;
    {
        BmpRecipe s;
        s.width = 5;  // odd width: rows padded to four bytes
        s.topDown = true;
        s.pixel = Rainbow;
        cases.push_back({"24-bit top-down", s, same(Rainbow)});
    }
    {
        BmpRecipe s;
        s.bitCount = 32;
        s.pixel = Rainbow;
        cases.push_back({"32-bit", s, same(Rainbow)});
    }
    {
        BmpRecipe s;
        s.bitCount = 32;
        s.compression = 3;
        s.masks = {0x0000FF00, 0x00FF0000, 0xFF000000};  // R G B in the upper three bytes
        s.pixel = [](int x, int y) {
            const auto c = Rainbow(x, y);
            return ((c >> 16) & 0xFF) << 8 | ((c >> 8) & 0xFF) << 16 | (c & 0xFF) << 24;
        };
        cases.push_back({"32-bit bit fields after the header", s, same(Rainbow)});
    }
    {
        BmpRecipe s;
        s.bitCount = 16;
        s.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x << 10 | y << 5 | 31); };
        cases.push_back({"16-bit 5-5-5", s, [](int x, int y) {
                             return static_cast<std::uint32_t>((x * 255 / 31) << 16 | (y * 255 / 31) << 8 | 255);
                         }});
    }
    {
        BmpRecipe s;
        s.bitCount = 16;
        s.compression = 3;
        s.headerSize = 108;  // masks inside a larger header
        s.masks = {0xF800, 0x07E0, 0x001F};
        s.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x << 11 | (y * 20) << 5); };
        cases.push_back({"16-bit 5-6-5 in a 108-byte header", s, [](int x, int y) {
                             return static_cast<std::uint32_t>((x * 255 / 31) << 16 | (y * 20 * 255 / 63) << 8);
                         }});
    }
    {
        BmpRecipe s;
        s.bitCount = 8;
        s.palette.resize(256);
        for (std::uint32_t i = 0; i < 256; ++i) s.palette[i] = i << 16 | (255 - i) << 8 | 7;
        s.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 16 + y); };
        cases.push_back({"8-bit palette, pixels at 1078", s, [](int x, int y) {
                             const auto i = static_cast<std::uint32_t>(x * 16 + y);
                             return i << 16 | (255 - i) << 8 | 7;
                         }});
    }
    {
        BmpRecipe s;
        s.bitCount = 8;
        s.palette = {0xFF0000, 0x00FF00, 0x0000FF};
        s.colorsUsed = 3;
        s.gap = 6;  // pixel offset past the table
        s.pixel = [](int x, int) { return static_cast<std::uint32_t>(x % 4); };
        cases.push_back({"8-bit short palette with a gap", s, [](int x, int) {
                             const std::uint32_t p[] = {0xFF0000, 0x00FF00, 0x0000FF, 0};  // index 3: not in table
                             return p[x % 4];
                         }});
    }
    {
        BmpRecipe s;
        s.bitCount = 4;
        s.width = 7;
        s.palette = grey16;
        s.pixel = [](int x, int y) { return static_cast<std::uint32_t>((x + y) % 16); };
        cases.push_back({"4-bit", s, [](int x, int y) { return static_cast<std::uint32_t>((x + y) % 16) * 0x111111u; }});
    }
    {
        BmpRecipe s;
        s.bitCount = 1;
        s.width = 13;
        s.palette = {0x102030, 0xF0E0D0};
        s.pixel = [](int x, int y) { return static_cast<std::uint32_t>((x ^ y) & 1); };
        cases.push_back({"1-bit", s, [](int x, int y) { return (x ^ y) & 1 ? 0xF0E0D0u : 0x102030u; }});
    }
    for (const auto& c : cases) {
        BmpPixels img;
        ASSERT_TRUE(DecodeBmp(MakeBmp(c.recipe), img)) << c.name;
        ASSERT_EQ(img.width, c.recipe.width) << c.name;
        ASSERT_EQ(img.height, c.recipe.height) << c.name;
        for (int y = 0; y < img.height; ++y) {
            for (int x = 0; x < img.width; ++x) {
                ASSERT_EQ(img.At(x, y), c.expect(x, y)) << c.name << " at " << x << "," << y;
            }
        }
    }
}

TEST(BmpImage, InvalidFilesAreRefusedWithoutReadingPastThem) {
    BmpRecipe good;
    good.pixel = Rainbow;
    const auto base = MakeBmp(good);
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
