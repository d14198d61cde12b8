#include "registry/DatabaseMerge.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "base/ByteReader.h"
#include "base/MacAddress.h"
#include "link/Link.h"

namespace zentrel {
namespace {

const HistoryRecord* FindRecord(const HistoryRecord* records, int count, const std::uint8_t* mac) {
    for (int i = 0; i < count; ++i) {
        if (SameMac(records[i].mac, mac)) return &records[i];
    }
    return nullptr;
}

bool SameRecord(const HistoryRecord& a, const HistoryRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Field by field: what the other program changed against the base replaces ours.
void TakeChangedFields(const HistoryRecord& base, const HistoryRecord& disk, HistoryRecord& ours) {
    auto take = [&](auto field) {
        if (std::memcmp(&(base.*field), &(disk.*field), sizeof(disk.*field)) != 0)
            std::memcpy(&(ours.*field), &(disk.*field), sizeof(disk.*field));
    };
    take(&HistoryRecord::label);
    take(&HistoryRecord::reserved32);
    take(&HistoryRecord::password);
    take(&HistoryRecord::lastSeen);
    take(&HistoryRecord::speed);
    take(&HistoryRecord::localMark);
    take(&HistoryRecord::reserved170);
}

void MergeHistory(const StoredState* base, const StoredState& disk, DeviceDatabase& db) {
    const int baseCount = base ? base->historyCount : 0;
    const HistoryRecord* baseRecords = base ? base->history.data() : nullptr;
    std::array<HistoryRecord, 2 * kMaxHistory> merged{};
    int count = 0;
    // Ours, in our order, with what the other program changed or removed.
    for (int i = 0; i < std::clamp(db.historyCount, 0, kMaxHistory); ++i) {
        HistoryRecord record = db.history[static_cast<std::size_t>(i)];
        const HistoryRecord* was = FindRecord(baseRecords, baseCount, record.mac);
        const HistoryRecord* there = FindRecord(disk.history.data(), disk.historyCount, record.mac);
        if (was && !there) continue;
        if (there) {
            if (was) {
                TakeChangedFields(*was, *there, record);
            } else {
                record = *there;  // added on both sides: the other program's record wins
            }
        }
        merged[static_cast<std::size_t>(count++)] = record;
    }
    // What only the other program holds: added there, or changed there after we removed it.
    for (int i = 0; i < disk.historyCount; ++i) {
        const HistoryRecord& there = disk.history[static_cast<std::size_t>(i)];
        if (FindRecord(merged.data(), count, there.mac)) continue;
        const HistoryRecord* was = FindRecord(baseRecords, baseCount, there.mac);
        if (was && SameRecord(*was, there)) continue;
        merged[static_cast<std::size_t>(count++)] = there;
    }
    while (count > kMaxHistory) {
        int oldest = 0;
        for (int i = 1; i < count; ++i) {
            if (merged[static_cast<std::size_t>(i)].lastSeen <= merged[static_cast<std::size_t>(oldest)].lastSeen) oldest = i;
        }
        std::copy(merged.begin() + oldest + 1, merged.begin() + count, merged.begin() + oldest);
        --count;
    }
    db.history = {};
    std::copy(merged.begin(), merged.begin() + count, db.history.begin());
    db.historyCount = count;
}

}  // namespace

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
    MergeHistory(haveBase ? &was : nullptr, disk, db);
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
