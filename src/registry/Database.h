#pragma once
// The device database plc.data: station tables, current adapter, device history and the
// powerline list's layout and sort state.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "base/Messages.h"
#include "keys/KeyDerivation.h"
#include "link/StationTable.h"

namespace zentrel {

struct Link;

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
    // The powerline device list's sort state.
    std::int32_t sortAscending = 1;
    std::int32_t sortColumn = 1;
    std::int32_t selectedHistory = 0;  // 1-based record of the device in "Set Device Password"
    // plc.data as this program last read or wrote it (empty: missing or empty; none: never
    // loaded). A save that finds the file otherwise first takes in what another program changed.
    std::optional<std::vector<std::uint8_t>> lastStored;
};

// Everything plc.data holds, as plain data.
struct DatabaseImage {
    std::int32_t version = kDatabaseVersion;
    std::int32_t currentAdapter = 0;
    StationTables tables{};
    std::array<HistoryRecord, kMaxHistory> history{};
    std::int32_t historyCount = 0;
    ListLayout listLayout;
    std::int32_t sortAscending = 1;
    std::int32_t sortColumn = 1;
};

enum class DatabaseStatus {
    Whole,       // every field was read
    OldVersion,  // a version before kDatabaseVersion: nothing was taken
    Cut,         // the bytes end inside a required field: the fields before it were taken
    BadCount,    // a history count outside 0..32: the history was emptied
};

// Reads plc.data's bytes into `image` field by field. Fields the bytes do not reach keep the
// values `image` held; the current adapter is kept within 0..7 and every record's texts
// terminated. The list layout is taken entry by entry as far as the bytes go.
DatabaseStatus DecodeDatabase(std::span<const std::uint8_t> bytes, DatabaseImage& image);
// The bytes a save writes: kDatabaseBaseBytes + 176 per record.
std::vector<std::uint8_t> EncodeDatabase(const DatabaseImage& image);

// The image of what the program holds, and back.
DatabaseImage ImageOf(const DeviceDatabase& db, const Link& link);
void TakeImage(const DatabaseImage& image, DeviceDatabase& db, Link& link);

// Reads plc.data from `directory` into the database and the link's tables and current adapter.
// A missing file resets both; a damaged one is kept as plc.data.damaged and recreated empty, with
// a warning where the user would otherwise lose it unawares. Returns false when the list layout
// must not be applied (a file of an older version).
bool ReadDatabase(DeviceDatabase& db, Link& link, Messages& messages, const std::filesystem::path& directory);

// What a save took in from another program's changes to the file.
struct StoredChanges {
    bool taken = false;          // history records were merged: listed passwords may be stale
    bool layoutChanged = false;  // the list layout came from the file
    int writeError = 0;          // the system's error number when the file could not be written
};
// Writes plc.data into `directory` atomically, after taking in what another program changed
// since this one last read or wrote it. A failed write leaves the previous file in place and
// says why in `writeError`.
StoredChanges WriteDatabase(DeviceDatabase& db, Link& link, const std::filesystem::path& directory,
                            Durability durability = Durability::Immediate);
// What WriteDatabase does to the records before it writes them (the count clamped, duplicates
// dropped); a save that is put off does this at once, so that what follows sees the same records.
void TidyHistoryForWrite(DeviceDatabase& db);
void ResetDatabase(DeviceDatabase& db, Link& link);

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
