#include "link/ScanCycle.h"

#include <cstdio>
#include <cstring>

#include "base/HexText.h"
#include "link/AdapterAccess.h"
#include "link/Confirmations.h"
#include "link/Frames.h"
#include "link/StationOps.h"
#include "registry/Core.h"
#include "registry/Database.h"
#include "registry/MainPage.h"
#include "report/HistoryList.h"
#include "report/ScanLog.h"

namespace zentrel {
namespace {

constexpr std::uint32_t kVersionTimeoutMs = 50;
constexpr std::uint32_t kSetKeyTimeoutMs = 350;
constexpr int kNetworkInfoAttempts = 3;
constexpr int kLateLookFrames = 32;
constexpr int kScanTimerIntervalMs = 25;
constexpr int kCyclePhase = 7;
constexpr int kProbePhase = 2;

const char kNoDeviceText[] = "The HomePlug Adapter was not detected.\nPlease check your computer cables.";
const char kScanningText[] = " Scanning...";

bool ValidAdapter(int adapter) { return adapter >= 0 && adapter < kMaxAdapters; }

int AdapterCount(const Core& core) {
    const int count = core.access.adapterCount;
    return count < 0 ? 0 : (count > kMaxAdapters ? kMaxAdapters : count);
}

// The speed shown for an average transmit rate: floor(rate x 1.3083), exactly, in integers.
int SpeedFromRate(std::uint8_t rate) { return rate * 13083 / 10000; }

}  // namespace

bool ExchangeWait(Core& core, int adapter, std::uint32_t timeoutMs, std::uint8_t* status) {
    core.link.replyReceived = 0;
    const std::uint32_t start = core.clock.TickMs();
    // Elapsed time rather than an absolute deadline, so a tick counter that wraps during the wait
    // does not end it early or stretch it.
    bool consumed = false;
    while (core.clock.TickMs() - start < timeoutMs) {
        if (core.link.replyReceived) return true;
        // Sleep only when the last poll found nothing waiting. Under a flood of frames nobody asked
        // for, a sleep after every frame lets the queue grow faster than it drains and buries the
        // awaited confirmation until the time-out.
        if (!consumed && core.link.pendingRequestType == kMmNetworkInfoRequest) core.clock.SleepMs(2);
        consumed = HandleConfirmation(core, adapter, status);
        if (!consumed) core.clock.SleepMs(1);
    }
    // A busy host may not run the program for a while during the wait, so that it looks again
    // only after the time-out, with the confirmation already waiting in the capture. What is
    // waiting then still counts: the frames that came in between are read, up to a few dozen, so
    // that a flood cannot keep the wait going.
    for (int n = 0; n < kLateLookFrames && !core.link.replyReceived; ++n) {
        if (!HandleConfirmation(core, adapter, status)) break;
    }
    return core.link.replyReceived != 0;
}

int SetNetworkKey(Core& core, const std::string& nmkText, int mode, const std::string* dakText) {
    core.link.versionTaken.fill(0);
    const int adapter = core.link.currentAdapter;
    SendSetKeyRequest(core, adapter, nmkText, mode, dakText);
    core.clock.SleepMs(2);
    std::uint8_t status = 0;
    if (!ExchangeWait(core, adapter, kSetKeyTimeoutMs, &status)) return -1;
    return status;
}

bool DiscoverLocalDevices(Core& core) {
    core.link.versionTaken.fill(0);
    ClearStationTables(core);
    const int count = AdapterCount(core);
    for (int i = 0; i < count; ++i) {
        SendVersionRequest(core, i);
        core.clock.SleepMs(2);
        if (ExchangeWait(core, i, kVersionTimeoutMs, nullptr)) break;
    }
    for (int i = 0; i < count; ++i) {
        if (core.link.adapters[static_cast<std::size_t>(i)].localFound) return true;
    }
    return false;
}

void QueryNetworkInfo(Core& core) {
    core.link.versionTaken.fill(0);
    // The handler makes every answering adapter current; the adapter chosen by the discovery (or
    // by the user) stays current, so a second adapter with a device does not hide the first one's
    // stations.
    const std::int32_t chosenAdapter = core.link.currentAdapter;
    const int count = AdapterCount(core);
    for (int i = 0; i < count; ++i) {
        // No device answers 00:00:00:00:00:00: asking would only block for 450 ms.
        if (!IsMacSet(core.link.adapters[static_cast<std::size_t>(i)].localMac)) continue;
        for (int attempt = 0; attempt < kNetworkInfoAttempts; ++attempt) {
            SendNetworkInfoRequest(core, i);
            core.clock.SleepMs(4);
            const auto timeout = static_cast<std::uint32_t>(50 + 100 * attempt);
            if (ExchangeWait(core, i, timeout, nullptr)) break;
        }
    }
    if (core.link.currentAdapter != chosenAdapter) {
        core.link.currentAdapter = chosenAdapter;
        ShowNetworkStatus(core, 0);
    }
}

bool RescanAdapters(Core& core) {
    CloseAllCaptures(core);
    for (auto& record : core.link.adapters) record.localFound = 0;
    if (EnumerateAdapters(core)) {
        const int count = AdapterCount(core);
        for (int i = 0; i < count; ++i) {
            if (OpenCapture(core, i)) {
                std::memcpy(core.link.adapters[static_cast<std::size_t>(i)].hostMac,
                            core.access.slots[static_cast<std::size_t>(i)].hostMac, 6);
            }
        }
    }
    const int count = AdapterCount(core);
    // The version handler takes the local device's address only from a frame sent to the
    // table's hostMac: a table reset to zeros must know it before the discovery, or the first
    // cycle would find the device without learning its address.
    for (int i = 0; i < count; ++i) {
        std::memcpy(core.link.tables[static_cast<std::size_t>(i)].hostMac,
                    core.link.adapters[static_cast<std::size_t>(i)].hostMac, 6);
    }
    const bool found = DiscoverLocalDevices(core);
    for (int i = 0; i < count; ++i) {
        auto& table = core.link.tables[static_cast<std::size_t>(i)];
        const auto& record = core.link.adapters[static_cast<std::size_t>(i)];
        std::memcpy(table.hostMac, record.hostMac, 6);
        table.localFound = record.localFound;
        if (record.localFound) {
            table.localAux = record.localAux;
            std::memcpy(table.localMac, record.localMac, 6);
        }
    }
    if (!found) ClearStationTables(core);
    return found;
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

void ProbeIfDue(Core& core) {
    const int adapter = core.link.currentAdapter;
    if (!ValidAdapter(adapter)) return;
    if (core.link.adapters[static_cast<std::size_t>(adapter)].localFound && core.scan.phase == kProbePhase) {
        ProbeStations(core, adapter);
        core.scan.phase = 3;
        core.scan.tickCount = 0;
    }
}

void ScanTick(Core& core) {
    auto& scan = core.scan;
    if (scan.autoRefreshOff && !scan.scanRequested) return;
    scan.tickCount += 1;
    // ">=" so that a smaller ticksPerPhase set while counting cannot stall the cycle.
    if (scan.tickCount >= scan.ticksPerPhase) {
        scan.phase += 1;
        scan.tickCount = 0;
    }
    if (scan.phase >= kCyclePhase) {
        AgeStations(core);
        RescanAdapters(core);
        UpdateAfterCycle(core, kCyclePhase);
        scan.tickCount = 0;
        scan.phase = 0;
        scan.scanRequested = 0;
    }
    ProbeIfDue(core);
}

void RunScanCycle(Core& core) {
    AgeStations(core);
    RescanAdapters(core);
    UpdateAfterCycle(core, kCyclePhase);
    ProbeIfDue(core);
}

bool RestartScanning(Core& core) {
    ClearStationTables(core);
    CloseAllCaptures(core);
    const bool found = RescanAdapters(core);
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
        CloseAllCaptures(core);
    }
    ClearStationTables(core);
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
            if (!IsMacSet(entry.stationMac) || FindHistoryByMac(core, entry.stationMac) != 0) continue;
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
        const LocalDevice device = LocalDeviceOf(core, a);
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
    const int count = AdapterCount(core);

    if (view.powerlineDevices.present) {
        view.powerlineDevices.DeleteAllRows();
        QueryNetworkInfo(core);
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
    SortPowerlineList(core, core.mainPage.sortColumn);

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
    const int position = FindHistoryByMac(core, entry.stationMac);
    if (position > 0) {
        const auto& record = core.db.history[static_cast<std::size_t>(position - 1)];
        list.SetCell(row, 4, std::string(record.password, strnlen(record.password, sizeof record.password)));
    }
}

}  // namespace zentrel
