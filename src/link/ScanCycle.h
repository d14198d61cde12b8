#pragma once
// The exchange engine and the timer-driven scan cycle.
#include <array>
#include <cstdint>
#include <string>

namespace zentrel {

struct Core;

struct LocalShadow {
    std::int32_t localFound = 0;
    std::int32_t localAux = 0;
    std::uint8_t localMac[6] = {};
};

struct ScanState {
    std::int32_t phase = 0;
    std::int32_t tickCount = 0;
    std::int32_t ticksPerPhase = 30;
    std::int32_t autoRefreshOff = 0;
    std::int32_t scanRequested = 0;
    std::int32_t timerId = 0;
    std::array<LocalShadow, 8> localShadow{};
};

bool ExchangeWait(Core& core, int adapter, std::uint32_t timeoutMs, std::uint8_t* status);
// Returns the set-key status byte, or -1 when no confirmation came within 350 ms.
int SetNetworkKey(Core& core, const std::string& nmkText, int mode, const std::string* dakText);
bool DiscoverLocalDevices(Core& core);
void QueryNetworkInfo(Core& core);
bool RescanAdapters(Core& core);

void StartScanTimer(Core& core);
void StopScanTimer(Core& core);
void ScanTick(Core& core);
void ProbeIfDue(Core& core);
void RunScanCycle(Core& core);
bool RestartScanning(Core& core);
void StartScan(Core& core);
// Returns whether periodic scanning was on before the call.
bool SetAutoRefresh(Core& core, int on);
void UpdateAfterCycle(Core& core, int phase);
void RefreshStationLists(Core& core);
void InsertStationRow(Core& core, int slot);

}  // namespace zentrel
