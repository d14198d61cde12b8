#pragma once
// Bitmap files laid out the way common writers lay them out, for the fuzz seeds of the bitmap
// decoder.
#include <cstdint>
#include <functional>
#include <vector>

namespace zentrel::test {

// `pixel(x, y)` gives the value stored for a pixel, y counted from the top of the picture:
// 0x00RRGGBB for true colour, a palette index otherwise.
struct BmpRecipe {
    int width = 4;
    int height = 3;
    int bitCount = 24;
    bool topDown = false;
    std::uint32_t headerSize = 40;
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> masks;    // after a 40-byte header, or inside a larger one (up to 4)
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
    std::uint32_t colorsUsed = 0;
    std::uint32_t gap = 0;               // bytes between the colour table and the pixels
    std::function<std::uint32_t(int, int)> pixel;
};

std::vector<std::uint8_t> MakeBmp(const BmpRecipe& recipe);

}  // namespace zentrel::test
