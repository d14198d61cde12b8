// The scan, report and watch commands against plcsim, run as the user runs them: their own
// process in the lab's host namespace, files in the lab's directory; also under a flood of frames
// and read back by other programs (Python's JSON parser, Prometheus' promtool).
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <thread>

#include "E2eFixture.h"
#include "link/Exchange.h"
#include "pages/MainPage.h"

extern char** environ;

namespace zentrel::e2e {
namespace {

// What one scan of plcsim's default network prints; the speeds are floor(rate x 1.3083).
const char kScan[] = R"(Adapters:
  NIC #1 zh0 MAC = 02:5A:00:00:00:10
Local Device(s) on your computer:
  TEI 01  MAC Address 00:B0:52:5A:00:01  on NIC #1  FW Version: PLCSIM-AV-3.1.0-00-20240101
Connected
CCo Mac Address: 00:B0:52:5A:00:01
NID: b0f2e695666b
SNID: 7
TEI: 01
Network Type: Public
3 Powerline Devices detected

TEI  Password  MAC Address        Bridged MAC Address  Speed(Mbps)
02             00:B0:52:5A:00:02  02:00:00:AA:BB:C2    107
03             00:B0:52:5A:00:03  02:00:00:AA:BB:C3    96
04             00:B0:52:5A:00:04  02:00:00:AA:BB:C4    86
)";
// The same as JSON, its time masked.
const char kScanJson[] =
    R"({"schemaVersion":1,"time":"*","cycle":1,"adapters":[{"nic":1,"name":"zh0","mac":"02:5A:00:00:00:10",)"
    R"("localFound":true}],"localDevices":[{"nic":1,"tei":1,"mac":"00:B0:52:5A:00:01","firmwareVersion":)"
    R"("PLCSIM-AV-3.1.0-00-20240101","selected":true}],"connected":true,"network":{"type":"public",)"
    R"("nid":"B0F2E695666B03","snid":7,"ccoMac":"00:B0:52:5A:00:01","ccoTei":1},"stationCount":3,"stations":[)"
    R"({"mac":"00:B0:52:5A:00:02","tei":2,"bridgedMac":"02:00:00:AA:BB:C2","txMbps":107,"rxMbps":83,"label":"02",)"
    R"("password":""},{"mac":"00:B0:52:5A:00:03","tei":3,"bridgedMac":"02:00:00:AA:BB:C3","txMbps":96,)"
    R"("rxMbps":73,"label":"03","password":""},{"mac":"00:B0:52:5A:00:04","tei":4,"bridgedMac":)"
    R"("02:00:00:AA:BB:C4","txMbps":86,"rxMbps":62,"label":"04","password":""}]})" "\n";

class ScanE2e : public E2eTest {
protected:
    // `zentrel scan --json` with the time masked.
    std::string ScanJson() {
        const CliRun run = Zentrel("scan --json");
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string& json = run.out;
        const std::size_t time = json.find(R"("time":")");
        if (time == std::string::npos || json.size() < time + 33) return json;
        std::string masked = json.substr(0, time + 8);
        masked.append("*").append(json, time + 33, std::string::npos);
        return masked;
    }
};

// The install step grants cap_net_raw alone: with it, and nothing more, an unprivileged user
// finds the local device and every station, promiscuous capture included.
TEST_F(ScanE2e, OneScanFromAnEmptyDirectoryListsTheLocalDeviceAndItsStationsAlsoForAnUnprivilegedUser) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim());
    const CliRun run = Zentrel("scan");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kScan);
    EXPECT_EQ(ScanJson(), kScanJson);
    // A device that answers 10 ms late, within the discovery's one wait: plcsim holds the reply
    // until it is due and must not sleep past that while nothing else comes in.
    EXPECT_GE(lab->StopSim(), 0);
    ASSERT_TRUE(Sim({"--delay", "10"}));
    EXPECT_TRUE(RescanAdapters(core->link));
    EXPECT_GE(lab->StopSim(), 0);
    ASSERT_TRUE(Sim());

    if (std::system("command -v setcap >/dev/null && command -v setpriv >/dev/null") != 0)
        GTEST_SKIP() << "setcap (libcap2-bin) or setpriv (util-linux) is missing";
    std::filesystem::create_directories(Path("nobody"));
    ASSERT_EQ(::chown(Path("nobody").c_str(), 65534, 65534), 0);
    std::filesystem::copy_file(ZENTREL_CLI, Path("zentrel"));
    ASSERT_EQ(Shell("setcap cap_net_raw+ep zentrel").status, 0);
    // Its files in a directory of its own: the user cannot write the lab's.
    const CliRun nobody = Shell("cd nobody && setpriv --reuid=65534 --regid=65534 --clear-groups ../zentrel scan");
    EXPECT_EQ(nobody.status, 0) << nobody.err;
    EXPECT_EQ(nobody.out, kScan);
}

// The desktop program's start over the real capture library: the first rescan and its
// network-information pass on a thread of their own, taken over by the Main page's first scan,
// whose lists then show what a scan shows.
TEST_F(ScanE2e, TheMainPagesFirstScanTakesOverTheRescanRunOnAThread) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim());
    core->earlyRescan = std::make_unique<EarlyRescan>(wire, clock);
    InitMainPage(*core);
    EXPECT_EQ(core->earlyRescan, nullptr);
    ASSERT_EQ(views.main.localDevices.RowCount(), 1);
    EXPECT_EQ(views.main.localDevices.Cell(0, 1), "00:B0:52:5A:00:01");
    const auto& list = views.main.powerlineDevices;
    ASSERT_EQ(list.RowCount(), 3);
    for (int row = 0; row < 3; ++row) EXPECT_EQ(list.Cell(row, 3), "00:B0:52:5A:00:0" + std::to_string(row + 2));
    EXPECT_EQ(views.main.nid, "b0f2e695666b");
}

// The report file line by line against the layout of its formats; the date, the host's own
// facts, the adapter's address and the times are masked.
TEST_F(ScanE2e, ReportFileMatchesTheGoldenLayout) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim());
    const CliRun run = Zentrel("report report.txt");
    ASSERT_EQ(run.status, 0);
    struct stat info {};
    ASSERT_EQ(::stat(Path("report.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    auto mask = [](std::string text) {
        for (const char* pattern : {"^(Diagnostics Report:\t{5}|On NIC #1 MAC = |Computer name: |User name: |Microprocessor: |"
                                    "OS Platform: |Library: libpcap\\.so    ).*$",
                                    "^(.*00:B0:52:5A.*\t).*$"})  // a device's line: its time
            text = std::regex_replace(text, std::regex(pattern, std::regex::multiline), "$1*");
        return text;
    };
    const auto actual = mask(Read("report.txt"));
    const auto expected = mask(ReadText(std::string(ZENTREL_TEST_DATA) + "/e2e_report.txt"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(actual, expected);
}

TEST_F(ScanE2e, AStationDroppedBetweenCyclesOfWatchLeavesTheList) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim());
    WriteFastPrefs(4);  // a cycle every 24 ticks, about 0.6 s
    Write("two.ini",
          "[local]\nmac = 00:B0:52:5A:00:01\n"
          "[station]\nmac = 00:B0:52:5A:00:02\ntei = 2\nbridged_mac = 02:00:00:AA:BB:C2\ntx_rate = 82\n"
          "[station]\nmac = 00:B0:52:5A:00:04\ntei = 4\nbridged_mac = 02:00:00:AA:BB:C4\ntx_rate = 66\n");
    // exec: the shell becomes the program, so the Ctrl-C below reaches it.
    const std::string script = "cd '" + lab->Directory() + "' && exec '" ZENTREL_CLI "' watch --cycles 40 >watch.out 2>watch.err";
    const char* const argv[] = {"sh", "-c", script.c_str(), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ), 0);

    auto waitFor = [&](auto done) {
        for (int i = 0; i < 400; ++i) {
            if (done(Read("watch.out"))) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    };
    EXPECT_TRUE(waitFor([](const std::string& out) { return out.find("00:B0:52:5A:00:03") != std::string::npos; }));
    ASSERT_GE(lab->StopSim(), 0);
    ASSERT_TRUE(Sim({"--config", Path("two.ini")}));
    const std::size_t mark = Read("watch.out").size();
    // A later cycle lists the two remaining stations and not the dropped one.
    const bool dropped = waitFor([&](const std::string& out) {
        const auto cycle = out.rfind("--- cycle");
        if (out.size() <= mark || cycle == std::string::npos || cycle < mark) return false;
        const std::string block = out.substr(cycle);
        return block.find("2 Powerline Devices detected") != std::string::npos &&
               block.find("00:B0:52:5A:00:04") != std::string::npos && block.find("00:B0:52:5A:00:03") == std::string::npos;
    });
    EXPECT_TRUE(dropped) << Read("watch.out").substr(mark);

    ::kill(pid, SIGINT);
    int status = 0;
    for (int i = 0; i < 100 && ::waitpid(pid, &status, WNOHANG) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        ADD_FAILURE() << "watch did not end on Ctrl-C";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Saved on the way out: plc.data holds the history.
    EXPECT_GT(Read("plc.data").size(), 97532u);
}

// Scans while plcsim floods the host with frames nobody asked for, also from a stranger that sends
// version, network-info and set-key confirmations with another vendor's OUI and every other
// MMTYPE: the scan lists the simulated network as ever, and nothing of the flood.
TEST_F(ScanE2e, AScanUnderAFloodOfFramesListsTheNetworkAndNothingOfTheFlood) {
    E2E_PREPARE();
    for (const char* kind : {"", "foreign,mmtypes"}) {
        SCOPED_TRACE(kind);
        std::vector<std::string> burst = {"--burst", "5000"};
        if (*kind) burst.insert(burst.end(), {"--burst-kind", kind});
        std::filesystem::remove(Path("plc.data"));
        ASSERT_TRUE(Sim(burst));
        EXPECT_EQ(ScanJson(), kScanJson);
        EXPECT_GE(lab->StopSim(), 0);
        // The number of burst frames plcsim sent and the seconds it ran, by its own clock: its
        // start-up, which the sanitizers make slow, is no part of the flood.
        const std::string state = Read("plcsim.out");
        const auto at = state.rfind(" burst="), clockAt = state.rfind("plcsim state at ");
        ASSERT_TRUE(at != std::string::npos && clockAt != std::string::npos) << state;
        const double sent = std::strtod(state.c_str() + at + 7, nullptr);
        const double simSeconds = std::strtod(state.c_str() + clockAt + 16, nullptr) / 1000;
        EXPECT_GT(sent, 0.7 * 5000 * simSeconds) << sent << " frames in " << simSeconds << " s";
        EXPECT_LT(sent, 1.05 * 5000 * simSeconds + 1) << sent << " frames in " << simSeconds << " s";
    }
}

// `zentrel watch` for scripts and monitoring: JSON lines read back by Python's own parser, and the
// metrics file checked by Prometheus' promtool.
class WatchE2e : public E2eTest {};

// JSON lines, one per cycle, then the metrics file of a network whose rates change.
TEST_F(WatchE2e, JsonLinesOnePerCycleAndAMetricsFileThatPassesPromtoolAndFollowsTheRates) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim());
    WriteFastPrefs(4);
    const CliRun json = Zentrel("watch --json --cycles 3");
    ASSERT_EQ(json.status, 0) << json.err;
    Write("watch.jsonl", json.out);
    // Each line on its own through a strict parser; a summary of what it holds.
    const CliRun summary = Shell(
        "python3 -c 'import json, re, sys\n"
        "for line in open(\"watch.jsonl\"):\n"
        "    o = json.loads(line)\n"
        "    assert re.fullmatch(r\"\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d\", o[\"time\"]), o[\"time\"]\n"
        "    s = o[\"stations\"][0]\n"
        "    print(o[\"schemaVersion\"], o[\"cycle\"], o[\"connected\"], o[\"network\"][\"type\"], o[\"network\"][\"snid\"],\n"
        "          o[\"stationCount\"], len(o[\"stations\"]), s[\"mac\"], s[\"tei\"], s[\"bridgedMac\"], s[\"txMbps\"], s[\"rxMbps\"])'");
    ASSERT_EQ(summary.status, 0) << summary.err;
    std::string expected;
    for (const char* cycle : {"1", "2", "3"}) expected += std::string("1 ") + cycle + " True public 7 3 3 00:B0:52:5A:00:02 2 02:00:00:AA:BB:C2 107 83\n";
    EXPECT_EQ(summary.out, expected);
    // With periodic scanning off, watch asks for each next scan itself.
    WriteFastPrefs(4, 0);
    const CliRun manual = Zentrel("watch --json --cycles 3");
    ASSERT_EQ(manual.status, 0) << manual.err;
    EXPECT_EQ(std::count(manual.out.begin(), manual.out.end(), '\n'), 3);
    // Every cycle shows the device: none is the picture emptied while the first scan waits.
    EXPECT_EQ(manual.out.find("\"localFound\":false"), std::string::npos) << manual.out;
    WriteFastPrefs(4);

    // The first station runs at rate 20 for 5 s, then at 82; nothing is known of the first network.
    Write("rates.ini", "[station]\nrates = 0s 20/10, 5s 82/64\n[station]\n");
    std::filesystem::remove(Path("plc.data"));
    ASSERT_GE(lab->StopSim(), 0);
    ASSERT_TRUE(Sim({"--config", Path("rates.ini")}));
    const CliRun watch = Shell("ZENTREL watch --cycles 1 --metrics zentrel.prom && cp zentrel.prom first.prom && "
                               "sleep 5 && ZENTREL watch --cycles 2 --metrics zentrel.prom");
    ASSERT_EQ(watch.status, 0) << watch.err;
    const std::string first = Read("first.prom"), metrics = Read("zentrel.prom");
    const std::string adapter = std::string("{adapter=\"") + NetnsLab::kHostInterface + "\"";
    const std::string station = adapter + ",mac=\"00:B0:52:5A:00:02\",tei=\"2\"} ";
    EXPECT_NE(first.find("zentrel_station_tx_bytes_per_second" + station + "3250000\n"), std::string::npos) << first;
    for (const std::string& line : {"zentrel_station_tx_bytes_per_second" + station + "13375000",
                                   "zentrel_station_rx_bytes_per_second" + station + "10375000",
                                   "zentrel_stations" + adapter + "} 2", "zentrel_local_device_up" + adapter + "} 1",
                                   std::string("zentrel_scan_cycles_total 2")}) {
        EXPECT_NE(metrics.find(line + "\n"), std::string::npos) << line << " in\n" << metrics;
    }
    // node_exporter reads it as another user.
    struct stat info {};
    ASSERT_EQ(::stat(Path("zentrel.prom").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    const CliRun promtool = Shell("promtool check metrics <zentrel.prom");
    EXPECT_EQ(promtool.status, 0) << promtool.err;
    EXPECT_EQ(promtool.err, "");
}

}  // namespace
}  // namespace zentrel::e2e
