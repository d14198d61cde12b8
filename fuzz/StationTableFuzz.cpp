// The block of eight station tables as plc.data stores it. A block of the exact size decodes and
// encodes back to the same bytes (reserved bytes included); any other size is refused.
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "link/StationTableCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zentrel;
    StationTables tables{};
    const bool whole = DecodeStationTables(std::span<const std::uint8_t>(data, size), tables);
    ZENTREL_FUZZ_CHECK(whole == (size == kStationBlockBytes));
    if (!whole) return 0;
    std::vector<std::uint8_t> again;
    EncodeStationTables(tables, again);
    ZENTREL_FUZZ_CHECK(again.size() == size && std::equal(again.begin(), again.end(), data));
    return 0;
}
