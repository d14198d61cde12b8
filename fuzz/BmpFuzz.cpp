// The bitmap decoder behind oemSmall.bmp and oemBig.bmp.
#include <cstdint>
#include <span>

#include "FuzzSupport.h"
#include "registry/BmpImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zentrel;
    BmpPixels pixels;
    const bool ok = DecodeBmp(std::span<const std::uint8_t>(data, size), pixels);
    if (!ok) {
        ZENTREL_FUZZ_CHECK(pixels.width == 0 && pixels.height == 0 && pixels.rgb.empty());
        return 0;
    }
    ZENTREL_FUZZ_CHECK(pixels.width > 0 && pixels.height > 0);
    const auto count = static_cast<std::int64_t>(pixels.width) * pixels.height;
    ZENTREL_FUZZ_CHECK(count <= kMaxBmpPixels);
    ZENTREL_FUZZ_CHECK(pixels.rgb.size() == static_cast<std::size_t>(count) * 3);
    // Every pixel is reachable and nothing outside is.
    std::uint32_t mix = pixels.At(0, 0) ^ pixels.At(pixels.width - 1, pixels.height - 1);
    ZENTREL_FUZZ_CHECK(pixels.At(-1, 0) == 0 && pixels.At(0, pixels.height) == 0);
    ZENTREL_FUZZ_CHECK((mix & 0xFF000000u) == 0);
    return 0;
}
