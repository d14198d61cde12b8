// zentrel-utility: the desktop program's start. Its files live in the current directory; its only
// options are --help and --version (besides Qt's own). It takes the instance lock and begins the
// first rescan, then loads the window (Window.cpp), which needs the toolkit, and runs it.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/desktop/DesktopModule.h"
#include "app/desktop/DesktopStart.h"
#include "app/desktop/InstanceGuard.h"
#include "base/Clock.h"
#include "link/EarlyRescan.h"
#include "link/pcap/PcapWire.h"
#include "ui/StartupTrace.h"

namespace {

const char kUsage[] =
    "Usage: zentrel-utility [-h | --help] [-V | --version]\n"
    "\n"
    "The desktop program of Zentrel Utility: finds the powerline adapter on this computer's\n"
    "Ethernet adapters, lists the devices of its network, changes the network name and adds\n"
    "remote devices. It keeps its files (plc.data, OEMPrefs.dat, OUIList.txt, scan.log and\n"
    "its images) in the current directory. Raw Ethernet needs the capability cap_net_raw.\n"
    "The command-line companion is zentrel (zentrel --help).\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before the toolkit is loaded, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "-V") == 0 || std::strcmp(argv[i], "--version") == 0) {
            std::printf("zentrel-utility %s\n", ZENTREL_VERSION);
            return 0;
        }
    }
    zentrel::ui::OpenStartupTrace();
    zentrel::ui::StartupMark("main");
    std::string error;
    const std::string window = zentrel::app::FindDesktopModule(error);
    if (window.empty()) {
        std::fprintf(stderr, "zentrel-utility: %s\n", error.c_str());
        return 1;
    }
    zentrel::PcapWire wire;
    zentrel::SystemClock clock;
    // A second copy must not touch the adapters, so the lock is taken before the first rescan
    // starts. The rescan then runs while the toolkit is loaded and the window is built; the Main
    // page's first scan takes its result.
    zentrel::app::InstanceGuard guard;
    zentrel::app::DesktopStart start;
    start.version = ZENTREL_VERSION;
    start.argc = &argc;
    start.argv = argv;
    start.wire = &wire;
    start.clock = &clock;
    start.guardAcquired = guard.Acquired();
    start.guardProblem = guard.Problem();
    if (start.guardProblem.empty() && start.guardAcquired)
        start.earlyRescan = std::make_unique<zentrel::EarlyRescan>(wire, clock);

    const zentrel::app::DesktopEntry run = zentrel::app::LoadDesktopModule(window, error);
    if (run == nullptr) {
        std::fprintf(stderr, "zentrel-utility: %s\n", error.c_str());
        return 1;
    }
    // The window is never unloaded: the toolkit's own clean-up runs as the process exits.
    return run(start);
}
