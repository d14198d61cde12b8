// OUIList.txt: the bytes through the vendor-list parser.
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "registry/OemPrefs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zentrel;
    const auto vendors = ParseVendorList(data, size);
    // Room for one entry per 20 bytes of file, never more.
    ZENTREL_FUZZ_CHECK(vendors.size() <= size / 20);
    for (const auto& v : vendors) {
        ZENTREL_FUZZ_CHECK(std::memchr(v.name, '\0', sizeof v.name) != nullptr);
    }
    return 0;
}
