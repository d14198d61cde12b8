// `zentrel watch` for scripts and monitoring against plcsim: JSON lines read back by Python's
// own parser, and the metrics file checked by Prometheus' promtool.
#include <sys/stat.h>

#include "E2eFixture.h"

namespace zentrel::e2e {
namespace {

class WatchE2e : public E2eTest {};

TEST_F(WatchE2e, JsonLinesOnePerCycleThenExitZero) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim());
    WriteFastPrefs(4);
    const CliRun watch = Zentrel("watch --json --cycles 3");
    ASSERT_EQ(watch.status, 0) << watch.err;
    Write("watch.jsonl", watch.out);
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
    for (const char* cycle : {"1", "2", "3"}) {
        expected += std::string("1 ") + cycle + " True public 7 3 3 00:B0:52:5A:00:02 2 02:00:00:AA:BB:C2 107 83\n";
    }
    EXPECT_EQ(summary.out, expected);
}

TEST_F(WatchE2e, MetricsFilePassesPromtoolAndFollowsTheRates) {
    E2E_PREPARE();
    // The first station runs at rate 20 for 5 s, then at 82.
    Write("rates.ini", "[station]\nrates = 0s 20/10, 5s 82/64\n[station]\n");
    ASSERT_TRUE(Sim({"--config", Path("rates.ini")}));
    WriteFastPrefs(4);
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
