#pragma once
// Clearing, aging and editing the station tables.
#include <cstdint>

#include "link/StationTable.h"

namespace zentrel {

struct Link;

// Empties every table's stations and flags (names, local MACs and network info stay), then tells
// the link's events that the tables were cleared.
void ClearStationTables(Link& link);
// One aging pass over the current adapter's table.
void AgeStations(Link& link);
LocalDevice LocalDeviceOf(const Link& link, int adapter);
// Removes the station with that MAC from the current adapter's table, moving later entries up.
void RemoveStation(Link& link, const std::uint8_t* mac);

}  // namespace zentrel
