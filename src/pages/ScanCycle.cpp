#include "pages/ScanCycle.h"

#include <cstdio>
#include <cstring>

#include "base/HexText.h"
#include "link/AdapterAccess.h"
#include "link/Exchange.h"
#include "link/StationOps.h"
#include "pages/Core.h"
#include "pages/HistoryList.h"
#include "pages/MainPage.h"
#include "pages/Storage.h"
#include "registry/Database.h"
#include "report/ScanLog.h"

namespace zentrel {
namespace {

const char kNoDeviceText[] = "The HomePlug Adapter was not detected.\nPlease check your computer cables.";
const char kScanningText[] = " Scanning...";

bool ValidAdapter(int adapter) { return adapter >= 0 && adapter < kMaxAdapters; }

// The speed shown for an average transmit rate: floor(rate x 1.3083), exactly, in integers.
int SpeedFromRate(std::uint8_t rate) { return rate * 13083 / 10000; }

}  // namespace

void LogScanIfEnabled(Core& core) {
    if (core.prefs.debugLevel > 2)
        WriteScanLog(core.scanLogFile, core.FilePath(kScanLogFile), core.link, core.clock.Now());
}

void StartScanTimer(Core& core) {
    core.scan.tickCount = 0;
    core.scan.phase = 1;
    StopScanTimer(core);
    if (core.timer) core.scan.timerId = core.timer->StartTimer(kScanTimerIntervalMs);
}

void StopScanTimer(Core& core) {
    if (core.scan.timerId != 0 && core.timer) {
        core.timer->StopTimer(core.scan.timerId);
        core.scan.timerId = 0;
    }
}

void ScanTick(Core& core) {
    const TickDue due = AdvanceScanTick(core.scan);
    if (due == TickDue::Nothing) return;
    if (due == TickDue::Cycle) {
        AgeStations(core.link);
        RescanAdapters(core.link);
        UpdateAfterCycle(core, kCyclePhase);
        FinishScanCycle(core.scan);
    }
    ProbeIfDue(core.link, core.scan);
}

void RunScanCycle(Core& core) {
    AgeStations(core.link);
    RescanAdapters(core.link);
    UpdateAfterCycle(core, kCyclePhase);
    ProbeIfDue(core.link, core.scan);
}

bool RestartScanning(Core& core) {
    ClearStationTables(core.link);
    CloseAllCaptures(core.link);
    const bool found = RescanAdapters(core.link);
    SetAutoRefresh(core, core.prefs.autoScan);
    if (found) StartScanTimer(core);
    return found;
}

void StartScan(Core& core) {
    core.views.main.scanning = kScanningText;
    core.views.Changed();
    core.scan.scanRequested = 1;
    if (!RestartScanning(core)) {
        Message message;
        message.text = kNoDeviceText;
        message.caption = "No Device Detected";
        message.icon = MsgIcon::Error;
        message.buttons = MsgButtons::Ok;
        message.owner = MsgOwner::None;
        core.messages.Show(message);
        CloseAllCaptures(core.link);
    }
    ClearStationTables(core.link);
    FillLocalDeviceList(core);
    core.views.main.scanning = kScanningText;
    core.views.Changed();
}

bool SetAutoRefresh(Core& core, int on) {
    const bool wasOn = core.scan.autoRefreshOff == 0;
    core.scan.autoRefreshOff = on == 0 ? 1 : 0;
    return wasOn;
}

void UpdateAfterCycle(Core& core, int phase) {
    const int current = core.link.currentAdapter;
    if (ValidAdapter(current) && core.link.tables[static_cast<std::size_t>(current)].localFound) {
        const auto& table = core.link.tables[static_cast<std::size_t>(current)];
        auto& db = core.db;
        for (const auto& entry : table.stations) {
            if (db.historyCount >= kMaxHistory) break;
            if (!IsMacSet(entry.stationMac) || FindHistoryByMac(core.db, entry.stationMac) != 0) continue;
            auto& record = db.history[static_cast<std::size_t>(db.historyCount)];
            record = HistoryRecord{};
            std::memcpy(record.mac, entry.stationMac, 6);
            std::snprintf(record.label, sizeof record.label, "%s %hd", "Device",
                          static_cast<short>(db.historyCount + 1));
            db.historyCount += 1;
        }
    }

    ShowNetworkStatus(core, phase);

    bool changed = false;
    for (int a = 0; a < kMaxAdapters; ++a) {
        const LocalDevice device = LocalDeviceOf(core.link, a);
        auto& shadow = core.scan.localShadow[static_cast<std::size_t>(a)];
        if (shadow.localFound != device.localFound || shadow.localAux != device.localAux ||
            std::memcmp(shadow.localMac, device.localMac, 6) != 0) {
            shadow.localFound = device.localFound;
            shadow.localAux = device.localAux;
            std::memcpy(shadow.localMac, device.localMac, 6);
            changed = true;
        }
    }
    if (changed) {
        FillLocalDeviceList(core);
        SelectLocalDevice(core);
    }

    RefreshStationLists(core);
    LogScanIfEnabled(core);
    core.views.Changed();
}

void RefreshStationLists(Core& core) {
    auto& view = core.views.main;
    const int count = AdapterCount(core.link);

    if (view.powerlineDevices.present) {
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
            view.localDevices.SetCell(row, 0, HexByte(table.localTei));
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

    view.ccoMac = FormatMac(table.ccoMac);
    char nid[16];
    std::snprintf(nid, sizeof nid, "%02x%02x%02x%02x%02x%02x", table.nid[0], table.nid[1], table.nid[2],
                  table.nid[3], table.nid[4], table.nid[5]);
    view.nid = nid;
    view.snid = std::to_string(table.snid);
    view.ccoTei = HexByte(table.ccoTei);

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

}  // namespace zentrel
