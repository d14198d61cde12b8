#pragma once
// The one JSON schema of `scan --json`, `watch --json` and `history --json` (docs/json.md).
#include <cstdint>
#include <optional>
#include <string>

#include "pages/Core.h"

namespace zentrel::cli {

inline constexpr int kJsonSchemaVersion = 1;

// A station as every command prints it; what a command does not know is null.
struct StationJsonFields {
    Mac mac{};
    std::optional<int> tei;
    std::optional<Mac> bridgedMac;
    std::optional<int> txMbps;
    std::optional<int> rxMbps;
    std::optional<std::string> label;  // the device history's label
    std::string password;              // the device history's password, empty when none
};
std::string StationJson(const StationJsonFields& station);

// The Main page after a scan cycle, as one line: the time (ISO 8601 with offset), the cycle
// number, adapters, local devices, the network and the stations in the list's order.
std::string ScanJson(const Core& core, long cycle, std::int64_t now);

}  // namespace zentrel::cli
