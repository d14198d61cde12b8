#pragma once
// How a history record's lastSeen time is shown: month, day, hour and minute in local time, in
// 12-hour or 24-hour form as the OEM preferences choose.
#include <cstdint>
#include <string>

namespace zentrel {

struct OemPrefs;

// "Jan 05 03:07 AM" (12-hour) or "Jan 05 15:07" (24-hour); "unknown" for a time the local
// calendar cannot represent.
std::string FormatLastSeen(const OemPrefs& prefs, std::int64_t lastSeen);

}  // namespace zentrel
