#include "registry/DeviceHistory.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/HexText.h"
#include "base/MacAddress.h"
#include "link/Link.h"
#include "link/StationOps.h"
#include "registry/Database.h"

namespace zentrel {
namespace {

void RemoveRecord(DeviceDatabase& db, int index) {
    for (int j = index; j + 1 < db.historyCount; ++j) db.history[static_cast<std::size_t>(j)] = db.history[static_cast<std::size_t>(j) + 1];
    db.history[static_cast<std::size_t>(db.historyCount) - 1] = HistoryRecord{};
    --db.historyCount;
}

bool Shown(const std::vector<std::string>& shownMacs, const std::string& macText) {
    return std::find(shownMacs.begin(), shownMacs.end(), macText) != shownMacs.end();
}

std::uint8_t SpeedFromText(const std::string& text) {
    // Reads the leading decimal number as a standard conversion does; only its low 8 bits are kept.
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<std::uint8_t>(static_cast<unsigned long long>(v) & 0xFF);
}

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

}  // namespace

int FindHistoryByMac(const DeviceDatabase& db, const std::uint8_t* mac) {
    const int count = std::clamp(db.historyCount, 0, kMaxHistory);
    for (int i = 0; i < count; ++i) {
        if (SameMac(db.history[static_cast<std::size_t>(i)].mac, mac)) return i + 1;
    }
    return 0;
}

int FindHistoryByMacText(const DeviceDatabase& db, const std::string& text) {
    const Mac mac = MacFromText(text);
    return FindHistoryByMac(db, mac.data());
}

void CompactHistory(DeviceDatabase& db) {
    auto& h = db.history;
    // Backward pass: a later record of the same MAC wins only when it was seen later, so among
    // equal times the one nearest the front stays.
    for (int i = db.historyCount - 1; i >= 1; --i) {
        for (int k = i - 1; k >= 0; --k) {
            const auto ui = static_cast<std::size_t>(i), uk = static_cast<std::size_t>(k);
            if (!SameMac(h[ui].mac, h[uk].mac)) continue;
            if (h[uk].lastSeen < h[ui].lastSeen) {
                RemoveRecord(db, k);
                --i;  // record i moved one slot forward
            } else {
                RemoveRecord(db, i);
                break;
            }
        }
    }
}

int NewHistorySlot(DeviceDatabase& db, const std::vector<std::string>& shownMacs) {
    if (db.historyCount < 0) db.historyCount = 0;
    if (db.historyCount < kMaxHistory) {
        const int slot = db.historyCount;
        db.history[static_cast<std::size_t>(slot)] = HistoryRecord{};
        ++db.historyCount;
        return slot;
    }
    int oldest = -1;
    for (int i = 0; i < kMaxHistory; ++i) {
        const auto& rec = db.history[static_cast<std::size_t>(i)];
        if (Shown(shownMacs, FormatMac(rec.mac))) continue;
        if (oldest < 0 || rec.lastSeen < db.history[static_cast<std::size_t>(oldest)].lastSeen) oldest = i;
    }
    if (oldest >= 0) db.history[static_cast<std::size_t>(oldest)] = HistoryRecord{};
    return oldest;
}

const HistoryRecord* HistoryAt(const DeviceDatabase& db, int position) {
    if (position <= 0 || position > std::clamp(db.historyCount, 0, kMaxHistory)) return nullptr;
    return &db.history[static_cast<std::size_t>(position - 1)];
}

void RecordLocalDevice(DeviceDatabase& db, const std::uint8_t* mac, std::uint8_t tei, bool onCurrentAdapter,
                       bool forgetPassword, const std::vector<std::string>& shownMacs, std::int64_t now) {
    const int found = FindHistoryByMac(db, mac);
    if (found == 0) {
        const int slot = NewHistorySlot(db, shownMacs);
        if (slot < 0) return;
        HistoryRecord& rec = db.history[static_cast<std::size_t>(slot)];
        SetRecordText(rec.label, sizeof rec.label, HexByte(tei));
        std::memcpy(rec.mac, mac, 6);
        rec.speed = 0xFF;
        rec.localMark = 0xFF;
        rec.lastSeen = now;
        return;
    }
    HistoryRecord& rec = db.history[static_cast<std::size_t>(found) - 1];
    SetRecordText(rec.label, sizeof rec.label, HexByte(tei));
    if (onCurrentAdapter) {
        rec.speed = 0xFF;
        rec.localMark = 0xFF;
        if (forgetPassword) SetRecordText(rec.password, sizeof rec.password, "");
    }
    rec.lastSeen = now;
}

void RecordListedStation(DeviceDatabase& db, const std::uint8_t* mac, const std::string& label, std::uint8_t speed,
                         const std::string& password, const std::vector<std::string>& shownMacs, std::int64_t now) {
    const int found = FindHistoryByMac(db, mac);
    int slot = found - 1;
    if (found == 0) {
        slot = NewHistorySlot(db, shownMacs);
        if (slot < 0) return;
    }
    HistoryRecord& rec = db.history[static_cast<std::size_t>(slot)];
    std::memcpy(rec.mac, mac, 6);
    SetRecordText(rec.label, sizeof rec.label, label);
    rec.speed = speed;
    rec.localMark = 0;
    rec.lastSeen = now;
    SetRecordText(rec.password, sizeof rec.password, password);
}

int AddDeviceRecord(DeviceDatabase& db, const std::uint8_t* mac, const std::string& label,
                    const std::vector<std::string>& shownMacs, std::int64_t now) {
    const int slot = NewHistorySlot(db, shownMacs);
    if (slot < 0) return 0;
    HistoryRecord& record = db.history[static_cast<std::size_t>(slot)];
    SetRecordText(record.label, sizeof record.label, label);
    std::memcpy(record.mac, mac, 6);
    record.lastSeen = now;
    record.localMark = 0;
    return slot + 1;
}

void SetHistoryPassword(DeviceDatabase& db, int position, const std::string& password) {
    if (position <= 0 || position > std::clamp(db.historyCount, 0, kMaxHistory)) return;
    HistoryRecord& rec = db.history[static_cast<std::size_t>(position - 1)];
    SetRecordText(rec.password, sizeof rec.password, password);
}

void UpdateHistory(DeviceDatabase& db, const Link& link, const std::vector<ListedStation>& listed,
                   const std::vector<std::string>& shownMacs, std::int64_t now) {
    for (int a = 0; a < kMaxAdapters; ++a) {
        const StationTable& t = link.tables[static_cast<std::size_t>(a)];
        if (!IsMacSet(t.localMac)) continue;
        RecordLocalDevice(db, t.localMac, t.network.localTei, a == link.currentAdapter, true, shownMacs, now);
    }
    for (const ListedStation& station : listed) {
        const Mac mac = MacFromText(station.mac);
        RecordListedStation(db, mac.data(), station.label, SpeedFromText(station.speed), station.password, shownMacs, now);
    }
}

void AddScannedStations(DeviceDatabase& db, const StationTable& table) {
    for (const auto& entry : table.stations) {
        if (db.historyCount >= kMaxHistory) break;
        if (!IsMacSet(entry.stationMac) || FindHistoryByMac(db, entry.stationMac) != 0) continue;
        auto& record = db.history[static_cast<std::size_t>(db.historyCount)];
        record = HistoryRecord{};
        std::memcpy(record.mac, entry.stationMac, 6);
        std::snprintf(record.label, sizeof record.label, "%s %hd", "Device", static_cast<short>(db.historyCount + 1));
        db.historyCount += 1;
    }
}

void RemoveHistoryRecord(DeviceDatabase& db, Link& link, int position) {
    if (position <= 0 || position > db.historyCount || position > kMaxHistory) return;
    RemoveStation(link, db.history[static_cast<std::size_t>(position - 1)].mac);
    for (int slot = position - 1; slot + 1 < db.historyCount; ++slot) {
        db.history[static_cast<std::size_t>(slot)] = db.history[static_cast<std::size_t>(slot) + 1];
    }
    db.historyCount -= 1;
    db.history[static_cast<std::size_t>(db.historyCount)] = HistoryRecord{};
}


int RemoveHistoryByMac(DeviceDatabase& db, Link& link, const std::uint8_t* mac) {
    RemoveStation(link, mac);
    const int p = FindHistoryByMac(db, mac);
    if (p > 0 && db.historyCount > 0) {
        for (int j = p; j < db.historyCount; ++j) db.history[static_cast<std::size_t>(j) - 1] = db.history[static_cast<std::size_t>(j)];
        db.history[static_cast<std::size_t>(db.historyCount) - 1] = HistoryRecord{};
        --db.historyCount;
    }
    return p;
}

void PurgeEmptyHistory(DeviceDatabase& db, Link& link) {
    db.historyCount = std::clamp(db.historyCount, 0, kMaxHistory);
    int i = 0;
    while (i < db.historyCount) {
        const auto& rec = db.history[static_cast<std::size_t>(i)];
        if (IsMacSet(rec.mac)) {
            ++i;
            continue;
        }
        // Every record before i has a set MAC, so the first record with this MAC is record i;
        // the MAC is copied because the record moves.
        std::uint8_t mac[6];
        std::memcpy(mac, rec.mac, 6);
        if (RemoveHistoryByMac(db, link, mac) == 0) ++i;  // cannot happen; never loop forever
    }
}

void MergeHistory(DeviceDatabase& db, std::span<const HistoryRecord> base, std::span<const HistoryRecord> disk) {
    const int baseCount = static_cast<int>(base.size());
    const HistoryRecord* baseRecords = base.data();
    std::array<HistoryRecord, 2 * kMaxHistory> merged{};
    int count = 0;
    // Ours, in our order, with what the other program changed or removed.
    for (int i = 0; i < std::clamp(db.historyCount, 0, kMaxHistory); ++i) {
        HistoryRecord record = db.history[static_cast<std::size_t>(i)];
        const HistoryRecord* was = FindRecord(baseRecords, baseCount, record.mac);
        const HistoryRecord* there = FindRecord(disk.data(), static_cast<int>(disk.size()), record.mac);
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
    for (const HistoryRecord& there : disk) {
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

}  // namespace zentrel
