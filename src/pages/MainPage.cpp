#include "pages/MainPage.h"
#include "pages/MainList.h"

#include <cstdio>
#include <utility>

#include "base/HexText.h"
#include "pages/ScanCycle.h"
#include "pages/Core.h"
#include "pages/Preferences.h"
#include "pages/Storage.h"
#include "registry/Database.h"
#include "registry/OemPrefs.h"
#include "pages/HistoryList.h"

namespace zentrel {
namespace {

constexpr unsigned Rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }


}  // namespace

void FillLocalDeviceList(Core& core) {
    auto& list = core.views.main.localDevices;
    if (!list.present) return;
    list.DeleteAllRows();
    const int count = core.link.access.adapterCount < kMaxAdapters ? core.link.access.adapterCount : kMaxAdapters;
    for (int i = 0; i < count; ++i) {
        const auto& table = core.link.tables[static_cast<std::size_t>(i)];
        if (!table.localFound) continue;
        // The row remembers its adapter: rows exist only for adapters with a device, so a row
        // number is not an adapter number once an adapter without one comes first.
        const int row = list.AppendRow(i);
        list.SetCell(row, 0, HexByte(table.network.localTei));
        list.SetCell(row, 1, FormatMac(table.localMac));
    }
    list.SelectRow(core.mainPage.selectedLocalRow);
    core.views.Changed();
}

void SelectLocalDevice(Core& core) {
    const auto& list = core.views.main.localDevices;
    int row = list.present ? list.GetSelectedRow() : -1;
    if (row < 0) row = 0;
    core.mainPage.selectedLocalRow = row;
    int adapter = row;
    if (list.present && row < list.RowCount()) adapter = list.rows[static_cast<std::size_t>(row)].itemData;
    if (adapter < 0 || adapter >= kMaxAdapters) adapter = 0;
    core.link.currentAdapter = adapter;
    ShowConnectionState(core);
}

unsigned ColorFromCode(std::int32_t code) {
    if (code <= 0) return 0;
    switch (code) {
    case 1: return Rgb(0, 128, 0);
    case 2: return Rgb(0, 0, 255);
    case 3: return Rgb(255, 0, 0);
    case 4: return Rgb(96, 96, 96);
    default: return static_cast<unsigned>(code);
    }
}

void SetupLocalDeviceList(Core& core) {
    auto& list = core.views.main.localDevices;
    if (!list.present) return;
    list.textColor = Rgb(17, 0, 136);
    if (list.columns.empty()) {
        list.InsertColumn("TEI", 35, static_cast<int>(list.columnOrder.size()));
        list.InsertColumn("MAC Address", 115, static_cast<int>(list.columnOrder.size()));
    }
    core.views.Changed();
}

void SetupPowerlineDeviceList(Core& core) {
    auto& list = core.views.main.powerlineDevices;
    if (!list.present) return;
    list.gridLines = core.prefs.showIcons == 0;
    list.textColor = ColorFromCode(core.prefs.listTextColor);
    if (list.columns.empty()) {
        // Each column goes in at display position 1, so the list reads TEI, Password,
        // MAC Address, Bridged MAC Address, Speed(Mbps) from left to right.
        list.InsertColumn("TEI", 35, 1);
        list.InsertColumn("Speed(Mbps)", 100, 1);
        list.InsertColumn("Bridged MAC Address", 130, 1);
        list.InsertColumn("MAC Address", 120, 1);
        list.InsertColumn("Password", 150, 1);
    }
    SaveDatabaseSoon(core);
    RefreshStationLists(core);
    core.views.Changed();
}

void SetupHistoryLists(Core& core) {
    // The Set Device Password dialog calls this too: columns are made once only.
    auto& info = core.views.diagnostics.systemInformation;
    if (info.present && info.columns.empty()) info.InsertColumn("System Information", 520, 0);
    auto& history = core.views.diagnostics.history;
    if (history.present && history.columns.empty()) {
        const std::pair<const char*, int> columns[] = {
            {"TEI", 35}, {"MAC Address", 120}, {"Password", 150}, {"Speed(Mbps)", 120}, {"Last Seen", 110}};
        for (const auto& [header, width] : columns) {
            history.InsertColumn(header, width, static_cast<int>(history.columnOrder.size()));
        }
    }
    core.views.Changed();
}

void InitMainPage(Core& core) {
    // The start's first scan saves at several steps: plc.data is replaced once, at the end.
    const SaveBatch saves(core);
    auto& view = core.views.main;
    view.localDevices.present = true;
    view.powerlineDevices.present = true;
    LoadDatabase(core);
    LoadVendorList(core);
    core.quality = WordingForStyle(core.prefs.qualityStyle);
    SetupLocalDeviceList(core);
    SetupPowerlineDeviceList(core);
    RestartScanning(core);
    SetAutoRefresh(core, core.prefs.autoScan);
    if (core.prefs.autoScan == 0) StartScan(core);
    SelectLocalDevice(core);
    ShowConnectionState(core);
    UpdateAfterCycle(core, 5);
}

void ActivateMainPage(Core& core) {
    StartScanTimer(core);
    if (core.prefs.autoScan == 0) StartScan(core);
}

void DeactivateMainPage(Core& core) { SaveDatabase(core); }

void DestroyMainPage(Core& core) { SaveDatabase(core); }

void OnScanButton(Core& core) { RunScanCycle(core); }

}  // namespace zentrel
