#include "registry/Database.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/AtomicFile.h"
#include "base/HexText.h"
#include "base/ByteReader.h"
#include "registry/Core.h"
#include "registry/DatabaseMerge.h"

namespace zentrel {
namespace {

constexpr std::size_t kMaxDatabaseBytes = kDatabaseBaseBytes + kHistoryRecordBytes * kMaxHistory;
// Texts taken from the list views are read as through a 256-character buffer.
constexpr std::size_t kListTextLimit = 255;
constexpr char kRecoverText[] = "Unexpected condition reading database. Attempting to recover.";

void Warn(Core& core, const char* caption, const std::string& more = {}) {
    Message m;
    m.text = kRecoverText + more;
    m.caption = caption;
    m.icon = MsgIcon::Warning;
    m.buttons = MsgButtons::Ok;
    m.owner = MsgOwner::None;
    core.messages.Show(m);
}

// A damaged file is replaced by an empty one; the next save writes it whole again. What the
// damaged file held (device passwords among it) is first kept beside it, owner-only, replacing an
// older copy; when it cannot be kept the file stays as it is until the next save.
// Returns true when the file was recreated (and its content, if any, kept).
bool RecreateEmpty(Core& core, bool hadContent) {
    const std::filesystem::path path = core.FilePath(kDatabaseFile);
    if (hadContent) {
        const std::filesystem::path kept = core.FilePath(kDamagedDatabaseFile);
        if (std::rename(path.c_str(), kept.c_str()) != 0) return false;
        ::chmod(kept.c_str(), S_IRUSR | S_IWUSR);
    }
    WriteFileAtomically(path, {});
    core.db.lastStored.emplace();
    return true;
}

void RemoveRecord(DeviceDatabase& db, int index) {
    for (int j = index; j + 1 < db.historyCount; ++j) db.history[static_cast<std::size_t>(j)] = db.history[static_cast<std::size_t>(j) + 1];
    db.history[static_cast<std::size_t>(db.historyCount) - 1] = HistoryRecord{};
    --db.historyCount;
}

bool ListShowsMac(const ListModel& list, int subItem, const std::string& macText) {
    if (!list.present) return false;
    for (int r = 0; r < list.RowCount(); ++r) {
        if (list.Cell(r, subItem) == macText) return true;
    }
    return false;
}

std::string ListText(const ListModel& list, int row, int subItem) {
    std::string s = list.Cell(row, subItem);
    if (s.size() > kListTextLimit) s.resize(kListTextLimit);
    return s;
}

std::uint8_t SpeedFromText(const std::string& text) {
    // Reads the leading decimal number as a standard conversion does; only its low 8 bits are kept.
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<std::uint8_t>(static_cast<unsigned long long>(v) & 0xFF);
}

}  // namespace

std::string RecordText(const char* field, std::size_t width) {
    std::size_t n = 0;
    while (n < width && field[n] != '\0') ++n;
    return std::string(field, n);
}

void SetRecordText(char* field, std::size_t width, const std::string& text) {
    if (width == 0) return;
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(text.size(), width - 1));
}

void EncodeHistoryRecord(const HistoryRecord& r, std::vector<std::uint8_t>& out) {
    ByteWriter w(out);
    w.Write(r.label, sizeof r.label);
    w.Write(r.reserved32, sizeof r.reserved32);
    w.Write(r.mac, sizeof r.mac);
    w.Write(r.password, sizeof r.password);
    w.I64(r.lastSeen);
    w.U8(r.speed);
    w.U8(r.localMark);
    w.Write(r.reserved170, sizeof r.reserved170);
}

bool DecodeHistoryRecord(std::span<const std::uint8_t> bytes, HistoryRecord& record) {
    ByteReader r(bytes);
    HistoryRecord d{};
    if (!(r.Read(d.label, sizeof d.label) && r.Read(d.reserved32, sizeof d.reserved32) && r.Read(d.mac, sizeof d.mac) &&
          r.Read(d.password, sizeof d.password) && r.I64(d.lastSeen) && r.U8(d.speed) && r.U8(d.localMark) &&
          r.Read(d.reserved170, sizeof d.reserved170)))
        return false;
    // The texts come from a file: make sure every reader finds a terminator inside the field.
    d.label[sizeof d.label - 1] = '\0';
    d.password[sizeof d.password - 1] = '\0';
    record = d;
    return true;
}

void ResetDatabase(Core& core) {
    core.link.tables = StationTables{};
    for (auto& t : core.link.tables) std::memcpy(t.networkName, kDefaultNetworkName, sizeof kDefaultNetworkName);
    // Slots behind historyCount must be zero: new records are written into them field by field.
    core.db.history = {};
    core.db.historyCount = 0;
    core.link.currentAdapter = 0;
}

void LoadDatabase(Core& core) {
    auto& db = core.db;
    auto& views = core.views;
    std::vector<std::uint8_t> bytes;
    const bool read = ReadFilePrefix(core.FilePath(kDatabaseFile), kMaxDatabaseBytes, bytes);
    db.lastStored = bytes;
    if (!read) {
        ResetDatabase(core);
        ApplyListLayout(core, views.main.powerlineDevices);
        return;
    }
    ByteReader r(bytes);
    // Every path below ends in the layout being applied; a field cut short recreates the file.
    auto fail = [&] {
        RecreateEmpty(core, !bytes.empty());
        ApplyListLayout(core, views.main.powerlineDevices);
    };

    std::int32_t version = 0;
    if (!r.I32(version)) return fail();
    if (version < kDatabaseVersion) {
        ResetDatabase(core);
        // The first save would overwrite the file, and every device password in it.
        const bool kept = RecreateEmpty(core, true);
        Warn(core, "Attention!", kept ? " The previous database was kept as plc.data.damaged." : "");
        return;
    }

    std::int32_t adapter = 0;
    if (!r.I32(adapter)) return fail();
    core.link.currentAdapter = std::clamp(adapter, 0, kMaxAdapters - 1);

    std::span<const std::uint8_t> block(bytes);
    if (r.Remaining() < kStationBlockBytes) return fail();
    DecodeStationTables(block.subspan(r.Position(), kStationBlockBytes), core.link.tables);
    r.Skip(kStationBlockBytes);

    std::int32_t count = 0;
    if (!r.I32(count)) return fail();
    if (count < 0 || count > kMaxHistory) {
        db.history = {};
        db.historyCount = 0;
        Warn(core, "Problem Occurred");
        return fail();
    }

    db.history = {};
    db.historyCount = 0;
    for (int i = 0; i < count; ++i) {
        if (r.Remaining() < kHistoryRecordBytes) return fail();  // keeps the whole records read so far
        DecodeHistoryRecord(block.subspan(r.Position(), kHistoryRecordBytes), db.history[static_cast<std::size_t>(i)]);
        r.Skip(kHistoryRecordBytes);
        db.historyCount = i + 1;
    }

    // The layout is taken entry by entry as far as the file goes; only the sort state is required.
    ListLayout layout = db.listLayout;
    for (auto& v : layout.columnOrder) {
        if (!r.I32(v)) break;
    }
    for (auto& v : layout.columnWidths) {
        if (!r.I32(v)) break;
    }
    db.listLayout = layout;

    std::int32_t ascending = 0, column = 0;
    if (!r.I32(ascending)) return fail();
    core.mainPage.sortAscending = ascending;
    if (!r.I32(column)) return fail();
    core.mainPage.sortColumn = column;

    ApplyListLayout(core, views.main.powerlineDevices);
}

void SaveDatabase(Core& core) {
    auto& db = core.db;
    db.historyCount = std::clamp(db.historyCount, 0, kMaxHistory);
    if (db.historyCount >= 2) CompactHistory(core);
    CaptureListLayout(core, core.views.main.powerlineDevices);

    // `zentrel` and the desktop program may both work in this directory: what the other one
    // wrote since this one last read or wrote the file is taken in, not overwritten. The lock
    // keeps the other program from saving between this read and the write below.
    const std::filesystem::path path = core.FilePath(kDatabaseFile);
    const DirectoryLock lock(core.directory);
    if (db.lastStored) {
        std::vector<std::uint8_t> onDisk;
        ReadFilePrefix(path, kMaxDatabaseBytes, onDisk);
        if (onDisk != *db.lastStored) TakeInStoredChanges(core, *db.lastStored, onDisk);
    }

    std::vector<std::uint8_t> out;
    out.reserve(kDatabaseBaseBytes + kHistoryRecordBytes * static_cast<std::size_t>(db.historyCount));
    ByteWriter w(out);
    w.I32(kDatabaseVersion);
    w.I32(core.link.currentAdapter);
    EncodeStationTables(core.link.tables, out);
    w.I32(db.historyCount);
    for (int i = 0; i < db.historyCount; ++i) EncodeHistoryRecord(db.history[static_cast<std::size_t>(i)], out);
    for (auto v : db.listLayout.columnOrder) w.I32(v);
    for (auto v : db.listLayout.columnWidths) w.I32(v);
    w.I32(core.mainPage.sortAscending);
    w.I32(core.mainPage.sortColumn);

    // A failed write leaves the previous file in place; there is no message for it.
    if (WriteFileAtomically(path, out)) db.lastStored = std::move(out);
}

int FindHistoryByMac(const Core& core, const std::uint8_t* mac) {
    const int count = std::clamp(core.db.historyCount, 0, kMaxHistory);
    for (int i = 0; i < count; ++i) {
        if (SameMac(core.db.history[static_cast<std::size_t>(i)].mac, mac)) return i + 1;
    }
    return 0;
}

int FindHistoryByMacText(const Core& core, const std::string& text) {
    const Mac mac = MacFromText(text);
    return FindHistoryByMac(core, mac.data());
}

void CompactHistory(Core& core) {
    auto& db = core.db;
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

int NewHistorySlot(Core& core) {
    auto& db = core.db;
    if (db.historyCount < 0) db.historyCount = 0;
    if (db.historyCount < kMaxHistory) {
        const int slot = db.historyCount;
        db.history[static_cast<std::size_t>(slot)] = HistoryRecord{};
        ++db.historyCount;
        return slot;
    }
    const auto& localList = core.views.main.localDevices;
    const auto& powerList = core.views.main.powerlineDevices;
    int oldest = -1;
    for (int i = 0; i < kMaxHistory; ++i) {
        const auto& rec = db.history[static_cast<std::size_t>(i)];
        const std::string text = FormatMac(rec.mac);
        if (ListShowsMac(localList, 1, text) || ListShowsMac(powerList, 3, text)) continue;
        if (oldest < 0 || rec.lastSeen < db.history[static_cast<std::size_t>(oldest)].lastSeen) oldest = i;
    }
    if (oldest >= 0) db.history[static_cast<std::size_t>(oldest)] = HistoryRecord{};
    return oldest;
}

void UpdateHistory(Core& core) {
    auto& db = core.db;
    const std::int64_t now = core.clock.Now();

    for (int a = 0; a < kMaxAdapters; ++a) {
        const StationTable& t = core.link.tables[static_cast<std::size_t>(a)];
        if (!IsMacSet(t.localMac)) continue;
        const int found = FindHistoryByMac(core, t.localMac);
        if (found == 0) {
            const int slot = NewHistorySlot(core);
            if (slot < 0) continue;
            HistoryRecord& rec = db.history[static_cast<std::size_t>(slot)];
            SetRecordText(rec.label, sizeof rec.label, HexByte(t.localTei));
            std::memcpy(rec.mac, t.localMac, 6);
            rec.speed = 0xFF;
            rec.localMark = 0xFF;
            rec.lastSeen = now;
        } else {
            HistoryRecord& rec = db.history[static_cast<std::size_t>(found) - 1];
            SetRecordText(rec.label, sizeof rec.label, HexByte(t.localTei));
            if (a == core.link.currentAdapter) {
                rec.speed = 0xFF;
                rec.localMark = 0xFF;
                SetRecordText(rec.password, sizeof rec.password, "");
            }
            rec.lastSeen = now;
        }
    }

    const ListModel& list = core.views.main.powerlineDevices;
    if (list.present) {
        for (int row = 0; row < list.RowCount(); ++row) {
            const Mac mac = MacFromText(ListText(list, row, 3));
            const int found = FindHistoryByMac(core, mac.data());
            int slot = found - 1;
            if (found == 0) {
                slot = NewHistorySlot(core);
                if (slot < 0) continue;
            }
            HistoryRecord& rec = db.history[static_cast<std::size_t>(slot)];
            std::memcpy(rec.mac, mac.data(), 6);
            SetRecordText(rec.label, sizeof rec.label, ListText(list, row, 0));
            rec.speed = SpeedFromText(ListText(list, row, 1));
            rec.localMark = 0;
            rec.lastSeen = now;
            SetRecordText(rec.password, sizeof rec.password, ListText(list, row, 4));
        }
    }

    SaveDatabase(core);
}

void ApplyListLayout(Core& core, ListModel& list) {
    if (!list.present) return;
    const auto& layout = core.db.listLayout;
    // The order is taken only when it names each of the list's five columns once.
    if (list.columns.size() == layout.columnOrder.size()) {
        std::array<bool, 5> seen{};
        bool valid = true;
        for (auto v : layout.columnOrder) {
            if (v < 0 || v >= 5 || seen[static_cast<std::size_t>(v)]) {
                valid = false;
                break;
            }
            seen[static_cast<std::size_t>(v)] = true;
        }
        if (valid) list.columnOrder.assign(layout.columnOrder.begin(), layout.columnOrder.end());
    }
    for (std::size_t i = 0; i < layout.columnWidths.size() && i < list.columns.size(); ++i)
        list.columns[i].width = static_cast<std::int16_t>(layout.columnWidths[i] & 0xFFFF);
}

void CaptureListLayout(Core& core, const ListModel& list) {
    if (!list.present) return;
    auto& layout = core.db.listLayout;
    if (list.columnOrder.size() == layout.columnOrder.size())
        std::copy(list.columnOrder.begin(), list.columnOrder.end(), layout.columnOrder.begin());
    for (std::size_t i = 0; i < layout.columnWidths.size() && i < list.columns.size(); ++i)
        layout.columnWidths[i] = list.columns[i].width;
}

}  // namespace zentrel
