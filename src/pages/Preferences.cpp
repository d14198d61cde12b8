#include "pages/Preferences.h"

#include <algorithm>

#include "pages/Core.h"
#include "registry/OemPrefs.h"

namespace zentrel {

void LoadOemPrefs(Core& core) {
    core.prefs = ReadOemPrefs(core.directory);
    auto& p = core.prefs;
    if (p.ticksPerPhase < 1) p.ticksPerPhase = 1;
    core.db.sortAscending = 1;
    core.db.sortColumn = 1;
    // The scan cycle counts phases in 16 bits; a value whose low 16 bits are zero still needs a tick.
    core.scan.ticksPerPhase = std::max<std::int32_t>(1, static_cast<std::uint16_t>(p.ticksPerPhase & 0xFFFF));
    core.views.main.powerlineDevices.gridLines = (p.showIcons == 0);
    core.scan.autoRefreshOff = (p.autoScan == 0) ? 1 : 0;
}

void SelectQualityWording(Core& core) { core.quality = WordingForStyle(core.prefs.qualityStyle); }

void LoadVendorList(Core& core) { core.vendors = ReadVendorList(core.directory); }

}  // namespace zentrel
