#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "SimConfig.h"
#include "SimKeys.h"
#include "Simulator.h"
#include "support/HexFile.h"

namespace plcsim {
namespace {

const Mac kHost{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kManagement{0x00, 0xB0, 0x52, 0x00, 0x00, 0x01};

std::vector<std::uint8_t> Request(const Mac& destination, std::uint16_t mmtype, std::size_t length = 1510) {
    std::vector<std::uint8_t> frame(length, 0);
    std::memcpy(frame.data(), destination.data(), 6);
    std::memcpy(frame.data() + 6, kHost.data(), 6);
    frame[12] = 0x88;
    frame[13] = 0xE1;
    frame[15] = static_cast<std::uint8_t>(mmtype);
    frame[16] = static_cast<std::uint8_t>(mmtype >> 8);
    frame[17] = 0x00;
    frame[18] = 0xB0;
    frame[19] = 0x52;
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

Mac MacAt(const std::vector<std::uint8_t>& frame, std::size_t at) {
    Mac mac{};
    std::memcpy(mac.data(), frame.data() + at, 6);
    return mac;
}

std::vector<Mac> ListedMacs(const std::vector<std::uint8_t>& reply) {
    std::vector<Mac> macs;
    for (std::size_t k = 0; k < reply[38]; ++k) macs.push_back(MacAt(reply, 39 + 15 * k));
    return macs;
}

struct SimulatorTest : ::testing::Test {
    SimConfig config = DefaultConfig();
    std::vector<OutFrame> out;

    std::vector<std::uint8_t> Exchange(Simulator& sim, const std::vector<std::uint8_t>& frame, std::int64_t now) {
        out.clear();
        sim.HandleFrame(frame, now, out);
        if (out.size() != 1) return {};
        return out.front().bytes;
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
    EXPECT_EQ(reply[15], 0x51);
    EXPECT_EQ(reply[20], 0x00);
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
        std::uint8_t allStatus;
        std::uint8_t station0Status;
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
        EXPECT_EQ(sim.Config().stations[0].nmk == nmk, c.station0Moves) << c.name;
        EXPECT_EQ(sim.Config().stations[1].nmk, local.stations[1].nmk) << c.name;
        EXPECT_EQ(sim.Config().local.nmk, local.local.nmk) << c.name;
        // A failed local request leaves the device answering.
        EXPECT_FALSE(Exchange(sim, Request(kManagement, 0xA000), 1).empty()) << c.name;
    }
}

TEST_F(SimulatorTest, Faults) {
    config.faults.ignoreNetworkInfo = 2;
    config.faults.delayMs = 40;
    config.faults.stopAfterSeconds = 5;
    Simulator sim(config);
    EXPECT_TRUE(Exchange(sim, Request(config.local.mac, 0xA038), 0).empty());
    EXPECT_TRUE(Exchange(sim, Request(config.local.mac, 0xA038), 0).empty());
    out.clear();
    sim.HandleFrame(Request(config.local.mac, 0xA038), 100, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].dueMs, 140);
    EXPECT_TRUE(Exchange(sim, Request(kManagement, 0xA000), 5000).empty());
    EXPECT_EQ(sim.Counters().networkInfoIgnored, 2);
}

}  // namespace
}  // namespace plcsim
