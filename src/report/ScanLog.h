#pragma once
// scan.log: a trace of the station tables after each scan cycle, written while the OEM
// preference debugLevel is above 2.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

namespace zentrel {

struct Link;

inline constexpr char kScanLogFile[] = "scan.log";

// Opens the log at `path` on the first call of a run (truncating it; `logFile` keeps it open),
// headed by the time `now`, then appends one block of the link's tables per call. Each block is
// flushed, so a crash keeps the trace that led to it.
void WriteScanLog(std::FILE*& logFile, const std::filesystem::path& path, const Link& link, std::int64_t now);

// The 24-character date text "Www Mmm dd hh:mm:ss yyyy" (day zero-padded) and a line feed.
std::string StandardDateText(const std::tm& when);

}  // namespace zentrel
