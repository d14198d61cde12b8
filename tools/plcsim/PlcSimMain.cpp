// plcsim: a HomePlug AV device simulator on one Ethernet interface.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "SimConfig.h"
#include "Simulator.h"
#include "base/Clock.h"
#include "link/pcap/PcapWire.h"

namespace {

volatile sig_atomic_t stopRequested = 0;
volatile sig_atomic_t dumpRequested = 0;

void OnStop(int) { stopRequested = 1; }
void OnDump(int) { dumpRequested = 1; }

const char kHelp[] =
    "Usage: plcsim -i INTERFACE [options]\n"
    "Plays a HomePlug AV local device and the remote stations of its powerline network on one\n"
    "Ethernet interface, so that HomePlug AV software can be tested without hardware. The local\n"
    "device answers requests sent to its own MAC or to the local management address\n"
    "00:B0:52:00:00:01:\n"
    "  version (0xA000)       the firmware text (device kind 1)\n"
    "  network-info (0xA038)  MMV 0: the HomePlug AV 1.0 layout; MMV 1: the 1.1 layout (fragment\n"
    "                         fields, 16-bit rates, at most 60 stations); later versions: no answer\n"
    "  set-key (0xA050)       MMV 0. Bytes 38..59 zero: a new NMK (bytes 21..36) for the local\n"
    "                         device, which restarts (silent for restart_ms) with the NID derived\n"
    "                         from it. A DAK at bytes 44..59: a new NMK for the remote station\n"
    "                         holding it (bytes 38..43: its MAC, or all ones for any); status 1\n"
    "                         when none does\n"
    "It counts HomePlug 1.0 probes (0x887B) without answering, and ignores everything else.\n"
    "A station is listed in network-info while its NMK equals the local device's.\n"
    "Example on a veth pair (as root): ip link add sim0 type veth peer name host0;\n"
    "  ip link set sim0 up; ip link set host0 up; plcsim -i sim0 &  then talk to it on host0.\n"
    "\n"
    "Options:\n"
    "  -i, --interface NAME     the Ethernet interface to play on (required)\n"
    "  -c, --config FILE        configuration file (INI, below); without it: one local device and\n"
    "                           three remote stations in the default network \"HomePlugAV\"\n"
    "  -l, --log FILE           log every received frame: \"SECONDS HEX\" per line, SECONDS since\n"
    "                           start with microseconds, HEX the whole frame in upper case\n"
    "      --ready-file FILE    create FILE once the capture is open\n"
    "      --ignore-netinfo N   leave the first N network-info requests unanswered\n"
    "      --delay MS           delay every reply by MS milliseconds\n"
    "      --setkey-status S    answer every set-key request with status S (non-zero: failure)\n"
    "      --fail-station MAC[=S]  a set-key request for that station fails with status S (default 1)\n"
    "      --burst RATE         send RATE frames per second that nobody asked for, to the host that\n"
    "                           last sent a request (before any, to 02:00:00:00:00:FE)\n"
    "      --burst-kind KINDS   what the burst sends, a comma-separated list, in turn (default unrelated):\n"
    "                             unrelated  vendor MMTYPE 0xA0FE and HomePlug 1.0 frames from the\n"
    "                                        local device\n"
    "                             foreign    version, network-info and set-key confirmations (0xA001,\n"
    "                                        0xA039, 0xA051) with another vendor's OUI (0A 0B 0C)\n"
    "                             mmtypes    every MMTYPE but those three in turn, with this family's OUI\n"
    "                             spoofed    the three confirmations with this family's OUI\n"
    "                           All but unrelated come from a stranger, 02:66:00:00:00:01: it names\n"
    "                           itself as the device, lists its own station 02:66:00:00:00:02 and\n"
    "                           reports every key change a success.\n"
    "      --stop-after SECONDS stop answering after SECONDS\n"
    "      --vary-rates SECONDS make every station's rates swing: from its tx_rate/rx_rate down to a\n"
    "                           quarter of them and back, in straight lines, once every SECONDS\n"
    "                           (1 to 604800, decimals allowed); with N stations each one peaks\n"
    "                           SECONDS/N later than the one before (the first at the start).\n"
    "                           Replaces the file's rate schedules; --print-config shows what it made\n"
    "      --print-config       print the configuration in effect (INI) and exit\n"
    "  -h, --help               this text\n"
    "\n"
    "SIGUSR1 prints the state (keys, NID, listed stations, request counters) on stdout; SIGTERM\n"
    "and SIGINT end the run (the state is printed on exit). Options given override the file.\n"
    "Exit status: 0 after a signal or --print-config, 1 when the file or the interface cannot be\n"
    "used, 2 for bad options.\n"
    "\n"
    "Configuration file (INI; '#' or ';' start a comment; numbers decimal or 0x-hex):\n"
    "  [local]                  the local device\n"
    "  mac = 00:B0:52:5A:00:01\n"
    "  firmware = PLCSIM-AV-3.1.0-00-20240101   at most 63 characters\n"
    "  network = HomePlugAV     network name, the NMK is derived from it; or nmk = 32 hex digits\n"
    "  nid = B0F2E695666B03     optional; derived from the NMK when absent or after a key change\n"
    "  snid = 7\n"
    "  tei = 1\n"
    "  role = 2                 0 station, 1 proxy coordinator, 2 central coordinator (CCo)\n"
    "  cco_mac = ...            default: the local device's MAC\n"
    "  cco_tei = ...            default: the local device's TEI\n"
    "  restart_ms = 1500        silence after it took a new NMK of its own\n"
    "  [station]                one section per remote station; they replace the default ones\n"
    "  mac = 00:B0:52:5A:00:02\n"
    "  tei = 2\n"
    "  bridged_mac = 02:00:00:AA:BB:C2\n"
    "  tx_rate = 82\n"
    "  rx_rate = 64\n"
    "  rates = 0s 82/64, 30s 20/15, 60s 82/64\n"
    "                           rates over time: TX/RX from that time after the start on (90s, 1.5s,\n"
    "                           500ms, 2m; a bare number is seconds), times increasing; before the\n"
    "                           first one tx_rate and rx_rate. Replies carry the rates in force when\n"
    "                           the request arrived\n"
    "  rates_period = 90s       the schedule starts over every 90 s (longer than its last time)\n"
    "  rates_shape = step       step: rates hold until the next time; ramp: they move in a straight\n"
    "                           line to the next time's (after the last, to the 0 s rates at the\n"
    "                           period's end, or they stay without a period)\n"
    "  password = ALFA-BRAV-OCHA-RLIE   device password (a set-key request must carry its DAK)\n"
    "  network = HomePlugAV     or nmk = 32 hex digits; listed only while it equals the local NMK\n"
    "  restart_ms = 0           not listed this long after taking a new NMK\n"
    "  setkey_status = 0        non-zero: set-key requests for this station fail with it\n"
    "  [faults]                 the same as the options: ignore_network_info, delay_ms,\n"
    "                           setkey_status, burst_rate, burst_kind, stop_after_s\n";

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

bool ParseCount(const char* text, long maximum, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return *text && *end == '\0' && value >= 0 && value <= maximum;
}

}  // namespace

int main(int argc, char** argv) {
    std::string interfaceName, configPath, logPath, readyPath;
    plcsim::SimConfig config = plcsim::DefaultConfig();
    struct FailStation {
        plcsim::Mac mac;
        std::uint8_t status;
    };
    std::vector<FailStation> failStations;
    plcsim::SimFaults faults;
    bool faultsGiven[6] = {};
    bool printConfig = false;
    std::int64_t varyRatesMs = 0;

    auto usage = [](const char* what) {
        std::fprintf(stderr, "plcsim: %s (see plcsim --help)\n", what);
        return 2;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        long number = 0;
        if (option == "-h" || option == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (option == "--print-config") {
            printConfig = true;
        } else {
            const char* text = value();
            if (!text) return usage(("missing value for " + option).c_str());
            if (option == "-i" || option == "--interface") interfaceName = text;
            else if (option == "-c" || option == "--config") configPath = text;
            else if (option == "-l" || option == "--log") logPath = text;
            else if (option == "--ready-file") readyPath = text;
            else if (option == "--ignore-netinfo") {
                if (!ParseCount(text, 1000000, number)) return usage("bad --ignore-netinfo");
                faults.ignoreNetworkInfo = static_cast<int>(number);
                faultsGiven[0] = true;
            } else if (option == "--delay") {
                if (!ParseCount(text, 3600000, number)) return usage("bad --delay");
                faults.delayMs = static_cast<int>(number);
                faultsGiven[1] = true;
            } else if (option == "--setkey-status") {
                if (!ParseCount(text, 255, number)) return usage("bad --setkey-status");
                faults.setKeyStatusAll = static_cast<std::uint8_t>(number);
                faultsGiven[2] = true;
            } else if (option == "--fail-station") {
                std::string stationArg = text;
                FailStation fail{{}, 1};
                const std::size_t equals = stationArg.find('=');
                if (equals != std::string::npos) {
                    if (!ParseCount(stationArg.c_str() + equals + 1, 255, number) || number == 0)
                        return usage("bad status in --fail-station");
                    fail.status = static_cast<std::uint8_t>(number);
                    stationArg.resize(equals);
                }
                if (!plcsim::ParseMac(stationArg, fail.mac)) return usage("bad MAC in --fail-station");
                failStations.push_back(fail);
            } else if (option == "--vary-rates") {
                char* end = nullptr;
                const double seconds = std::strtod(text, &end);
                if (*end != '\0' || !(seconds >= 1 && seconds <= 604800)) return usage("bad --vary-rates");
                varyRatesMs = std::llround(seconds * 1000);
            } else if (option == "--burst-kind") {
                if (!plcsim::ParseBurstKinds(text, faults.burstKinds)) return usage("bad --burst-kind");
                faultsGiven[5] = true;
            } else if (option == "--burst" || option == "--stop-after") {
                char* end = nullptr;
                const double amount = std::strtod(text, &end);
                if (*end != '\0' || amount < 0 || amount > 100000) return usage(("bad " + option).c_str());
                if (option == "--burst") {
                    faults.burstRate = amount;
                    faultsGiven[3] = true;
                } else {
                    faults.stopAfterSeconds = amount;
                    faultsGiven[4] = true;
                }
            } else {
                return usage(("unknown option " + option).c_str());
            }
        }
    }

    if (!configPath.empty()) {
        std::string text, error;
        if (!ReadFile(configPath, text)) {
            std::fprintf(stderr, "plcsim: cannot read %s\n", configPath.c_str());
            return 1;
        }
        config.faults = {};
        if (!plcsim::ParseConfig(text, config, error)) {
            std::fprintf(stderr, "plcsim: %s: %s\n", configPath.c_str(), error.c_str());
            return 1;
        }
    }
    // Options override the file.
    if (faultsGiven[0]) config.faults.ignoreNetworkInfo = faults.ignoreNetworkInfo;
    if (faultsGiven[1]) config.faults.delayMs = faults.delayMs;
    if (faultsGiven[2]) config.faults.setKeyStatusAll = faults.setKeyStatusAll;
    if (faultsGiven[3]) config.faults.burstRate = faults.burstRate;
    if (faultsGiven[4]) config.faults.stopAfterSeconds = faults.stopAfterSeconds;
    if (faultsGiven[5]) config.faults.burstKinds = faults.burstKinds;
    for (const FailStation& fail : failStations) {
        auto station = std::find_if(config.stations.begin(), config.stations.end(),
                                    [&](const plcsim::SimStation& s) { return s.mac == fail.mac; });
        if (station == config.stations.end()) return usage("--fail-station names no configured station");
        station->setKeyStatus = fail.status;
    }
    if (varyRatesMs > 0) plcsim::VaryRates(config, varyRatesMs);
    if (printConfig) {
        std::fputs(plcsim::FormatConfig(config).c_str(), stdout);
        return 0;
    }
    if (interfaceName.empty()) return usage("no interface given");

    std::FILE* log = nullptr;
    if (!logPath.empty()) {
        log = std::fopen(logPath.c_str(), "w");
        if (!log) {
            std::fprintf(stderr, "plcsim: cannot write %s\n", logPath.c_str());
            return 1;
        }
    }

    // The same two-ethertype filter as the program's.
    static const zentrel::BpfInstruction kFilter[7] = {
        {0x28, 0, 0, 12}, {0x15, 0, 1, 0x887B}, {0x06, 0, 0, 0xFFFFFFFF}, {0x28, 0, 0, 12},
        {0x15, 0, 1, 0x88E1}, {0x06, 0, 0, 0xFFFFFFFF}, {0x06, 0, 0, 0}};
    zentrel::PcapWire wire;
    zentrel::OpenFailure failure = zentrel::OpenFailure::None;
    std::string error;
    std::unique_ptr<zentrel::Capture> capture = wire.Open({interfaceName, ""}, kFilter, failure, error);
    if (!capture) {
        std::fprintf(stderr, "plcsim: cannot capture on %s: %s\n", interfaceName.c_str(), error.c_str());
        if (failure == zentrel::OpenFailure::Permission)
            std::fprintf(stderr, "plcsim: run it as root or grant it cap_net_raw\n");
        if (log) std::fclose(log);
        return 1;
    }

    struct sigaction action{};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    action.sa_handler = OnDump;
    sigaction(SIGUSR1, &action, nullptr);

    plcsim::Simulator simulator(config);
    const auto start = std::chrono::steady_clock::now();
    auto nowMs = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    };
    std::printf("plcsim: playing %s with %zu stations on %s\n", plcsim::FormatMac(config.local.mac).c_str(),
                config.stations.size(), interfaceName.c_str());
    std::fflush(stdout);
    if (!readyPath.empty()) {
        if (std::FILE* ready = std::fopen(readyPath.c_str(), "w")) std::fclose(ready);
    }

    // Longest sleep while idle: also bounds how late a stop or dump request that came just
    // before the wait began is seen.
    constexpr std::int64_t kIdleWaitMs = 1000;
    zentrel::SystemClock clock;
    std::vector<plcsim::OutFrame> pending;
    std::vector<std::uint8_t> frame;
    int exitCode = 0;
    while (!stopRequested) {
        if (dumpRequested) {
            dumpRequested = 0;
            std::fputs(simulator.DumpState(nowMs()).c_str(), stdout);
            std::fflush(stdout);
        }
        const int fetched = capture->Poll(frame);
        if (fetched < 0) {
            std::fprintf(stderr, "plcsim: capture failed on %s\n", interfaceName.c_str());
            exitCode = 1;
            break;
        }
        if (fetched == 1) {
            const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count();
            if (log) {
                std::fprintf(log, "%lld.%06lld %s\n", static_cast<long long>(elapsed / 1000000),
                             static_cast<long long>(elapsed % 1000000),
                             plcsim::HexText(frame.data(), frame.size()).c_str());
                std::fflush(log);
            }
            simulator.HandleFrame(frame, nowMs(), pending);
        }
        const std::int64_t now = nowMs();
        simulator.Tick(now, pending);
        // Due replies go out in the order they were made.
        std::int64_t nextDue = now + kIdleWaitMs;
        for (auto it = pending.begin(); it != pending.end();) {
            if (it->dueMs <= now) {
                capture->Send(it->bytes.data(), it->bytes.size());
                it = pending.erase(it);
            } else {
                nextDue = std::min(nextDue, it->dueMs);
                ++it;
            }
        }
        if (fetched == 1) continue;  // more may be waiting
        // Nothing waits: sleep until a frame comes, the next reply is due or, while bursting, the
        // next millisecond, instead of looking every millisecond while idle. A stop or dump
        // request interrupts the wait.
        if (config.faults.burstRate > 0) nextDue = std::min(nextDue, now + 1);
        if (!stopRequested && !dumpRequested) {
            zentrel::Capture* const awaited[] = {capture.get()};
            wire.AwaitFrame(awaited, static_cast<std::uint32_t>(nextDue - now), clock);
        }
    }
    std::fputs(simulator.DumpState(nowMs()).c_str(), stdout);
    std::fflush(stdout);
    if (log) std::fclose(log);
    return exitCode;
}
