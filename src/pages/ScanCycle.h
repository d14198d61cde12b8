#pragma once
// The timer-driven scan cycle as the Main page runs it: the link's exchanges, then the lists,
// the status texts and the history brought up to date.
#include "link/Exchange.h"
#include "link/ScanTiming.h"

namespace zentrel {

struct Core;

void StartScanTimer(Core& core);
void StopScanTimer(Core& core);
void ScanTick(Core& core);
void RunScanCycle(Core& core);
bool RestartScanning(Core& core);
void StartScan(Core& core);
// Returns whether periodic scanning was on before the call.
bool SetAutoRefresh(Core& core, int on);
void UpdateAfterCycle(Core& core, int phase);
// Appends the link's tables to scan.log when the OEM preference debugLevel is above 2; otherwise
// scan.log is not touched.
void LogScanIfEnabled(Core& core);

}  // namespace zentrel
