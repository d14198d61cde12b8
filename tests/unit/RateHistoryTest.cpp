// The rate history: what a scan cycle records, how long it keeps it, and what a chart gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "ScanFixture.h"
#include "pages/RateHistory.h"

namespace zentrel::test {
namespace {

constexpr std::int64_t kStart = 1700000000;
const Mac kA{0x00, 0xB0, 0x52, 0x11, 0x00, 0x01};
const Mac kB{0x00, 0xB0, 0x52, 0x11, 0x00, 0x02};

RateHistory::Input In(const Mac& mac, int tx, int rx = 0) { return {mac, 2, tx, rx}; }

class RateHistoryTest : public ScanFixture {};

// The scan cycle samples the listed stations with the Main page's conversion, at the clock's
// time; a station that leaves keeps its line until its samples are a day old.
TEST_F(RateHistoryTest, CyclesSampleTheListedStationsUntilTheyAgeOut) {
    AddAdapter(true, {Station(1, 2, 82), Station(2, 3, 20)});
    devices[0].stations[0].avgRxRate = 64;
    MakeCore();
    RestartScanning(*core);
    RunScanCycle(*core);
    const auto& series = core->rates.Series();
    ASSERT_EQ(series.size(), 2u);
    EXPECT_EQ(series[0].mac, kA);
    const RateSample& first = series[0].Last();
    EXPECT_EQ(std::tuple(first.time, first.tei, first.txMbps, first.rxMbps), std::tuple(clock.Now(), 2, 107, 83));
    EXPECT_EQ(series[1].Last().txMbps, 26);

    devices[0].stations.pop_back();
    clock.Advance(3600 * 1000);
    RunScanCycle(*core);
    ASSERT_EQ(series.size(), 2u);
    EXPECT_EQ(series[0].Size(), 2u);
    EXPECT_EQ(series[1].Size(), 1u);
    clock.Advance(23 * 3600 * 1000 + 1000);
    RunScanCycle(*core);
    ASSERT_EQ(series.size(), 1u);
    EXPECT_EQ(series[0].mac, kA);
}

// A cycle every 5 s for 25 hours: the last hour as it came, before it one sample a minute, the
// slowest of that minute; nothing older than a day.
TEST(RateHistoryThinning, KeepsADayThinnedBeyondTheLastHour) {
    RateHistory history;
    const std::int64_t dropAt = kStart + 2 * 3600 + 10;  // a 5 s drop, long thinned by the end
    std::int64_t now = kStart;
    for (; now < kStart + 25 * 3600; now += 5) history.Record(now, {In(kA, now == dropAt ? 12 : 100)});
    now -= 5;
    const RateSeries& series = history.Series().at(0);
    EXPECT_EQ(series.recent.size(), 721u);
    EXPECT_NEAR(static_cast<double>(series.thinned.size()), 23 * 60, 1);
    EXPECT_GE(series.At(0).time, now - RateHistory::kKeepSeconds);
    for (std::size_t i = 1; i < series.Size(); ++i) ASSERT_LT(series.At(i - 1).time, series.At(i).time);
    EXPECT_EQ(std::count_if(series.thinned.begin(), series.thinned.end(), [](const RateSample& s) { return s.txMbps == 12; }), 1);

    RateHistory burst;  // cycles faster than one a second
    for (int i = 0; i < 10000; ++i) burst.Record(kStart + i / 4, {In(kA, 50), In(kB, 60)});
    EXPECT_LE(burst.Series().at(1).Size(), RateHistory::kMaxRecent + 60);
}

TEST(RateHistoryChart, ThinsToTheLowestAndHighestOfEachStretch) {
    RateHistory history;
    for (int i = 0; i < 1000; ++i) history.Record(kStart + i, {In(kA, i == 500 ? 3 : (i == 700 ? 300 : 100), i % 7)});
    const RateSeries& series = history.Series().at(0);
    const struct {
        std::int64_t from;
        bool receive;
        std::size_t maxPoints, samples;
        int lowest, highest;
    } cases[] = {
        {0, false, 100, 1000, 3, 300},
        {kStart + 600, false, 1000, 400, 100, 300},
        {kStart + 990, true, 1000, 10, 0, 6},
        {kStart + 2000, false, 100, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto line = ChartLine(series, c.from, c.receive, c.maxPoints);
        EXPECT_LE(line.size(), std::min(c.samples, c.maxPoints)) << c.from;
        EXPECT_GE(line.size(), std::min(c.samples, c.maxPoints / 2)) << c.from;
        if (line.empty()) continue;
        EXPECT_GE(line.front().time, c.from);
        const auto [low, high] = std::minmax_element(line.begin(), line.end(),
                                                     [](const auto& a, const auto& b) { return a.mbps < b.mbps; });
        EXPECT_EQ(low->mbps, c.lowest) << c.from;
        EXPECT_EQ(high->mbps, c.highest) << c.from;
        EXPECT_TRUE(std::is_sorted(line.begin(), line.end(), [](const auto& a, const auto& b) { return a.time < b.time; }));
    }
    EXPECT_EQ(history.Csv(kStart + 999), "time,mac,tei,tx_mbps,rx_mbps\r\n2023-11-14T22:29:59Z,00:B0:52:11:00:01,2,100,5\r\n");
}

}  // namespace
}  // namespace zentrel::test
