#include "registry/OemPrefs.h"

namespace zentrel {

void DefaultOemPrefs(OemPrefs& prefs) {
    prefs.ticksPerPhase = 30;
    prefs.showIcons = 24;
    prefs.reserved14 = 1;
    prefs.autoScan = 1;
    prefs.mainBitmapX = 10;
    prefs.mainBitmapY = 310;
    prefs.aboutBitmapX = 80;
    prefs.aboutBitmapY = 25;
    prefs.reserved26 = 1;
    prefs.reserved28 = 1;
    prefs.use12HourClock = 1;
    prefs.webAddress = "http://";
    prefs.title = "Zentrel Utility";
    prefs.legalNotice = "Copyright (C) Zentrel. All rights reserved.";
}

}  // namespace zentrel
