#include "registry/BmpImage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "base/ByteReader.h"

namespace zentrel {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kCoreHeaderBytes = 12;  // the old OS/2 header with 16-bit sizes
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kLargestHeaderBytes = 124;

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

Channel MakeChannel(std::uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0) return c;
    c.shift = std::countr_zero(mask);
    c.bits = std::min(std::popcount(mask >> c.shift), 32);
    return c;
}

std::uint8_t Extract(const Channel& c, std::uint32_t value) {
    if (c.bits == 0) return 0;
    const std::uint64_t v = (value & c.mask) >> c.shift;
    const std::uint64_t max = (std::uint64_t{1} << c.bits) - 1;
    return static_cast<std::uint8_t>(v * 255 / max);
}

struct Header {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows stored from the top
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 3> masks{};  // red, green, blue
    bool masksInHeader = false;
};

bool ReadHeader(std::span<const std::uint8_t> data, Header& h) {
    if (data.size() < kFileHeaderBytes) return false;
    ByteReader r(data.subspan(kFileHeaderBytes));
    if (!r.U32(h.headerSize)) return false;
    if (h.headerSize == kCoreHeaderBytes) {
        std::uint16_t w, ht, planes, bits;
        if (!r.U16(w) || !r.U16(ht) || !r.U16(planes) || !r.U16(bits)) return false;
        h.width = w;
        h.height = ht;
        h.bitCount = bits;
        return true;
    }
    if (h.headerSize < kInfoHeaderBytes || h.headerSize > kLargestHeaderBytes) return false;
    std::int32_t w, ht;
    std::uint16_t planes, bits;
    std::uint32_t sizeImage, xPels, yPels, important;
    if (!r.I32(w) || !r.I32(ht) || !r.U16(planes) || !r.U16(bits) || !r.U32(h.compression) ||
        !r.U32(sizeImage) || !r.U32(xPels) || !r.U32(yPels) || !r.U32(h.colorsUsed) || !r.U32(important)) {
        return false;
    }
    h.width = w;
    h.height = ht;
    h.bitCount = bits;
    if (h.headerSize >= 52) {
        h.masksInHeader = true;
        if (!r.U32(h.masks[0]) || !r.U32(h.masks[1]) || !r.U32(h.masks[2])) return false;
    }
    return true;
}

}  // namespace

std::uint32_t BmpPixels::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    if (i + 2 >= rgb.size()) return 0;
    return (std::uint32_t{rgb[i]} << 16) | (std::uint32_t{rgb[i + 1]} << 8) | rgb[i + 2];
}

bool DecodeBmp(std::span<const std::uint8_t> file, BmpPixels& out) {
    out = BmpPixels{};
    ByteReader fileHeader(file);
    std::uint8_t b, m;
    std::uint32_t bfSize, reserved, offBits;
    if (!fileHeader.U8(b) || !fileHeader.U8(m) || !fileHeader.U32(bfSize) || !fileHeader.U32(reserved) ||
        !fileHeader.U32(offBits)) {
        return false;
    }
    if (b != 'B' || m != 'M') return false;

    // Only bfSize bytes are loaded; whatever the file lacks below that reads as zero.
    const auto data = file.first(std::min<std::size_t>(file.size(), bfSize));
    Header h;
    if (!ReadHeader(data, h)) return false;

    const bool core = h.headerSize == kCoreHeaderBytes;
    const bool fields = h.compression == kBitFields || h.compression == kAlphaBitFields;
    if (h.compression != kRgb && !fields) return false;  // run-length and embedded formats
    switch (h.bitCount) {
        case 1: case 4: case 8: case 24:
            if (fields) return false;
            break;
        case 16: case 32:
            break;
        default:
            return false;
    }
    const std::int64_t width = h.width;
    const std::int64_t height = h.height < 0 ? -h.height : h.height;
    if (width <= 0 || height <= 0 || width * height > kMaxBmpPixels) return false;
    const bool topDown = h.height < 0;

    std::size_t tablePos = kFileHeaderBytes + h.headerSize;
    if (fields && !h.masksInHeader) {
        // The masks follow a 40-byte header directly.
        const std::size_t maskCount = h.compression == kAlphaBitFields ? 4 : 3;
        ByteReader r(data.subspan(std::min(data.size(), tablePos)));
        if (!r.U32(h.masks[0]) || !r.U32(h.masks[1]) || !r.U32(h.masks[2])) return false;
        tablePos += maskCount * 4;
    }

    // Colour table of the palette formats; entries the file lacks are black.
    std::vector<std::uint32_t> palette;
    const std::size_t entryBytes = core ? 3 : 4;
    if (h.bitCount <= 8) {
        const std::size_t maxEntries = std::size_t{1} << h.bitCount;
        const std::size_t entries =
            (!core && h.colorsUsed != 0) ? std::min<std::size_t>(h.colorsUsed, maxEntries) : maxEntries;
        palette.assign(maxEntries, 0);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::size_t p = tablePos + i * entryBytes;
            if (p + 3 > data.size()) break;
            palette[i] = (std::uint32_t{data[p + 2]} << 16) | (std::uint32_t{data[p + 1]} << 8) | data[p];
        }
        tablePos += entries * entryBytes;
    }

    Channel red, green, blue;
    if (h.bitCount == 16 || h.bitCount == 32) {
        if (fields) {
            red = MakeChannel(h.masks[0]);
            green = MakeChannel(h.masks[1]);
            blue = MakeChannel(h.masks[2]);
        } else if (h.bitCount == 16) {
            red = MakeChannel(0x7C00);
            green = MakeChannel(0x03E0);
            blue = MakeChannel(0x001F);
        } else {
            red = MakeChannel(0x00FF0000);
            green = MakeChannel(0x0000FF00);
            blue = MakeChannel(0x000000FF);
        }
    }

    // A pixel offset pointing into the headers or the colour table is a broken file; the pixels
    // then start right after the table, where a well-formed file keeps them.
    const std::size_t pixelPos = offBits >= tablePos ? offBits : tablePos;
    const std::size_t stride = static_cast<std::size_t>(((width * h.bitCount + 31) / 32) * 4);

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.rgb.assign(static_cast<std::size_t>(width * height * 3), 0);
    std::vector<std::uint8_t> row(stride);
    for (std::int64_t y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        const std::uint64_t rowPos = pixelPos + static_cast<std::uint64_t>(y) * stride;
        if (rowPos < data.size()) {
            const std::size_t avail = std::min<std::size_t>(stride, data.size() - static_cast<std::size_t>(rowPos));
            std::memcpy(row.data(), data.data() + rowPos, avail);
        }
        const std::int64_t outY = topDown ? y : height - 1 - y;
        std::uint8_t* dst = out.rgb.data() + static_cast<std::size_t>(outY * width * 3);
        for (std::int64_t x = 0; x < width; ++x, dst += 3) {
            std::uint32_t colour = 0;
            const auto ux = static_cast<std::size_t>(x);
            switch (h.bitCount) {
                case 1: colour = palette[(row[ux / 8] >> (7 - ux % 8)) & 1]; break;
                case 4: colour = palette[(row[ux / 2] >> (ux % 2 ? 0 : 4)) & 0x0F]; break;
                case 8: colour = palette[row[ux]]; break;
                case 24:
                    colour = (std::uint32_t{row[ux * 3 + 2]} << 16) | (std::uint32_t{row[ux * 3 + 1]} << 8) | row[ux * 3];
                    break;
                case 16:
                case 32: {
                    std::uint32_t v = 0;
                    const std::size_t n = h.bitCount / 8;
                    for (std::size_t k = 0; k < n; ++k) v |= std::uint32_t{row[ux * n + k]} << (8 * k);
                    colour = (std::uint32_t{Extract(red, v)} << 16) | (std::uint32_t{Extract(green, v)} << 8) |
                             Extract(blue, v);
                    break;
                }
                default: break;
            }
            dst[0] = static_cast<std::uint8_t>(colour >> 16);
            dst[1] = static_cast<std::uint8_t>(colour >> 8);
            dst[2] = static_cast<std::uint8_t>(colour);
        }
    }
    return true;
}

}  // namespace zentrel
