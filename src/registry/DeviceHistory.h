#pragma once
// The device history: every search, addition, update, purge and removal of its records.
#include <cstdint>
#include <span>
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

// Record `position` (1-based); nullptr outside the records held.
const HistoryRecord* HistoryAt(const DeviceDatabase& db, int position);

// A local device seen at `now` with its TEI as label. A new record is a local one (speed and
// local mark 0xFF); an existing record becomes one only when the device sits behind the current
// adapter, and then loses its password when `forgetPassword` is set.
void RecordLocalDevice(DeviceDatabase& db, const std::uint8_t* mac, std::uint8_t tei, bool onCurrentAdapter,
                       bool forgetPassword, const std::vector<std::string>& shownMacs, std::int64_t now);
// A remote station seen at `now`: its record (found or new) takes label, speed and password.
void RecordListedStation(DeviceDatabase& db, const std::uint8_t* mac, const std::string& label, std::uint8_t speed,
                         const std::string& password, const std::vector<std::string>& shownMacs, std::int64_t now);
// A new record for a device the history does not hold: MAC, label, seen at `now`. Returns its
// 1-based position, 0 when there is no room (see NewHistorySlot).
int AddDeviceRecord(DeviceDatabase& db, const std::uint8_t* mac, const std::string& label,
                    const std::vector<std::string>& shownMacs, std::int64_t now);

// The device password of record `position` (1-based); nothing outside the records held.
void SetHistoryPassword(DeviceDatabase& db, int position, const std::string& password);

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


// Takes into `db` what another program changed in its copy `disk` of the records against `base`
// (the records as this program last read or wrote them): matched by MAC, a record removed there
// is removed here, a field changed there wins, a record added there is added, a record removed
// here stays removed unless changed there. Beyond 32 records the ones seen longest ago go.
void MergeHistory(DeviceDatabase& db, std::span<const HistoryRecord> base, std::span<const HistoryRecord> disk);

}  // namespace zentrel
