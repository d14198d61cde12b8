// Stations whose rates change over time: the schedule keys, --vary-rates' waves, and the rates
// the network-info replies carry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "SimConfig.h"
#include "Simulator.h"

namespace plcsim {
namespace {

TEST(RateScheduleTest, RatesAtChosenTimes) {
    const char* const kSteps = "rates = 10s 20/15, 30s 82/64";
    const char* const kRamp = "rates = 0s 0/100, 10s 100/0\nrates_shape = ramp";
    const struct {
        std::string schedule;  // [station] keys after tx_rate = 50, rx_rate = 40
        std::int64_t atMs;
        int tx, rx;
    } cases[] = {
        {"", 3600000, 50, 40},
        {kSteps, 9999, 50, 40},  // before the first time: tx_rate/rx_rate
        {kSteps, 10000, 20, 15},
        {kSteps, 29999, 20, 15},
        {kSteps, 86400000, 82, 64},  // nothing repeats: the last holds
        {std::string(kSteps) + "\nrates_period = 60s", 60000, 50, 40},
        {std::string(kSteps) + "\nrates_period = 60s", 130000, 20, 15},
        {kRamp, 3333, 33, 67},  // to the nearest
        {kRamp, 50000, 100, 0},
        // After the last time a repeating ramp heads back to the 0 s rates.
        {std::string(kRamp) + "\nrates_period = 20s", 15000, 50, 50},
        {std::string(kRamp) + "\nrates_period = 20s", 42500, 25, 75},
        {"rates = 1s 10/10\nrates_period = 2s\nrates_shape = ramp", 500, 30, 25},  // from tx_rate/rx_rate
    };
    for (const auto& c : cases) {
        SimConfig config;
        std::string error;
        ASSERT_TRUE(ParseConfig("[station]\ntx_rate = 50\nrx_rate = 40\n" + c.schedule, config, error)) << error;
        const RatePoint rates = RatesAt(config.stations[0], c.atMs);
        EXPECT_EQ(rates.tx, c.tx) << c.schedule << " at " << c.atMs;
        EXPECT_EQ(rates.rx, c.rx) << c.schedule << " at " << c.atMs;
    }
}

TEST(RateScheduleTest, DurationsAndRefusedSchedules) {
    const struct {
        const char* text;
        std::int64_t ms;  // -1: refused
    } durations[] = {{"90s", 90000}, {"1.5s", 1500}, {"500ms", 500}, {"2m", 120000}, {"7", 7000},
                     {"", -1},       {"s", -1},      {"-1s", -1},    {"1h", -1},     {"604801s", -1}};
    for (const auto& c : durations) {
        std::int64_t ms = -1;
        EXPECT_EQ(ParseDuration(c.text, ms), c.ms >= 0) << c.text;
        if (c.ms >= 0) {
            EXPECT_EQ(ms, c.ms) << c.text;
        }
    }
    const struct {
        const char* text;
        const char* error;
    } refused[] = {
        {"rates = 10s 5/5, 10s 6/6", "line 2: bad value for rates"},
        {"rates = 0s 5/256", "line 2: bad value for rates"},
        {"rates = 0s 5-5", "line 2: bad value for rates"},
        {"rates = 0s 5/5,", "line 2: bad value for rates"},
        {"rates = 0s 5/5 1s", "line 2: bad value for rates"},
        {"rates_period = 0s", "line 2: bad value for rates_period"},
        {"rates_period = 60s\nrates = 0s 1/1, 60s 2/2", "line 3: rates_period must be longer"},
        {"rates = 0s 1/1, 60s 2/2\nrates_period = 1m", "line 3: rates_period must be longer"},
        {"rates_shape = smooth", "line 2: bad value for rates_shape"},
    };
    for (const auto& c : refused) {
        SimConfig config;
        std::string error;
        EXPECT_FALSE(ParseConfig(std::string("[station]\n") + c.text + "\n", config, error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << ": " << error;
    }
}

// Every station swings between its rates and a quarter of them, each one a third of the period
// after the one before.
TEST(RateScheduleTest, VaryRatesMakesStaggeredWavesThatPrintConfigReadsBack) {
    SimConfig config = DefaultConfig();  // rates 82/64, 74/56, 66/48
    config.stations[1].rates = {{5000, 1, 1}};
    VaryRates(config, 30000);
    const struct {
        std::size_t station;
        std::int64_t atMs;
        int tx, rx;
    } cases[] = {
        {0, 0, 82, 64},     {0, 7500, 51, 40},  {0, 15000, 20, 16}, {0, 30000, 82, 64},
        {1, 0, 37, 28},     {1, 10000, 74, 56}, {1, 25000, 18, 14}, {1, 70000, 74, 56},
        {2, 20000, 66, 48}, {2, 5000, 16, 12},
    };
    for (const auto& c : cases) {
        const RatePoint rates = RatesAt(config.stations[c.station], c.atMs);
        EXPECT_EQ(rates.tx, c.tx) << c.station << " at " << c.atMs;
        EXPECT_EQ(rates.rx, c.rx) << c.station << " at " << c.atMs;
    }
    SimConfig again;
    std::string error;
    ASSERT_TRUE(ParseConfig(FormatConfig(config), again, error)) << error;
    ASSERT_EQ(again.stations.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(again.stations[i].rates, config.stations[i].rates) << i;
        EXPECT_EQ(again.stations[i].ratesPeriodMs, 30000) << i;
        EXPECT_EQ(again.stations[i].ratesShape, RateShape::Ramp) << i;
    }
}

// Both layouts carry the rates in force when the request arrives.
TEST(RateScheduleTest, NetworkInfoReportsTheRatesOfTheMoment) {
    SimConfig config = DefaultConfig();
    config.stations[1].rates = {{0, 200, 150}, {30000, 20, 15}};
    config.stations[1].ratesPeriodMs = 60000;
    Simulator sim(config);
    const struct {
        std::uint8_t mmv;
        std::int64_t atMs;
        std::string rates;  // of the second record: TX and RX as the layout holds them
    } cases[] = {
        {0, 1000, "C896"},
        {0, 30000, "140F"},
        {0, 61000, "C896"},
        {1, 1000, "C8000000" "9600"},
        {1, 45000, "14000000" "0F00"},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> request(60, 0);
        const Mac management{0x00, 0xB0, 0x52, 0x00, 0x00, 0x01};
        std::memcpy(request.data(), management.data(), 6);
        request[6] = 0x02;
        const std::uint8_t header[] = {0x88, 0xE1, c.mmv, 0x38, 0xA0, 0x00, 0xB0, 0x52};
        std::memcpy(request.data() + 12, header, sizeof header);
        std::vector<OutFrame> out;
        sim.HandleFrame(request, c.atMs, out);
        ASSERT_EQ(out.size(), 1u) << int(c.mmv);
        const auto& reply = out.front().bytes;
        const std::size_t at = c.mmv == 0 ? 39 + 15 + 13 : 60 + 24 + 16;
        ASSERT_GE(reply.size(), at + c.rates.size() / 2) << int(c.mmv);
        EXPECT_EQ(HexText(reply.data() + at, c.rates.size() / 2), c.rates) << int(c.mmv) << " " << c.atMs;
    }
}

}  // namespace
}  // namespace plcsim
