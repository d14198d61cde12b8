#pragma once
// The device history: every search, addition, update, purge and removal of its records.
#include <cstdint>
#include <string>
#include <vector>

#include "registry/Database.h"

namespace zentrel {

struct Link;

// 1-based position of the first record with that MAC, 0 when none.
int FindHistoryByMac(const DeviceDatabase& db, const std::uint8_t* mac);
int FindHistoryByMacText(const DeviceDatabase& db, const std::string& text);
void CompactHistory(DeviceDatabase& db);

// Room for a record of a device the history does not hold yet. While there is room it is the
// slot behind the last record; with 32 records it is the record with the oldest lastSeen among
// those whose MAC text is not in `shownMacs` (the MACs the local and the powerline device lists
// show). The slot comes back zeroed and already counted in historyCount; -1 when every record
// belongs to a shown device (the new device is then not recorded).
int NewHistorySlot(DeviceDatabase& db, const std::vector<std::string>& shownMacs);

// A station as the powerline device list shows it: MAC, label (TEI text), speed text, password.
struct ListedStation {
    std::string mac;
    std::string label;
    std::string speed;
    std::string password;
};
// Brings the history up to date with the local devices of the link's tables and the listed
// stations, at time `now`.
void UpdateHistory(DeviceDatabase& db, const Link& link, const std::vector<ListedStation>& listed,
                   const std::vector<std::string>& shownMacs, std::int64_t now);

// Gives every station of the table that the history does not hold yet a record labelled
// "Device n" (n its 1-based position), while there is room.
void AddScannedStations(DeviceDatabase& db, const StationTable& table);
// Removes record `position` (1-based) and its station; nothing for 0 or less.
void RemoveHistoryRecord(DeviceDatabase& db, Link& link, int position);

// Removes that MAC's station from the current adapter's table and the first history record
// holding the MAC. Returns the record's 1-based position, 0 when no record held it.
int RemoveHistoryByMac(DeviceDatabase& db, Link& link, const std::uint8_t* mac);
// Removes every record whose MAC is empty (only 0x00 and 0xFF bytes); the others keep their order.
void PurgeEmptyHistory(DeviceDatabase& db, Link& link);

}  // namespace zentrel
