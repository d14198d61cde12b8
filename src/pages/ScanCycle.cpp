#include "pages/ScanCycle.h"
#include "registry/DeviceHistory.h"
#include "pages/MainList.h"

#include <cstdio>
#include <cstring>

#include "base/HexText.h"
#include "link/AdapterAccess.h"
#include "link/Exchange.h"
#include "link/StationOps.h"
#include "pages/Core.h"
#include "pages/HistoryList.h"
#include "pages/MainPage.h"
#include "pages/RateHistory.h"
#include "pages/Storage.h"
#include "registry/Database.h"
#include "report/ScanLog.h"

namespace zentrel {
namespace {

const char kNoDeviceText[] = "The HomePlug Adapter was not detected.\nPlease check your computer cables.";
const char kScanningText[] = " Scanning...";

bool ValidAdapter(int adapter) { return adapter >= 0 && adapter < kMaxAdapters; }

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
    const SaveBatch saves(core);
    if (due == TickDue::Cycle) {
        AgeStations(core.link);
        RescanAdapters(core.link);
        UpdateAfterCycle(core, kCyclePhase);
        FinishScanCycle(core.scan);
    }
    ProbeIfDue(core.link, core.scan);
}

void RunScanCycle(Core& core) {
    const SaveBatch saves(core);
    AgeStations(core.link);
    RescanAdapters(core.link);
    UpdateAfterCycle(core, kCyclePhase);
    ProbeIfDue(core.link, core.scan);
}

bool RestartScanning(Core& core) {
    ClearStationTables(core.link);
    bool found = false;
    if (core.earlyRescan) {
        CloseAllCaptures(core.link);
        found = core.earlyRescan->TakeInto(core.link);
        core.earlyRescan.reset();
    } else {
        // The adapters are listed anew the way each cycle lists them: a capture whose adapter
        // keeps its place, name and system index stays open, emptied of what it received, and so
        // starts the scan as a new one would. Closing and reopening them instead cost the kernel
        // a wait of 5 to 15 ms per adapter, on the user's click.
        DropHeldFrames(core.link);
        found = RescanAdapters(core.link);
    }
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
        AddScannedStations(core.db, table);
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
    RecordListedRates(core);
    LogScanIfEnabled(core);
    core.views.Changed();
}

}  // namespace zentrel
