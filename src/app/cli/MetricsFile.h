#pragma once
// `zentrel watch --metrics FILE`: the last cycle in the Prometheus text exposition format, for
// node_exporter's textfile collector.
#include <cstdint>
#include <filesystem>
#include <string>

#include "pages/Core.h"

namespace zentrel::cli {

std::string MetricsText(const Core& core, long cycles, std::int64_t lastCycle);
// Replaces the file at once (a new file renamed over it), so the collector never reads half of
// it. False when it could not be written; the old file then stays.
bool WriteMetricsFile(const std::filesystem::path& path, const std::string& text);

}  // namespace zentrel::cli
