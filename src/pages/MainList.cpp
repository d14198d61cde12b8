#include "pages/MainList.h"
#include "registry/DeviceHistory.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/HexText.h"
#include "link/Exchange.h"
#include "pages/Core.h"
#include "pages/RateHistory.h"
#include "pages/Storage.h"
#include "registry/Database.h"
#include "report/QualityText.h"

namespace zentrel {
namespace {

constexpr int kPowerlineColumns = 5;
constexpr int kMacColumn = 3;

bool ValidAdapter(int adapter) { return adapter >= 0 && adapter < kMaxAdapters; }

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

void RefreshStationLists(Core& core) {
    auto& view = core.views.main;
    const int count = AdapterCount(core.link);

    // The selection belongs to a station, not to a row: every cycle rebuilds the rows, and a
    // user who selected a device and then clicks "Enter Password" means that device.
    std::string selectedMac;
    if (view.powerlineDevices.present) {
        const int selected = view.powerlineDevices.GetSelectedRow();
        if (selected >= 0) selectedMac = view.powerlineDevices.Cell(selected, kMacColumn);
        view.powerlineDevices.DeleteAllRows();
        QueryNetworkInfo(core.link);
    }

    // After the network-info pass, so a local device's TEI is the one its network gives it
    // now, not the one of the previous cycle (nothing at all on the first).
    if (view.localDevices.present) {
        // Each row names the adapter it shows in its item data (see FillLocalDeviceList).
        for (int row = 0; row < view.localDevices.RowCount(); ++row) {
            const int adapter = view.localDevices.rows[static_cast<std::size_t>(row)].itemData;
            if (!ValidAdapter(adapter) || adapter >= count) continue;
            if (!core.link.adapters[static_cast<std::size_t>(adapter)].localFound) continue;
            const auto& table = core.link.tables[static_cast<std::size_t>(adapter)];
            view.localDevices.SetCell(row, 0, HexByte(table.network.localTei));
            view.localDevices.SetCell(row, 1, FormatMac(table.localMac));
        }
    }

    if (!view.powerlineDevices.present) return;
    const int current = core.link.currentAdapter;
    if (!ValidAdapter(current) || !core.link.adapters[static_cast<std::size_t>(current)].localFound) return;

    const auto& table = core.link.tables[static_cast<std::size_t>(current)];
    for (int slot = 0; slot < kMaxStations; ++slot) {
        if (table.stations[slot].present) InsertStationRow(core, slot);
    }
    SortPowerlineList(core, core.db.sortColumn);
    for (int row = 0; !selectedMac.empty() && row < view.powerlineDevices.RowCount(); ++row) {
        if (view.powerlineDevices.Cell(row, kMacColumn) == selectedMac) view.powerlineDevices.SelectRow(row);
    }

    view.ccoMac = FormatMac(table.network.ccoMac);
    char nid[16];
    std::snprintf(nid, sizeof nid, "%02x%02x%02x%02x%02x%02x", table.network.nid[0], table.network.nid[1], table.network.nid[2],
                  table.network.nid[3], table.network.nid[4], table.network.nid[5]);
    view.nid = nid;
    view.snid = std::to_string(table.network.snid);
    view.ccoTei = HexByte(table.network.ccoTei);

    UpdateHistory(core);
}

void InsertStationRow(Core& core, int slot) {
    const int current = core.link.currentAdapter;
    if (!ValidAdapter(current) || slot < 0 || slot >= kMaxStations) return;
    auto& list = core.views.main.powerlineDevices;
    auto& entry = core.link.tables[static_cast<std::size_t>(current)].stations[slot];
    const int row = list.AppendRow(slot);
    list.SetCell(row, 0, HexByte(entry.tei));
    list.SetCell(row, 3, FormatMac(entry.stationMac));
    list.SetCell(row, 2, FormatMac(entry.bridgedMac));
    list.SetCell(row, 1, std::to_string(SpeedFromRate(entry.avgTxRate)));
    entry.listed = 1;
    const int position = FindHistoryByMac(core.db, entry.stationMac);
    if (position > 0) {
        const auto& record = core.db.history[static_cast<std::size_t>(position - 1)];
        list.SetCell(row, 4, std::string(record.password, strnlen(record.password, sizeof record.password)));
    }
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

void SortPowerlineList(Core& core, int column) {
    auto& rows = core.views.main.powerlineDevices.rows;
    // The comparison answers "does the first row go after the second": a row moves before
    // another only when the comparison says so strictly (one way and not the other), which keeps
    // rows with equal keys in their slot order.
    for (std::size_t i = 1; i < rows.size(); ++i) {
        std::size_t j = i;
        while (j > 0) {
            const int before = rows[j - 1].itemData;
            const int here = rows[j].itemData;
            const bool after = CompareDeviceRows(core, before, here, column) > 0;
            const bool reverse = CompareDeviceRows(core, here, before, column) > 0;
            if (!after || reverse) break;
            std::swap(rows[j - 1], rows[j]);
            --j;
        }
    }
    core.views.Changed();
}

void OnPowerlineColumnClick(Core& core, int column) {
    if (column < 0 || column >= kPowerlineColumns) return;
    auto& page = core.mainPage;
    if (column == core.db.sortColumn) {
        core.db.sortAscending = core.db.sortAscending ? 0 : 1;
    } else {
        auto& flag = page.columnSortFlags[static_cast<std::size_t>(column)];
        core.db.sortAscending = flag ? 1 : 0;
        flag = flag ? 0 : 1;
        core.db.sortColumn = column;
    }
    SortPowerlineList(core, column);
}

}  // namespace zentrel
