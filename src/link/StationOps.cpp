#include "link/StationOps.h"

#include <cstring>

#include "base/MacAddress.h"
#include "link/Link.h"

namespace zentrel {
namespace {

// How many scan cycles' worth of misses a dropped station is charged.
constexpr std::int8_t kMissAllowance = 3;

bool ValidIndex(int adapter) {
    return adapter >= 0 && adapter < kMaxAdapters;
}

void DropStation(StationTable& table, StationEntry& entry) {
    entry.dropCount += kMissAllowance;
    entry.rateValue = 0.0;
    entry.present = 0;
    if (table.stationCount > 0) --table.stationCount;
}

}  // namespace

void ClearStationTables(Link& link) {
    for (int i = 0; i < kMaxAdapters; ++i) {
        StationTable& table = link.tables[static_cast<std::size_t>(i)];
        table.stationCount = 0;
        link.adapters[static_cast<std::size_t>(i)].localFound = 0;
        for (StationEntry& entry : table.stations) {
            entry.rateValue = 0.0;
            entry.present = 0;
            entry.missesTillDrop = 0;
            std::memset(entry.stationMac, 0, sizeof entry.stationMac);
            std::memset(entry.bridgedMac, 0, sizeof entry.bridgedMac);
            entry.avgTxRate = 0;
            entry.avgRxRate = 0;
        }
    }
    if (link.events) link.events->TablesCleared();
}

void AgeStations(Link& link) {
    const int current = link.currentAdapter;
    if (!ValidIndex(current)) return;
    StationTable& table = link.tables[static_cast<std::size_t>(current)];
    for (StationEntry& entry : table.stations) {
        if (entry.present == 0) continue;
        const auto left = static_cast<std::int8_t>(entry.missesTillDrop - 1);
        if (left > 0) {
            entry.missesTillDrop = left;
            continue;
        }
        entry.missesTillDrop = 0;
        DropStation(table, entry);
    }
}

LocalDevice LocalDeviceOf(const Link& link, int adapter) {
    LocalDevice device{};
    if (!ValidIndex(adapter)) return device;
    const AdapterRecord& record = link.adapters[static_cast<std::size_t>(adapter)];
    device.localAux = record.localAux;
    std::memcpy(device.localMac, record.localMac, 6);
    device.localFound = record.localFound;
    return device;
}

void RemoveStation(Link& link, const std::uint8_t* mac) {
    const int current = link.currentAdapter;
    if (!ValidIndex(current) || !mac || !IsMacSet(mac)) return;
    StationEntry* stations = link.tables[static_cast<std::size_t>(current)].stations;
    for (int slot = 0; slot < kMaxStations; ++slot) {
        if (!SameMac(stations[slot].stationMac, mac)) continue;
        for (int k = slot; k + 1 < kMaxStations; ++k) stations[k] = stations[k + 1];
        stations[kMaxStations - 1] = StationEntry{};
        return;
    }
}

}  // namespace zentrel
