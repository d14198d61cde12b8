#pragma once
// The application object: every fixed table and piece of state of the program, owned in one
// place so that a test can build a fresh one. One thread touches it.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "link/AdapterAccess.h"
#include "base/Clock.h"
#include "link/ScanCycle.h"
#include "link/StationTable.h"
#include "link/Wire.h"
#include "registry/Database.h"
#include "base/MacAddress.h"
#include "registry/MainPage.h"
#include "base/Messages.h"
#include "registry/OemPrefs.h"
#include "registry/Views.h"

namespace zentrel {

// What the pages and dialogs keep between their activation and deactivation.
struct PageState {
    bool privacyWasScanning = false;
    bool diagnosticsWasScanning = false;
    bool aboutWasScanning = false;
    bool setPasswordWasScanning = false;
    Mac setPasswordMac{};  // parsed when "Set Device Password" opens
};

struct Core {
    Core(Wire& wire, Messages& messages, Views& views, Clock& clock, TimerHost* timer = nullptr,
         std::filesystem::path directory = ".");
    ~Core();
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    Wire& wire;
    Messages& messages;
    Views& views;
    Clock& clock;
    TimerHost* timer;
    // Where plc.data, OEMPrefs.dat, OUIList.txt, scan.log and the images live: the process's
    // current directory in the programs, a temporary directory in tests.
    std::filesystem::path directory;

    LinkState link;
    AdapterAccessState access;
    ScanState scan;
    DeviceDatabase db;
    OemPrefs prefs;
    QualityWording quality;
    std::vector<VendorEntry> vendors;
    MainPageState mainPage;
    PageState pages;
    std::FILE* scanLogFile = nullptr;

    // Run by ClearStationTables after the tables are emptied: purge empty history records and
    // save plc.data.
    std::function<void(Core&)> afterClearStationTables;
    // Told once when a capture could not be opened for lack of permission.
    std::function<void(const std::string&)> onPermissionNotice;
    // The capture library's own version text, set by the program that links it (empty when the
    // program runs without one); the host information shows it after the library's file name.
    std::string captureLibraryVersion;

    std::filesystem::path FilePath(const char* name) const { return directory / name; }
};

}  // namespace zentrel
