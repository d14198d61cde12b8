#pragma once
// The application object: every fixed table and piece of state of the program, owned in one
// place so that a test can build a fresh one. One thread touches it.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/MacAddress.h"
#include "base/Messages.h"
#include "link/EarlyRescan.h"
#include "link/Link.h"
#include "link/LinkEvents.h"
#include "link/ScanTiming.h"
#include "link/Wire.h"
#include "pages/MainPage.h"
#include "pages/RateHistory.h"
#include "pages/Views.h"
#include "registry/Database.h"
#include "registry/OemPrefs.h"

namespace zentrel {

// What the pages and dialogs keep between their activation and deactivation.
struct PageState {
    bool privacyWasScanning = false;
    bool diagnosticsWasScanning = false;
    bool aboutWasScanning = false;
    bool setPasswordWasScanning = false;
    Mac setPasswordMac{};  // parsed when "Set Device Password" opens
    // What the last set-key request of a page or dialog got: 0 taken, a device's status, or -1
    // when no confirmation came in time (a device that is restarting, or none at all).
    int lastSetKeyResult = 0;
};

struct Core final : LinkEvents {
    Core(Wire& wire, Messages& messages, Views& views, Clock& clock, TimerHost* timer = nullptr,
         std::filesystem::path directory = ".");
    ~Core();
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    Messages& messages;
    Views& views;
    Clock& clock;
    TimerHost* timer;
    // Where plc.data, OEMPrefs.dat, OUIList.txt, scan.log and the images live: the process's
    // current directory in the programs, a temporary directory in tests.
    std::filesystem::path directory;

    Link link;
    // The desktop program's first rescan, started before its window was built: the first
    // RestartScanning takes its result instead of scanning again. Until then it owns the wire.
    std::unique_ptr<EarlyRescan> earlyRescan;
    ScanState scan;
    DeviceDatabase db;
    OemPrefs prefs;
    QualityWording quality;
    std::vector<VendorEntry> vendors;
    MainPageState mainPage;
    PageState pages;
    RateHistory rates;
    std::FILE* scanLogFile = nullptr;
    // Open SaveBatch scopes, and whether one of them has a save to make at its end.
    int saveBatches = 0;
    bool savePending = false;

    // Run by ClearStationTables after the tables are emptied: purge empty history records and
    // save plc.data.
    std::function<void(Core&)> afterClearStationTables;
    // Told whenever plc.data or a report could not be written: the file and the system's error
    // number. The desktop program leaves it unset; the command line turns it into its exit status.
    std::function<void(const std::filesystem::path&, int error)> onSaveFailure;
    // Told once when a capture could not be opened for lack of permission.
    std::function<void(const std::string&)> onPermissionNotice;

    std::filesystem::path FilePath(const char* name) const { return directory / name; }

    void NetworkStatusChanged() override;
    void TablesCleared() override;
    void PermissionNotice(const std::string& text) override;
};

}  // namespace zentrel
