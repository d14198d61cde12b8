// The simulated devices without any wire: golden replies, keys, faults and rates over time.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "SimConfig.h"
#include "SimKeys.h"
#include "Simulator.h"
#include "support/HexFile.h"

namespace plcsim {
namespace {

using TxRx = std::pair<int, int>;

const Mac kHost{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kManagement{0x00, 0xB0, 0x52, 0x00, 0x00, 0x01};

std::vector<std::uint8_t> Request(const Mac& destination, std::uint16_t mmtype, std::size_t length = 1510) {
    std::vector<std::uint8_t> frame(length, 0);
    std::memcpy(frame.data(), destination.data(), 6);
    std::memcpy(frame.data() + 6, kHost.data(), 6);
    const std::uint8_t head[] = {0x88, 0xE1, 0x00, static_cast<std::uint8_t>(mmtype),
                                 static_cast<std::uint8_t>(mmtype >> 8), 0x00, 0xB0, 0x52};
    std::memcpy(frame.data() + 12, head, sizeof head);
    return frame;
}

const Mac kAnyStation{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Without a DAK: the local device's own key. With one: the remote station named at bytes 38..43.
std::vector<std::uint8_t> SetKey(const Mac& local, const Key& nmk, const Key* dak, const Mac& target = kAnyStation) {
    std::vector<std::uint8_t> frame = Request(local, 0xA050);
    frame[20] = 0x01;
    std::memcpy(frame.data() + 21, nmk.data(), 16);
    frame[37] = dak ? 0x00 : 0x0F;
    if (dak) {
        std::memcpy(frame.data() + 38, target.data(), 6);
        std::memcpy(frame.data() + 44, dak->data(), 16);
    }
    return frame;
}

std::vector<Mac> ListedMacs(const std::vector<std::uint8_t>& reply) {
    std::vector<Mac> macs(reply[38]);
    for (std::size_t k = 0; k < macs.size(); ++k) std::memcpy(macs[k].data(), reply.data() + 39 + 15 * k, 6);
    return macs;
}

struct SimulatorTest : ::testing::Test {
    SimConfig config = DefaultConfig();
    std::vector<OutFrame> out;

    std::vector<std::uint8_t> Exchange(Simulator& sim, const std::vector<std::uint8_t>& frame, std::int64_t now) {
        out.clear();
        sim.HandleFrame(frame, now, out);
        return out.size() == 1 ? out.front().bytes : std::vector<std::uint8_t>{};
    }
};

TEST(SimKeysTest, DefaultNetworkKeyAndNid) {
    const Key nmk = NmkFromNetworkName(kDefaultNetworkName);
    EXPECT_EQ(HexText(nmk.data(), nmk.size()), "50D3E4933F855B7040784DF815AA8DB7");
    const Nid nid = NidFromNmk(nmk);
    EXPECT_EQ(HexText(nid.data(), nid.size()), "B0F2E695666B03");
    // A different key gives a different NID whose top nibble (security level) is zero.
    const Nid other = NidFromNmk(NmkFromNetworkName("NewName"));
    EXPECT_NE(other, nid);
    EXPECT_EQ(other[6] & 0xF0, 0);
}

// The replies the program's own tests decode (tests/data); the 1.1 layout of network information
// is checked here only: its fragment fields, reserved room and 16-bit rates.
TEST_F(SimulatorTest, RepliesMatchTheGoldenFrames) {
    Simulator sim(config);
    EXPECT_EQ(Exchange(sim, Request(kManagement, 0xA000), 0), zentrel::test::ReadHexFile(ZENTREL_TEST_DATA "/version_confirm.hex"));
    EXPECT_EQ(Exchange(sim, Request(kManagement, 0xA038), 0),
              zentrel::test::ReadHexFile(ZENTREL_TEST_DATA "/network_info_confirm.hex"));
    auto request = Request(kManagement, 0xA038);
    request[14] = 0x01;
    const auto reply = Exchange(sim, request, 0);
    const std::string head = "0139A0" "0000" "00B052" "0000000000" "01" "B0F2E695666B03" "0000" "0701" "00000000" "02"
                             "00B0525A0001" "01" "000000" "03" "0000000000";
    ASSERT_EQ(reply.size(), 14 + head.size() / 2 + 3 * 24);
    EXPECT_EQ(HexText(reply.data() + 14, head.size() / 2), head);
    EXPECT_EQ(HexText(reply.data() + 14 + head.size() / 2 + 2 * 24, 24), "00B0525A000404" "000000" "020000AABBC4" "4200" "0000" "3000" "0000");
    request[14] = 0x02;  // versions after 1.1 are not answered in a layout they would misread
    EXPECT_TRUE(Exchange(sim, request, 0).empty());
}

TEST_F(SimulatorTest, KeysMoveStationsBetweenNetworks) {
    config.stations[1].restartMs = 300;
    Simulator sim(config);
    const Key newNmk = NmkFromNetworkName("NewName");
    const Key dak = DakFromPassword(config.stations[1].password);

    auto reply = Exchange(sim, SetKey(config.local.mac, newNmk, &dak), 100);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(HexText(reply.data() + 15, 6), "51A000B05200");  // the set-key confirmation, status 0
    // Station 1 left the local device's network.
    reply = Exchange(sim, Request(config.local.mac, 0xA038), 200);
    EXPECT_EQ(ListedMacs(reply), (std::vector<Mac>{config.stations[0].mac, config.stations[2].mac}));

    // The local device takes the new key through the management address, restarts, and comes
    // back with a new NID and station 1 only.
    reply = Exchange(sim, SetKey(kManagement, newNmk, nullptr), 300);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[20], 0x00);
    EXPECT_TRUE(Exchange(sim, Request(kManagement, 0xA000), 300 + config.local.restartMs - 1).empty());
    reply = Exchange(sim, Request(config.local.mac, 0xA038), 300 + config.local.restartMs);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(ListedMacs(reply), std::vector<Mac>{config.stations[1].mac});
    const Nid nid = NidFromNmk(newNmk);
    EXPECT_EQ(0, std::memcmp(reply.data() + 21, nid.data(), 7));
}

TEST_F(SimulatorTest, SetKeyStatuses) {
    const Key nmk = NmkFromNetworkName("Other");
    const Key unknownDak = DakFromPassword("NOPE-NOPE-NOPE-NOPE");
    const Key dak0 = DakFromPassword(config.stations[0].password);
    struct Case {
        const char* name;
        std::uint8_t allStatus, station0Status;  // the statuses plcsim is told to give
        const Key* dak;
        Mac target;
        std::uint8_t expected;
        bool station0Moves;
    } cases[] = {
        {"no station has that DAK", 0, 0, &unknownDak, kAnyStation, 0x01, false},
        {"station configured to fail", 0, 7, &dak0, kAnyStation, 7, false},
        {"every set-key fails", 9, 0, &dak0, kAnyStation, 9, false},
        {"every set-key fails, local too", 9, 0, nullptr, kAnyStation, 9, false},
        {"success", 0, 0, &dak0, kAnyStation, 0, true},
        {"success, station named by its MAC", 0, 0, &dak0, config.stations[0].mac, 0, true},
        {"the named station does not hold that DAK", 0, 0, &dak0, config.stations[1].mac, 0x01, false},
    };
    for (const Case& c : cases) {
        SimConfig local = config;
        local.faults.setKeyStatusAll = c.allStatus;
        local.stations[0].setKeyStatus = c.station0Status;
        Simulator sim(local);
        const auto reply = Exchange(sim, SetKey(kManagement, nmk, c.dak, c.target), 0);
        ASSERT_FALSE(reply.empty()) << c.name;
        EXPECT_EQ(reply[20], c.expected) << c.name;
        EXPECT_EQ(std::tuple(sim.Config().stations[0].nmk == nmk, sim.Config().stations[1].nmk, sim.Config().local.nmk),
                  std::tuple(c.station0Moves, local.stations[1].nmk, local.local.nmk)) << c.name;
        // A failed local request leaves the device answering.
        EXPECT_FALSE(Exchange(sim, Request(kManagement, 0xA000), 1).empty()) << c.name;
    }
}

TEST_F(SimulatorTest, Faults) {
    config.faults.ignoreNetworkInfo = 2;
    config.faults.delayMs = 40;
    config.faults.stopAfterSeconds = 5;
    Simulator sim(config);
    for (int ignored = 0; ignored < 2; ++ignored) EXPECT_TRUE(Exchange(sim, Request(config.local.mac, 0xA038), 0).empty());
    out.clear();
    sim.HandleFrame(Request(config.local.mac, 0xA038), 100, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].dueMs, 140);
    EXPECT_TRUE(Exchange(sim, Request(kManagement, 0xA000), 5000).empty());
    EXPECT_EQ(sim.Counters().networkInfoIgnored, 2);
}

// Stations whose rates change over time: the schedule keys and --vary-rates' waves.
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
        EXPECT_EQ(TxRx(rates.tx, rates.rx), TxRx(c.tx, c.rx)) << c.schedule << " at " << c.atMs;
    }
}

TEST(RateScheduleTest, DurationsAndRefusedSchedules) {
    const std::pair<const char*, std::int64_t> durations[] = {  // a text and its milliseconds; -1: refused{"90s", 90000}, {"1.5s", 1500}, {"500ms", 500}, {"2m", 120000}, {"7", 7000},
                     {"", -1},       {"s", -1},      {"-1s", -1},    {"1h", -1},     {"604801s", -1}};
    for (const auto& [text, expected] : durations) {
        std::int64_t ms = -2;
        EXPECT_EQ(ParseDuration(text, ms) ? ms : -1, expected) << text;
    }
    const std::pair<const char*, const char*> refused[] = {  // the config text and the start of its error
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
    for (const auto& [text, expected] : refused) {
        SimConfig config;
        std::string error;
        EXPECT_FALSE(ParseConfig(std::string("[station]\n") + text + "\n", config, error)) << text;
        EXPECT_EQ(error.rfind(expected, 0), 0u) << text << ": " << error;
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
        EXPECT_EQ(TxRx(rates.tx, rates.rx), TxRx(c.tx, c.rx)) << c.station << " at " << c.atMs;
    }
    SimConfig again;
    std::string error;
    ASSERT_TRUE(ParseConfig(FormatConfig(config), again, error)) << error;
    ASSERT_EQ(again.stations.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const SimStation& a = again.stations[i];
        EXPECT_EQ(std::tuple(a.rates, a.ratesPeriodMs, a.ratesShape), std::tuple(config.stations[i].rates, 30000, RateShape::Ramp)) << i;
    }
}

// Both layouts carry the rates in force when the request arrives.
TEST_F(SimulatorTest, NetworkInfoReportsTheRatesOfTheMoment) {
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
        auto request = Request(kManagement, 0xA038, 60);
        request[14] = c.mmv;
        const auto reply = Exchange(sim, request, c.atMs);
        const std::size_t at = c.mmv == 0 ? 39 + 15 + 13 : 60 + 24 + 16;
        ASSERT_GE(reply.size(), at + c.rates.size() / 2) << int(c.mmv);
        EXPECT_EQ(HexText(reply.data() + at, c.rates.size() / 2), c.rates) << int(c.mmv) << " " << c.atMs;
    }
}

}  // namespace
}  // namespace plcsim
