#pragma once
// The device database plc.data: station tables, current adapter, device history and the
// powerline list's layout and sort state.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "keys/KeyDerivation.h"
#include "registry/Views.h"

namespace zentrel {

struct Core;

struct HistoryRecord {
    char label[32];
    std::uint8_t reserved32[4];
    std::uint8_t mac[6];
    char password[118];
    std::int64_t lastSeen;  // seconds since 1970-01-01 00:00 UTC
    std::uint8_t speed;     // remote: low 8 bits of the speed shown; local: 0xFF
    std::uint8_t localMark; // 0xFF local, 0 remote
    std::uint8_t reserved170[6];
};
static_assert(sizeof(HistoryRecord) == 176);
static_assert(offsetof(HistoryRecord, label) == 0);
static_assert(offsetof(HistoryRecord, mac) == 36);
static_assert(offsetof(HistoryRecord, password) == 42);
static_assert(offsetof(HistoryRecord, lastSeen) == 160);
static_assert(offsetof(HistoryRecord, speed) == 168);
static_assert(offsetof(HistoryRecord, localMark) == 169);

inline constexpr int kMaxHistory = 32;
inline constexpr std::int32_t kDatabaseVersion = 306;
inline constexpr char kDatabaseFile[] = "plc.data";
// Where a damaged database is kept when the load recreates it (the last one only).
inline constexpr char kDamagedDatabaseFile[] = "plc.data.damaged";
// kDefaultNetworkName, the name of a "Public" network, comes from keys/KeyDerivation.h.

struct ListLayout {
    std::array<std::int32_t, 5> columnOrder{0, 1, 2, 3, 4};
    std::array<std::int32_t, 5> columnWidths{-2, -2, -2, -2, -2};
};

struct DeviceDatabase {
    std::array<HistoryRecord, kMaxHistory> history{};
    std::int32_t historyCount = 0;
    ListLayout listLayout;
    std::int32_t selectedHistory = 0;  // 1-based record of the device in "Set Device Password"
    // plc.data as this program last read or wrote it (empty: missing or empty; none: never
    // loaded). A save that finds the file otherwise first takes in what another program changed.
    std::optional<std::vector<std::uint8_t>> lastStored;
};

void LoadDatabase(Core& core);
void SaveDatabase(Core& core);
void ResetDatabase(Core& core);
void UpdateHistory(Core& core);
// 1-based position of the first record with that MAC, 0 when none.
int FindHistoryByMac(const Core& core, const std::uint8_t* mac);
int FindHistoryByMacText(const Core& core, const std::string& text);
void CompactHistory(Core& core);
void ApplyListLayout(Core& core, ListModel& list);
void CaptureListLayout(Core& core, const ListModel& list);

// Room for a record of a device the history does not hold yet. While there is room it is the
// slot behind the last record; with 32 records it is the record with the oldest lastSeen among
// those whose MAC neither the local nor the powerline device list shows. The slot comes back
// zeroed and already counted in historyCount; -1 when every record belongs to a shown device (the
// new device is then not recorded).
int NewHistorySlot(Core& core);

// A record's text field up to its terminator, never past the field's width.
std::string RecordText(const char* field, std::size_t width);
// Stores text cut to the field's width minus one, terminated, rest of the field zero.
void SetRecordText(char* field, std::size_t width, const std::string& text);

// The 176-byte stored form of a record, little-endian.
void EncodeHistoryRecord(const HistoryRecord& record, std::vector<std::uint8_t>& out);
bool DecodeHistoryRecord(std::span<const std::uint8_t> bytes, HistoryRecord& record);
inline constexpr std::size_t kHistoryRecordBytes = 176;
// A file with n records is kDatabaseBaseBytes + 176 * n bytes long.
inline constexpr std::size_t kDatabaseBaseBytes = 97532;

}  // namespace zentrel
