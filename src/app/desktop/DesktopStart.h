#pragma once
// What the desktop program's start hands to its window. The program comes in two parts: the
// start (zentrel-utility), which needs no toolkit, and the window (zentrel-desktop, a module the
// start loads). Loading the toolkit's libraries takes several milliseconds; the start begins the
// first rescan of the adapters before that, so that the kernel's set-up of the captures and the
// devices' answers overlap the toolkit's start instead of following it.
// Both parts are linked from the same core libraries, so the objects the start makes here are the
// ones the window's code expects; the window calls the wire and the clock through their virtual
// functions, which run the start's code.
#include <memory>
#include <string>

#include "base/Clock.h"
#include "link/EarlyRescan.h"
#include "link/Wire.h"

namespace zentrel::app {

struct DesktopStart {
    // The version the start was built as: a window of another version is refused, as the two
    // share these types.
    const char* version = nullptr;
    int* argc = nullptr;
    char** argv = nullptr;
    Wire* wire = nullptr;
    Clock* clock = nullptr;
    // The first rescan, when the start holds the instance lock; the window's Main page takes it.
    std::unique_ptr<EarlyRescan> earlyRescan;
    // The instance guard's verdict: the window tells the user.
    bool guardAcquired = false;
    std::string guardProblem;
};

// The window's entry point: runs the window until it closes; returns the exit status.
using DesktopEntry = int (*)(DesktopStart& start);
inline constexpr const char kDesktopEntryName[] = "zentrel_desktop_run";
// The window's file, as the start looks for it.
#ifdef _WIN32
inline constexpr const char kDesktopModuleFile[] = "zentrel-desktop.dll";
#else
inline constexpr const char kDesktopModuleFile[] = "zentrel-desktop.so";
#endif

}  // namespace zentrel::app
