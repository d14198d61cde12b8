#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "registry/ByteReader.h"
#include "report/BmpImage.h"

using namespace zentrel;

namespace {

// Builds bitmap files the way common writers lay them out; `colour(x, y)` gives 0x00RRGGBB with
// y counted from the top of the picture.
struct BmpRecipe {
    int width = 4;
    int height = 3;
    int bitCount = 24;
    bool topDown = false;
    std::uint32_t headerSize = 40;
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> masks;    // written after a 40-byte header, or inside a larger one
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
    std::uint32_t colorsUsed = 0;
    std::uint32_t gap = 0;               // bytes between the colour table and the pixels
    std::function<std::uint32_t(int, int)> pixel;  // value stored: colour or palette index
};

std::vector<std::uint8_t> MakeBmp(const BmpRecipe& s) {
    std::vector<std::uint8_t> header;
    ByteWriter h(header);
    h.U32(s.headerSize);
    h.I32(s.width);
    h.I32(s.topDown ? -s.height : s.height);
    h.U16(1);
    h.U16(static_cast<std::uint16_t>(s.bitCount));
    h.U32(s.compression);
    h.U32(0);
    h.U32(2835);
    h.U32(2835);
    h.U32(s.colorsUsed);
    h.U32(0);
    if (s.headerSize > 40) {
        for (std::size_t i = 0; i < 3; ++i) h.U32(i < s.masks.size() ? s.masks[i] : 0);
        while (header.size() < s.headerSize) h.U8(0);
    } else {
        for (auto mask : s.masks) h.U32(mask);
    }
    for (auto c : s.palette) h.U32(c);  // B, G, R, 0 in little-endian order
    for (std::uint32_t i = 0; i < s.gap; ++i) h.U8(0xEE);

    const std::size_t stride = static_cast<std::size_t>(((s.width * s.bitCount + 31) / 32) * 4);
    std::vector<std::uint8_t> pixels;
    for (int fileRow = 0; fileRow < s.height; ++fileRow) {
        const int y = s.topDown ? fileRow : s.height - 1 - fileRow;
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < s.width; ++x) {
            const std::uint32_t v = s.pixel(x, y);
            const auto ux = static_cast<std::size_t>(x);
            switch (s.bitCount) {
                case 1: row[ux / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - ux % 8)); break;
                case 4: row[ux / 2] |= static_cast<std::uint8_t>((v & 0xF) << (ux % 2 ? 0 : 4)); break;
                case 8: row[ux] = static_cast<std::uint8_t>(v); break;
                default:
                    for (std::size_t k = 0; k < static_cast<std::size_t>(s.bitCount / 8); ++k) {
                        row[ux * static_cast<std::size_t>(s.bitCount / 8) + k] = static_cast<std::uint8_t>(v >> (8 * k));
                    }
            }
        }
        pixels.insert(pixels.end(), row.begin(), row.end());
    }

    std::vector<std::uint8_t> file;
    ByteWriter f(file);
    f.U8('B');
    f.U8('M');
    f.U32(static_cast<std::uint32_t>(14 + header.size() + pixels.size()));
    f.U32(0);
    f.U32(static_cast<std::uint32_t>(14 + header.size()));
    f.Write(header.data(), header.size());
    f.Write(pixels.data(), pixels.size());
    return file;
}

void SetU32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t Rainbow(int x, int y) { return static_cast<std::uint32_t>((x * 40) << 16 | (y * 70) << 8 | (x + y) * 9); }

}  // namespace

TEST(BmpImage, TrueColourWithFortyByteHeaderDrawsRowsFromTheBottomOfTheFile) {
    BmpRecipe recipe;
    recipe.width = 200;
    recipe.height = 100;
    recipe.pixel = [](int x, int y) { return static_cast<std::uint32_t>((x & 0xFF) << 16 | (y * 2) << 8 | 0x33); };
    const auto file = MakeBmp(recipe);
    ASSERT_EQ(file.size(), 54u + 200u * 3u * 100u);
    EXPECT_EQ(file[10], 54);

    BmpPixels img;
    ASSERT_TRUE(DecodeBmp(file, img));
    EXPECT_EQ(img.width, 200);
    EXPECT_EQ(img.height, 100);
    for (auto [x, y] : {std::pair{0, 0}, {199, 0}, {0, 99}, {199, 99}, {57, 31}}) {
        EXPECT_EQ(img.At(x, y), recipe.pixel(x, y)) << x << "," << y;
    }
    // The last bytes of the file are the picture's top row.
    EXPECT_EQ(img.At(0, 0), 0x000033u);
    EXPECT_EQ(file[54 + 99 * 600 + 0], 0x33);
}

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

TEST(BmpImage, FileShorterThanItsSizeLoadsTheMissingBytesAsZero) {
    BmpRecipe recipe;
    recipe.pixel = [](int, int) { return 0xFFFFFFu; };
    auto file = MakeBmp(recipe);  // 4 x 3, 12 bytes per row
    file.resize(file.size() - 12 - 6);  // the top row and half of the middle row are missing
    BmpPixels img;
    ASSERT_TRUE(DecodeBmp(file, img));
    EXPECT_EQ(img.At(0, 2), 0xFFFFFFu);  // bottom row, first in the file: intact
    EXPECT_EQ(img.At(3, 2), 0xFFFFFFu);
    EXPECT_EQ(img.At(1, 1), 0xFFFFFFu);
    EXPECT_EQ(img.At(2, 1), 0u);
    EXPECT_EQ(img.At(0, 0), 0u);
    EXPECT_EQ(img.At(3, 0), 0u);
}

TEST(BmpImage, BytesBeyondTheDeclaredSizeAreNotLoaded) {
    BmpRecipe recipe;
    recipe.pixel = [](int, int) { return 0x808080u; };
    auto file = MakeBmp(recipe);
    // Far smaller than headers plus a full colour table; a true-colour picture needs no table.
    SetU32(file, 2, 54 + 12);
    BmpPixels img;
    ASSERT_TRUE(DecodeBmp(file, img));
    EXPECT_EQ(img.At(0, 2), 0x808080u);
    EXPECT_EQ(img.At(0, 1), 0u);

    // A palette picture whose table is cut by the size: the missing entries are black.
    BmpRecipe pal;
    pal.bitCount = 8;
    pal.palette = {0x112233, 0x445566};
    pal.colorsUsed = 2;
    pal.pixel = [](int x, int) { return static_cast<std::uint32_t>(x & 1); };
    auto palFile = MakeBmp(pal);
    SetU32(palFile, 2, 54 + 4 + 3);  // the second entry lacks its last byte
    ASSERT_TRUE(DecodeBmp(palFile, img));
    // The pixels are beyond the size too, so every index reads as 0, the intact first entry.
    EXPECT_EQ(img.At(0, 0), 0x112233u);
    EXPECT_EQ(img.At(1, 0), 0x112233u);
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

TEST(BmpImage, HugePixelOffsetGivesABlackPictureAndAnOffsetIntoTheHeadersIsIgnored) {
    BmpRecipe recipe;
    recipe.pixel = Rainbow;
    auto far = MakeBmp(recipe);
    SetU32(far, 10, 0xFFFFFFFFu);
    BmpPixels img;
    ASSERT_TRUE(DecodeBmp(far, img));
    EXPECT_EQ(img.At(1, 1), 0u);

    auto inside = MakeBmp(recipe);
    SetU32(inside, 10, 20);
    ASSERT_TRUE(DecodeBmp(inside, img));
    EXPECT_EQ(img.At(1, 1), Rainbow(1, 1));
}

TEST(BmpImage, OldCoreHeaderWithThreeByteColourEntries) {
    std::vector<std::uint8_t> f;
    ByteWriter w(f);
    w.U8('B');
    w.U8('M');
    w.U32(14 + 12 + 6 + 4);
    w.U32(0);
    w.U32(14 + 12 + 6);
    w.U32(12);
    w.U16(2);
    w.U16(1);
    w.U16(1);
    w.U16(1);
    const std::uint8_t table[] = {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00};  // red, blue
    w.Write(table, sizeof table);
    w.U8(0x40);  // pixel 0 -> red, pixel 1 -> blue
    w.U8(0);
    w.U8(0);
    w.U8(0);
    BmpPixels img;
    ASSERT_TRUE(DecodeBmp(f, img));
    EXPECT_EQ(img.At(0, 0), 0xFF0000u);
    EXPECT_EQ(img.At(1, 0), 0x0000FFu);
}

TEST(BmpImage, AtOutsideThePictureIsZero) {
    BmpPixels empty;
    EXPECT_EQ(empty.At(0, 0), 0u);
    BmpRecipe recipe;
    recipe.pixel = [](int, int) { return 0xABCDEFu; };
    BmpPixels img;
    ASSERT_TRUE(DecodeBmp(MakeBmp(recipe), img));
    EXPECT_EQ(img.At(3, 2), 0xABCDEFu);
    EXPECT_EQ(img.At(4, 0), 0u);
    EXPECT_EQ(img.At(0, -1), 0u);
}
