#pragma once
// Clearing, aging and editing the station tables.
#include <cstdint>

#include "link/StationTable.h"

namespace zentrel {

struct Core;

// Empties every table's stations and flags (names, local MACs and network info stay), then has
// the history drop records with an empty MAC and saves plc.data.
void ClearStationTables(Core& core);
// One aging pass over the current adapter's table.
void AgeStations(Core& core);
LocalDevice LocalDeviceOf(const Core& core, int adapter);
// Removes the station with that MAC from the current adapter's table, moving later entries up.
void RemoveStation(Core& core, const std::uint8_t* mac);

}  // namespace zentrel
