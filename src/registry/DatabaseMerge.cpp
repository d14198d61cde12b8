#include "registry/DatabaseMerge.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "base/ByteReader.h"
#include "base/MacAddress.h"
#include "link/Link.h"
#include "registry/DeviceHistory.h"

namespace zentrel {

bool DecodeStoredState(std::span<const std::uint8_t> bytes, StoredState& state) {
    ByteReader r(bytes);
    std::int32_t version = 0, adapter = 0, count = 0;
    if (!r.I32(version) || version < kDatabaseVersion || !r.I32(adapter)) return false;
    const std::size_t tables = r.Position();
    if (!r.Skip(kStationBlockBytes) || !r.I32(count) || count < 0 || count > kMaxHistory) return false;
    for (int a = 0; a < kMaxAdapters; ++a) {
        const std::size_t at = tables + kStationTableBytes * static_cast<std::size_t>(a) + offsetof(StationTable, networkName);
        std::memcpy(state.networkNames[static_cast<std::size_t>(a)].data(), bytes.data() + at, sizeof(StationTable::networkName));
    }
    state.history = {};
    for (int i = 0; i < count; ++i) {
        if (r.Remaining() < kHistoryRecordBytes) return false;
        DecodeHistoryRecord(bytes.subspan(r.Position(), kHistoryRecordBytes), state.history[static_cast<std::size_t>(i)]);
        r.Skip(kHistoryRecordBytes);
    }
    state.historyCount = count;
    for (auto& v : state.listLayout.columnOrder) {
        if (!r.I32(v)) return false;
    }
    for (auto& v : state.listLayout.columnWidths) {
        if (!r.I32(v)) return false;
    }
    return r.I32(state.sortAscending) && r.I32(state.sortColumn);
}

StoredChanges TakeInStoredChanges(DeviceDatabase& db, Link& link, const std::filesystem::path& directory,
                                  const std::vector<std::uint8_t>& base, const std::vector<std::uint8_t>& onDisk) {
    StoredChanges changes;
    StoredState disk;
    if (!DecodeStoredState(onDisk, disk)) {
        // Whatever put it there, it may hold device passwords: keep it before the save replaces it.
        if (!onDisk.empty()) {
            const auto kept = directory / kDamagedDatabaseFile;
            const auto path = directory / kDatabaseFile;
            if (std::rename(path.c_str(), kept.c_str()) == 0) ::chmod(kept.c_str(), S_IRUSR | S_IWUSR);
        }
        return changes;
    }
    StoredState was;
    const bool haveBase = DecodeStoredState(base, was);
    MergeHistory(db, haveBase ? std::span<const HistoryRecord>(was.history.data(), static_cast<std::size_t>(was.historyCount))
                              : std::span<const HistoryRecord>(),
                 std::span<const HistoryRecord>(disk.history.data(), static_cast<std::size_t>(disk.historyCount)));
    changes.taken = true;
    // Without a base there is nothing to tell the other program's settings from ours: ours stay.
    if (!haveBase) return changes;
    for (int a = 0; a < kMaxAdapters; ++a) {
        const auto& name = disk.networkNames[static_cast<std::size_t>(a)];
        if (name != was.networkNames[static_cast<std::size_t>(a)])
            std::memcpy(link.tables[static_cast<std::size_t>(a)].networkName, name.data(), name.size());
    }
    if (disk.listLayout.columnOrder != was.listLayout.columnOrder ||
        disk.listLayout.columnWidths != was.listLayout.columnWidths) {
        db.listLayout = disk.listLayout;
        changes.layoutChanged = true;
    }
    if (disk.sortAscending != was.sortAscending || disk.sortColumn != was.sortColumn) {
        db.sortAscending = disk.sortAscending;
        db.sortColumn = disk.sortColumn;
    }
    return changes;
}

}  // namespace zentrel
