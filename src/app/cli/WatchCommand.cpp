// `zentrel watch`: the timer-driven scan cycle, redrawing the Main page after every cycle.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "cli/Command.h"
#include "cli/MetricsFile.h"
#include "cli/ScanJson.h"
#include "pages/Preferences.h"
#include "cli/ScanSession.h"
#include "pages/ScanCycle.h"
#include "pages/MainPage.h"
#include "registry/OemPrefs.h"

#include "link/pcap/PcapWire.h"

namespace zentrel::cli {
namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

int Run(const std::vector<std::string>& args);

const CommandInfo kInfo{
    "watch", "scan continuously and redraw the station list after each cycle",
    "Usage: zentrel watch [--json] [--cycles N] [--metrics FILE]\n"
    "\n"
    "Starts as the desktop program's Main page does and runs its scan timer: a tick every\n"
    "25 ms, a scan cycle every few seconds (OEMPrefs.dat sets the ticks per phase). The\n"
    "Main page's picture is printed after every cycle, the first one (the start's own scan)\n"
    "at once; the terminal is redrawn when it is one. Ctrl-C ends it; plc.data is saved on\n"
    "the way out.\n"
    "\n"
    "  --json          print one JSON object per cycle, one a line (docs/json.md)\n"
    "  --cycles N      end after N cycles, with status 0\n"
    "  --metrics FILE  after each cycle replace FILE with the rates, the station count and\n"
    "                  the local device's state in the Prometheus text format (for\n"
    "                  node_exporter's textfile collector: name it *.prom in its directory)\n"
    "\n"
    "Exit status: 0 after N cycles or Ctrl-C, 1 when FILE cannot be written, 2 on a usage\n"
    "error.\n",
    &Run};
const CommandRegistration reg(kInfo);

void Draw(const Core& core, bool json, int cycle, bool terminal, std::int64_t now) {
    if (json) {
        std::printf("%s\n", ScanJson(core, cycle, now).c_str());
    } else if (terminal) {
        std::printf("\033[H\033[2J%s\n(cycle %d; Ctrl-C to stop)\n", MainPageText(core).c_str(), cycle);
    } else {
        std::printf("--- cycle %d\n%s", cycle, MainPageText(core).c_str());
    }
    std::fflush(stdout);
}

int Run(const std::vector<std::string>& args) {
    bool json = false;
    long maxCycles = 0;
    std::string metricsPath;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--cycles" && i + 1 < args.size()) {
            char* end = nullptr;
            maxCycles = std::strtol(args[i + 1].c_str(), &end, 10);
            if (!end || *end != '\0' || maxCycles < 1) return UsageError(kInfo, "--cycles needs a positive number");
            ++i;
        } else if (args[i] == "--metrics" && i + 1 < args.size() && !args[i + 1].empty()) {
            metricsPath = args[++i];
        } else if (args[i] == "--metrics" || args[i] == "--cycles") {
            return UsageError(kInfo, args[i] + " needs a value");
        } else {
            return UsageError(kInfo, "unexpected argument '" + args[i] + "'");
        }
    }

    CliContext context;
    Core& core = *context.core;
    core.link.captureLibraryVersion = CaptureLibraryVersion();
    LoadOemPrefs(core);
    InitMainPage(core);
    ActivateMainPage(core);
    const bool terminal = !json && isatty(STDOUT_FILENO);
    // Every cycle's picture, and the metrics file. The start scanned once already: that is the
    // first cycle.
    int cycles = 0;
    bool metricsFailed = false;
    auto cycleDone = [&] {
        ++cycles;
        const std::int64_t now = context.clock.Now();
        Draw(core, json, cycles, terminal, now);
        if (metricsPath.empty()) return true;
        if (WriteMetricsFile(metricsPath, MetricsText(core, cycles, now))) {
            metricsFailed = false;
        } else if (!metricsFailed) {
            std::fprintf(stderr, "zentrel watch: cannot write %s\n", metricsPath.c_str());
            metricsFailed = true;
            return cycles > 1;  // a file that cannot be written at all ends the command
        }
        return true;
    };
    // With periodic scanning off, activating the page asked for a scan and emptied the lists
    // until it runs: the first cycle is that scan, not the emptied picture.
    bool ok = core.prefs.autoScan == 0 || cycleDone();

    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    using Clock = std::chrono::steady_clock;
    constexpr auto kTick = std::chrono::milliseconds(25);
    auto next = Clock::now();
    while (ok && !stopRequested && !(maxCycles > 0 && cycles >= maxCycles)) {
        next += kTick;
        std::this_thread::sleep_until(next);
        // A tick that blocked for a cycle's exchanges is not made up with a burst of ticks,
        // as a window-system timer does not queue the ones it missed.
        if (Clock::now() > next + kTick) next = Clock::now();
        if (stopRequested) break;
        if (!context.timer.running) continue;
        const int before = core.scan.phase;
        ScanTick(core);
        if (core.scan.phase == 0 && before != 0) {
            ok = cycleDone();
            // With periodic scanning off only a requested scan runs a cycle: ask for the next one
            // as the Refresh button would, or `--cycles N` would wait forever.
            if (core.prefs.autoScan == 0) StartScan(core);
        }
    }
    StopScanTimer(core);
    DeactivateMainPage(core);
    DestroyMainPage(core);
    return ok ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace zentrel::cli
