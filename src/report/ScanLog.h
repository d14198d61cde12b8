#pragma once
// scan.log: a trace of the station tables after each scan cycle, written while the OEM
// preference debugLevel is above 2.
#include <ctime>
#include <string>

namespace zentrel {

struct Core;

inline constexpr char kScanLogFile[] = "scan.log";

// WriteScanLog when debugLevel is above 2; otherwise scan.log is not touched.
void LogScanIfEnabled(Core& core);
// Opens scan.log on the first call of a run (truncating it), then appends one block per call.
// Each block is flushed, so a crash keeps the trace that led to it.
void WriteScanLog(Core& core);

// The 24-character date text "Www Mmm dd hh:mm:ss yyyy" (day zero-padded) and a line feed.
std::string StandardDateText(const std::tm& when);

}  // namespace zentrel
