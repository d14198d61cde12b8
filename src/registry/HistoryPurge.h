#pragma once
// Removing history records together with their stations in the link's tables.
#include <cstdint>

namespace zentrel {

struct DeviceDatabase;
struct Link;

// Removes that MAC's station from the current adapter's table and the first history record
// holding the MAC. Returns the record's 1-based position, 0 when no record held it.
int RemoveHistoryByMac(DeviceDatabase& db, Link& link, const std::uint8_t* mac);
// Removes every record whose MAC is empty (only 0x00 and 0xFF bytes); the others keep their order.
void PurgeEmptyHistory(DeviceDatabase& db, Link& link);

}  // namespace zentrel
