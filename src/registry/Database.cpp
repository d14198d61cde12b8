#include "registry/Database.h"
#include "registry/DeviceHistory.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/AtomicFile.h"
#include "base/ByteReader.h"
#include "base/HexText.h"
#include "base/MacAddress.h"
#include "link/Link.h"
#include "link/StationTableCodec.h"
#include "registry/DatabaseMerge.h"

namespace zentrel {
namespace {

constexpr std::size_t kMaxDatabaseBytes = kDatabaseBaseBytes + kHistoryRecordBytes * kMaxHistory;
constexpr char kRecoverText[] = "Unexpected condition reading database. Attempting to recover.";

void Warn(Messages& messages, const char* caption, const std::string& more = {}) {
    Message m;
    m.text = kRecoverText + more;
    m.caption = caption;
    m.icon = MsgIcon::Warning;
    m.buttons = MsgButtons::Ok;
    m.owner = MsgOwner::None;
    messages.Show(m);
}

// A damaged file is replaced by an empty one; the next save writes it whole again. What the
// damaged file held (device passwords among it) is first kept beside it, owner-only, replacing an
// older copy; when it cannot be kept the file stays as it is until the next save.
// Returns true when the file was recreated (and its content, if any, kept).
bool RecreateEmpty(DeviceDatabase& db, const std::filesystem::path& directory, bool hadContent) {
    const std::filesystem::path path = directory / kDatabaseFile;
    if (hadContent) {
        const std::filesystem::path kept = directory / kDamagedDatabaseFile;
        if (std::rename(path.c_str(), kept.c_str()) != 0) return false;
        ::chmod(kept.c_str(), S_IRUSR | S_IWUSR);
    }
    WriteFileAtomically(path, {});
    db.lastStored.emplace();
    return true;
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
    std::copy_n(text.data(), std::min(text.size(), width - 1), field);  // the last byte stays NUL
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

void ResetDatabase(DeviceDatabase& db, Link& link) {
    link.tables = StationTables{};
    for (auto& t : link.tables) std::memcpy(t.networkName, kDefaultNetworkName, sizeof kDefaultNetworkName);
    // Slots behind historyCount must be zero: new records are written into them field by field.
    db.history = {};
    db.historyCount = 0;
    link.currentAdapter = 0;
}

DatabaseStatus DecodeDatabase(std::span<const std::uint8_t> bytes, DatabaseImage& image) {
    ByteReader r(bytes);
    std::int32_t version = 0;
    if (!r.I32(version)) return DatabaseStatus::Cut;
    if (version < kDatabaseVersion) return DatabaseStatus::OldVersion;
    image.version = version;

    std::int32_t adapter = 0;
    if (!r.I32(adapter)) return DatabaseStatus::Cut;
    image.currentAdapter = std::clamp(adapter, 0, kMaxAdapters - 1);

    if (r.Remaining() < kStationBlockBytes) return DatabaseStatus::Cut;
    DecodeStationTables(bytes.subspan(r.Position(), kStationBlockBytes), image.tables);
    r.Skip(kStationBlockBytes);

    std::int32_t count = 0;
    if (!r.I32(count)) return DatabaseStatus::Cut;
    image.history = {};
    image.historyCount = 0;
    if (count < 0 || count > kMaxHistory) return DatabaseStatus::BadCount;
    for (int i = 0; i < count; ++i) {
        // The whole records read so far are kept.
        if (r.Remaining() < kHistoryRecordBytes) return DatabaseStatus::Cut;
        DecodeHistoryRecord(bytes.subspan(r.Position(), kHistoryRecordBytes), image.history[static_cast<std::size_t>(i)]);
        r.Skip(kHistoryRecordBytes);
        image.historyCount = i + 1;
    }

    // The layout is taken entry by entry as far as the bytes go; only the sort state is required.
    for (auto& v : image.listLayout.columnOrder) {
        if (!r.I32(v)) break;
    }
    for (auto& v : image.listLayout.columnWidths) {
        if (!r.I32(v)) break;
    }
    std::int32_t ascending = 0, column = 0;
    if (!r.I32(ascending)) return DatabaseStatus::Cut;
    image.sortAscending = ascending;
    if (!r.I32(column)) return DatabaseStatus::Cut;
    image.sortColumn = column;
    return DatabaseStatus::Whole;
}

std::vector<std::uint8_t> EncodeDatabase(const DatabaseImage& image) {
    const int count = std::clamp(image.historyCount, 0, kMaxHistory);
    std::vector<std::uint8_t> out;
    out.reserve(kDatabaseBaseBytes + kHistoryRecordBytes * static_cast<std::size_t>(count));
    ByteWriter w(out);
    w.I32(image.version);
    w.I32(image.currentAdapter);
    EncodeStationTables(image.tables, out);
    w.I32(count);
    for (int i = 0; i < count; ++i) EncodeHistoryRecord(image.history[static_cast<std::size_t>(i)], out);
    for (auto v : image.listLayout.columnOrder) w.I32(v);
    for (auto v : image.listLayout.columnWidths) w.I32(v);
    w.I32(image.sortAscending);
    w.I32(image.sortColumn);
    return out;
}

DatabaseImage ImageOf(const DeviceDatabase& db, const Link& link) {
    DatabaseImage image;
    image.currentAdapter = link.currentAdapter;
    image.tables = link.tables;
    image.history = db.history;
    image.historyCount = db.historyCount;
    image.listLayout = db.listLayout;
    image.sortAscending = db.sortAscending;
    image.sortColumn = db.sortColumn;
    return image;
}

void TakeImage(const DatabaseImage& image, DeviceDatabase& db, Link& link) {
    link.currentAdapter = image.currentAdapter;
    link.tables = image.tables;
    db.history = image.history;
    db.historyCount = image.historyCount;
    db.listLayout = image.listLayout;
    db.sortAscending = image.sortAscending;
    db.sortColumn = image.sortColumn;
}

bool ReadDatabase(DeviceDatabase& db, Link& link, Messages& messages, const std::filesystem::path& directory) {
    std::vector<std::uint8_t> bytes;
    const bool read = ReadFilePrefix(directory / kDatabaseFile, kMaxDatabaseBytes, bytes);
    if (!read) {
        db.lastStored = std::move(bytes);
        ResetDatabase(db, link);
        return true;
    }
    DatabaseImage image = ImageOf(db, link);
    const DatabaseStatus status = DecodeDatabase(bytes, image);
    const bool hadContent = !bytes.empty();
    // Decoded: the bytes are kept only to tell later whether another program changed the file.
    db.lastStored = std::move(bytes);
    if (status == DatabaseStatus::OldVersion) {
        ResetDatabase(db, link);
        // The first save would overwrite the file, and every device password in it.
        const bool kept = RecreateEmpty(db, directory, true);
        Warn(messages, "Attention!", kept ? " The previous database was kept as plc.data.damaged." : "");
        return false;
    }
    TakeImage(image, db, link);
    if (status == DatabaseStatus::BadCount) Warn(messages, "Problem Occurred");
    // A field cut short recreates the file.
    if (status != DatabaseStatus::Whole) RecreateEmpty(db, directory, hadContent);
    return true;
}

void TidyHistoryForWrite(DeviceDatabase& db) {
    db.historyCount = std::clamp(db.historyCount, 0, kMaxHistory);
    if (db.historyCount >= 2) CompactHistory(db);
}

StoredChanges WriteDatabase(DeviceDatabase& db, Link& link, const std::filesystem::path& directory,
                            Durability durability) {
    TidyHistoryForWrite(db);

    // `zentrel` and the desktop program may both work in this directory: what the other one
    // wrote since this one last read or wrote the file is taken in, not overwritten. The lock
    // keeps the other program from saving between this read and the write below.
    const std::filesystem::path path = directory / kDatabaseFile;
    const DirectoryLock lock(directory);
    StoredChanges changes;
    if (db.lastStored) {
        std::vector<std::uint8_t> onDisk;
        ReadFilePrefix(path, kMaxDatabaseBytes, onDisk);
        if (onDisk != *db.lastStored) changes = TakeInStoredChanges(db, link, directory, *db.lastStored, onDisk);
    }

    std::vector<std::uint8_t> out = EncodeDatabase(ImageOf(db, link));
    // A failed write leaves the previous file in place; the caller decides whom to tell.
    if (WriteFileAtomically(path, out, &changes.writeError, durability)) db.lastStored = std::move(out);
    return changes;
}

}  // namespace zentrel
