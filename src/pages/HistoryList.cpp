#include "pages/HistoryList.h"

#include <cmath>
#include <cstring>

#include "link/StationOps.h"
#include "pages/Core.h"
#include "registry/Database.h"
#include "registry/HistoryPurge.h"
#include "report/QualityText.h"

namespace zentrel {
namespace {

constexpr char kAppTitle[] = "Zentrel Utility";

MsgAnswer Show(Core& core, const char* text, const char* caption, MsgButtons buttons) {
    Message message;
    message.text = text;
    message.caption = caption;
    message.icon = MsgIcon::None;
    message.buttons = buttons;
    message.owner = MsgOwner::None;
    return core.messages.Show(message);
}

// Byte-wise comparison as unsigned characters, up to the terminator.
int CompareText(const std::string& a, const std::string& b) {
    const int result = std::strcmp(a.c_str(), b.c_str());
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

std::string HistoryText(const Core& core, const std::uint8_t* mac, bool label) {
    const int position = FindHistoryByMac(core.db, mac);
    if (position <= 0 || position > kMaxHistory) return {};
    const auto& record = core.db.history[static_cast<std::size_t>(position - 1)];
    return label ? RecordText(record.label, sizeof record.label) : RecordText(record.password, sizeof record.password);
}

std::string TextKey(const Core& core, const StationEntry& entry, int column) {
    switch (column) {
    case 0: return HistoryText(core, entry.stationMac, true);
    case 1: return FormatMac(entry.stationMac);
    case 3: return QualityText(core.quality, entry.rateValue, entry.deviceClass);
    case 4: return HistoryText(core, entry.stationMac, false);
    default: return {};
    }
}

}  // namespace

int FindRowByMacText(const ListModel& list, const std::uint8_t* mac, int subItem) {
    if (!list.present || !IsMacSet(mac)) return 0;
    const std::string text = FormatMac(mac);
    for (int row = 0; row < list.RowCount(); ++row) {
        if (list.Cell(row, subItem) == text) return row + 1;
    }
    return 0;
}

bool DeleteSelectedHistory(Core& core) {
    const auto& list = core.views.diagnostics.history;
    const int row = list.present ? list.GetSelectedRow() : -1;
    if (row < 0) {
        Show(core, "Please select a List to be deleted.", kAppTitle, MsgButtons::Ok);
        return false;
    }
    const Mac mac = MacFromText(list.Cell(row, 1));
    if (FindRowByMacText(core.views.main.powerlineDevices, mac.data(), 3) != 0 ||
        FindRowByMacText(core.views.main.localDevices, mac.data(), 1) != 0) {
        Show(core, "This device is currently active.", kAppTitle, MsgButtons::Ok);
        return false;
    }
    if (Show(core, "Are you sure to delete it?", "Attention!", MsgButtons::YesNo) == MsgAnswer::No) return false;
    // Row r shows record r + 1, unless a save took in another program's change since the list
    // was built: then the record is the one of the MAC the row shows.
    int position = row + 1;
    if (position > core.db.historyCount || !SameMac(core.db.history[static_cast<std::size_t>(row)].mac, mac.data()))
        position = FindHistoryByMac(core.db, mac.data());
    if (position <= 0) return false;
    DeleteHistoryRecord(core, position);
    return true;
}

void DeleteHistoryRecord(Core& core, int position) {
    auto& db = core.db;
    if (position <= 0 || position > db.historyCount || position > kMaxHistory) return;
    RemoveStation(core.link, db.history[static_cast<std::size_t>(position - 1)].mac);
    for (int slot = position - 1; slot + 1 < db.historyCount; ++slot) {
        db.history[static_cast<std::size_t>(slot)] = db.history[static_cast<std::size_t>(slot + 1)];
    }
    db.historyCount -= 1;
    db.history[static_cast<std::size_t>(db.historyCount)] = HistoryRecord{};
}

int CompareDeviceRows(const Core& core, int a, int b, int column) {
    if (a == b) return 0;
    if (a < 0 || a >= kMaxStations || b < 0 || b >= kMaxStations) return 0;
    const int current = core.link.currentAdapter;
    if (current < 0 || current >= kMaxAdapters) return 0;
    const auto& table = core.link.tables[static_cast<std::size_t>(current)];
    const StationEntry& first = table.stations[a];
    const StationEntry& second = table.stations[b];
    const bool ascending = core.db.sortAscending != 0;

    if (column == 2) {
        const double rateA = first.rateValue;
        const double rateB = second.rateValue;
        if (rateA == rateB) return 0;
        // Unordered rates (a damaged plc.data) compare as equal rather than inconsistently.
        if (!(rateA < rateB) && !(rateA > rateB)) return 0;
        const int smaller = ascending ? 1 : -1;
        return rateA < rateB ? smaller : -smaller;
    }
    const std::string keyA = TextKey(core, first, column);
    const std::string keyB = TextKey(core, second, column);
    const int order = CompareText(keyA, keyB);
    if (ascending) return order >= 0 ? 1 : 0;
    return order < 0 ? 1 : 0;
}

}  // namespace zentrel
