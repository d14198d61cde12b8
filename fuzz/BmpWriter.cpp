#include "BmpWriter.h"

#include "base/ByteReader.h"

namespace zentrel::test {

std::vector<std::uint8_t> MakeBmp(const BmpRecipe& s) {
    std::vector<std::uint8_t> header;
    ByteWriter h(header);
    h.U32(s.headerSize);
    if (s.headerSize == 12) {
        // The old core header: 16-bit sizes and three-byte colour entries.
        h.U16(static_cast<std::uint16_t>(s.width));
        h.U16(static_cast<std::uint16_t>(s.height));
        h.U16(1);
        h.U16(static_cast<std::uint16_t>(s.bitCount));
        for (auto c : s.palette) {
            h.U8(static_cast<std::uint8_t>(c));
            h.U8(static_cast<std::uint8_t>(c >> 8));
            h.U8(static_cast<std::uint8_t>(c >> 16));
        }
    } else {
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
            for (std::size_t i = 0; i < 4; ++i) h.U32(i < s.masks.size() ? s.masks[i] : 0);
            while (header.size() < s.headerSize) h.U8(0);
        } else {
            for (auto mask : s.masks) h.U32(mask);
        }
        for (auto c : s.palette) h.U32(c);  // B, G, R, 0 in little-endian order
    }
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

}  // namespace zentrel::test
