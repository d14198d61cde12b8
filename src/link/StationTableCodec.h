#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "link/StationTable.h"

namespace zentrel {

// The block of eight tables as it stands in plc.data: little-endian, field by field, reserved
// bytes as they were read. Decoding needs exactly kStationBlockBytes and returns false otherwise.
void EncodeStationTables(const StationTables& tables, std::vector<std::uint8_t>& out);
bool DecodeStationTables(std::span<const std::uint8_t> bytes, StationTables& tables);

}  // namespace zentrel
