// `zentrel watch` for scripts and monitoring against plcsim: JSON lines read back by Python's
// own parser, and the metrics file checked by Prometheus' promtool.
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "E2eFixture.h"

namespace zentrel::e2e {
namespace {

class WatchE2e : public E2eTest {
protected:
    // Runs a shell command in the lab's directory; its exit status, stdout in `out`.
    int Shell(const std::string& command, std::string& out) {
        const std::string dir = lab->Directory();
        const int raw = std::system(("cd '" + dir + "' && " + command + " >'" + dir + "/sh.out' 2>'" + dir + "/sh.err'").c_str());
        out = ReadText(dir + "/sh.out");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
};

TEST_F(WatchE2e, JsonLinesOnePerCycleThenExitZero) {
    E2E_PREPARE(1);
    std::string error;
    ASSERT_TRUE(lab->StartSim(0, {}, error)) << error;
    WriteFastPrefs(4);
    std::string out;
    ASSERT_EQ(Shell("'" ZENTREL_CLI "' watch --json --cycles 3", out), 0) << ReadText(lab->Directory() + "/sh.err");
    Write("watch.jsonl", out);
    // Each line on its own through a strict parser; a summary of what it holds.
    const char* const kSummary =
        "python3 -c 'import json, re, sys\n"
        "for line in open(\"watch.jsonl\"):\n"
        "    o = json.loads(line)\n"
        "    assert re.fullmatch(r\"\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d\", o[\"time\"]), o[\"time\"]\n"
        "    s = o[\"stations\"][0]\n"
        "    print(o[\"schemaVersion\"], o[\"cycle\"], o[\"connected\"], o[\"network\"][\"type\"], o[\"network\"][\"snid\"],\n"
        "          o[\"stationCount\"], len(o[\"stations\"]), s[\"mac\"], s[\"tei\"], s[\"bridgedMac\"], s[\"txMbps\"], s[\"rxMbps\"])'";
    ASSERT_EQ(Shell(kSummary, out), 0) << ReadText(lab->Directory() + "/sh.err");
    std::string expected;
    for (const char* cycle : {"1", "2", "3"}) {
        expected += std::string("1 ") + cycle + " True public 7 3 3 00:B0:52:5A:00:02 2 02:00:00:AA:BB:C2 107 83\n";
    }
    EXPECT_EQ(out, expected);
}

TEST_F(WatchE2e, MetricsFilePassesPromtoolAndFollowsTheRates) {
    E2E_PREPARE(1);
    std::string error;
    // The first station runs at rate 20 for 5 s, then at 82.
    Write("rates.ini", "[station]\nrates = 0s 20/10, 5s 82/64\n[station]\n");
    ASSERT_TRUE(lab->StartSim(0, {"--config", lab->Directory() + "/rates.ini"}, error)) << error;
    WriteFastPrefs(4);
    std::string out;
    ASSERT_EQ(Shell("{ '" ZENTREL_CLI "' watch --cycles 1 --metrics zentrel.prom && cp zentrel.prom first.prom && sleep 5 && '"
                    ZENTREL_CLI "' watch --cycles 2 --metrics zentrel.prom; }",
                    out),
              0)
        << ReadText(lab->Directory() + "/sh.err");
    const std::string first = ReadText(lab->Directory() + "/first.prom");
    const std::string metrics = ReadText(lab->Directory() + "/zentrel.prom");
    const std::string station = "{adapter=\"" + lab->HostInterface(0) + "\",mac=\"00:B0:52:5A:00:02\",tei=\"2\"} ";
    EXPECT_NE(first.find("zentrel_station_tx_bytes_per_second" + station + "3250000\n"), std::string::npos) << first;
    for (const std::string& line : {"zentrel_station_tx_bytes_per_second" + station + "13375000",
                                   "zentrel_station_rx_bytes_per_second" + station + "10375000",
                                   "zentrel_stations{adapter=\"" + lab->HostInterface(0) + "\"} 2",
                                   "zentrel_local_device_up{adapter=\"" + lab->HostInterface(0) + "\"} 1",
                                   std::string("zentrel_scan_cycles_total 2")}) {
        EXPECT_NE(metrics.find(line + "\n"), std::string::npos) << line << " in\n" << metrics;
    }
    // node_exporter reads it as another user.
    struct stat info {};
    ASSERT_EQ(::stat((lab->Directory() + "/zentrel.prom").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(Shell("promtool check metrics <zentrel.prom", out), 0) << ReadText(lab->Directory() + "/sh.err");
    EXPECT_EQ(ReadText(lab->Directory() + "/sh.err"), "");
}

}  // namespace
}  // namespace zentrel::e2e
