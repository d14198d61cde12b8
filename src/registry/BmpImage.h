#pragma once
// Decoding of the Windows bitmap files the pages draw (oemSmall.bmp, oemBig.bmp). Pure function
// over the file's bytes, so that the fuzz targets reach the same code the pages run.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zentrel {

// A decoded picture: rows from the top, three bytes (red, green, blue) per pixel.
struct BmpPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    // 0x00RRGGBB of the pixel, 0 outside the picture.
    std::uint32_t At(int x, int y) const;
};

// Larger pictures are refused rather than allocated: no branding bitmap comes near this.
inline constexpr std::int64_t kMaxBmpPixels = 16 * 1024 * 1024;

// Decodes the bytes of a bitmap file. Only the first `bfSize` bytes count as the file, as they
// are what gets loaded; bytes the header says exist but the file lacks read as zero. Returns false
// (and leaves `out` empty) for anything that is not a drawable bitmap: no "BM" signature, headers
// cut off by the file or by `bfSize`, an unknown header size, bit depth or compression, an empty
// or oversized picture.
bool DecodeBmp(std::span<const std::uint8_t> file, BmpPixels& out);

}  // namespace zentrel
