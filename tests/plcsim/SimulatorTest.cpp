#include <gtest/gtest.h>

#include <algorithm>
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

// The local device answers at its own MAC and at the management address, and nowhere else.
TEST_F(SimulatorTest, AnsweredAtOwnAndManagementAddressOnly) {
    const struct {
        Mac destination;
        bool answered;
    } cases[] = {{kManagement, true}, {config.local.mac, true}, {config.stations[0].mac, false}, {kAnyStation, false}};
    for (const auto& c : cases) {
        for (const std::uint16_t mmtype : {0xA000, 0xA038, 0xA050}) {
            Simulator sim(config);  // a local set-key makes the device restart
            const auto reply = Exchange(sim, Request(c.destination, mmtype), 10);
            ASSERT_EQ(!reply.empty(), c.answered) << FormatMac(c.destination) << " " << mmtype;
            if (reply.empty()) continue;
            EXPECT_EQ(HexText(reply.data(), 14), HexText(kHost.data(), 6) + "00B0525A000188E1");
            EXPECT_EQ(reply[15] | (reply[16] << 8), mmtype + 1);
        }
    }
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

// Every reply fits in one Ethernet frame, the 1.1 form's longer records included.
TEST_F(SimulatorTest, NetworkInfoOfAFullNetworkFitsOneFrame) {
    std::string error;
    std::string text;
    for (int i = 0; i < 98; ++i) text += "[station]\n";
    ASSERT_TRUE(ParseConfig(text, config, error)) << error;
    Simulator sim(config);
    for (const std::uint8_t mmv : {0, 1}) {
        auto request = Request(config.local.mac, 0xA038);
        request[14] = mmv;
        const auto reply = Exchange(sim, request, 0);
        const std::size_t countAt = mmv == 0 ? 38 : 54, recordSize = mmv == 0 ? 15 : 24;
        ASSERT_GT(reply.size(), countAt) << int(mmv);
        EXPECT_LE(reply.size(), 1514u) << int(mmv);
        EXPECT_EQ(reply[countAt], mmv == 0 ? 98 : 60) << int(mmv);
        EXPECT_EQ(reply.size(), countAt + 1 + (mmv == 0 ? 0 : 5) + reply[countAt] * recordSize) << int(mmv);
    }
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

TEST_F(SimulatorTest, StationRestartHidesItForItsRestartTime) {
    config.stations[0].restartMs = 500;
    Simulator sim(config);
    const Key dak = DakFromPassword(config.stations[0].password);
    Exchange(sim, SetKey(config.local.mac, config.local.nmk, &dak), 1000);
    EXPECT_EQ(ListedMacs(Exchange(sim, Request(config.local.mac, 0xA038), 1499)).size(), 2u);
    EXPECT_EQ(ListedMacs(Exchange(sim, Request(config.local.mac, 0xA038), 1500)).size(), 3u);
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

// Too short to hold the keys, or a later version whose payload sits elsewhere: no key is taken.
TEST_F(SimulatorTest, UnreadableSetKeyIsIgnored) {
    Simulator sim(config);
    auto shortFrame = SetKey(config.local.mac, NmkFromNetworkName("Other"), nullptr);
    shortFrame.resize(59);
    auto laterVersion = SetKey(config.local.mac, NmkFromNetworkName("Other"), nullptr);
    laterVersion[14] = 0x01;
    for (const auto& frame : {shortFrame, laterVersion}) EXPECT_TRUE(Exchange(sim, frame, 0).empty());
    EXPECT_EQ(sim.Config().local.nmk, config.local.nmk);
    EXPECT_EQ(sim.Counters().setKeyRequests, 2);
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

// Rates above one frame per millisecond: several frames per tick, as many as the time owes.
TEST_F(SimulatorTest, BurstAboveOneFramePerMillisecondKeepsTheRate) {
    struct Case {
        double rate;
        int stepMs;
        int ticks;
        std::size_t expected;
    } const cases[] = {
        {5000, 1, 1001, 5001},    // a second in 1 ms ticks, the first frame at once
        {20000, 3, 334, 19981},   // 999 ms in 3 ms ticks: 60 frames per tick
        {1500, 1, 1001, 1501},    // not a whole number of frames per tick
        {5000, 2000, 2, 1 + 500}, // a 2 s stall owes at most a tenth of a second's worth
    };
    for (const Case& c : cases) {
        config.faults.burstRate = c.rate;
        Simulator sim(config);
        out.clear();
        for (int i = 0; i < c.ticks; ++i) sim.Tick(1000 + static_cast<std::int64_t>(i) * c.stepMs, out);
        EXPECT_EQ(out.size(), c.expected) << "rate " << c.rate << " step " << c.stepMs;
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out[0].bytes[0] & 1, 0) << "the burst is never broadcast or multicast";
    }
}

// Each kind in turn: (ethertype or MMTYPE, source, OUI) of the frames after a host has asked.
TEST_F(SimulatorTest, BurstKindsSendWhatTheyName) {
    const Mac local = config.local.mac;
    const std::string ours = "00B052", foreign = "0A0B0C";
    struct Frame {
        unsigned type;
        Mac source;
        std::string oui;
    };
    const struct {
        const char* kinds;
        std::vector<Frame> frames;
    } cases[] = {
        {"unrelated", {{0xA0FE, local, ours}, {0x887B, local, ""}}},
        {"foreign", {{0xA001, kStrangerMac, foreign}, {0xA039, kStrangerMac, foreign}, {0xA051, kStrangerMac, foreign}}},
        {"spoofed", {{0xA001, kStrangerMac, ours}, {0xA039, kStrangerMac, ours}, {0xA051, kStrangerMac, ours}}},
        {"foreign,unrelated",
         {{0xA0FE, local, ours}, {0x887B, local, ""}, {0xA001, kStrangerMac, foreign}, {0xA039, kStrangerMac, foreign},
          {0xA051, kStrangerMac, foreign}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kinds);
        ASSERT_TRUE(ParseBurstKinds(c.kinds, config.faults.burstKinds));
        config.faults.burstRate = 1000;
        Simulator sim(config);
        ASSERT_FALSE(Exchange(sim, Request(kManagement, 0xA000), 0).empty());
        out.clear();
        sim.Tick(0, out);
        sim.Tick(static_cast<std::int64_t>(2 * c.frames.size() - 1), out);
        ASSERT_EQ(out.size(), 2 * c.frames.size());
        for (std::size_t i = 0; i < out.size(); ++i) {
            const std::vector<std::uint8_t>& bytes = out[i].bytes;
            const Frame& expected = c.frames[i % c.frames.size()];
            const bool av = bytes[13] == 0xE1;
            EXPECT_EQ(av ? bytes[15] | bytes[16] << 8 : bytes[12] << 8 | bytes[13], expected.type) << i;
            EXPECT_EQ(MacAt(bytes, 6), expected.source) << i;
            EXPECT_EQ(av ? HexText(bytes.data() + 17, 3) : "", expected.oui) << i;
            EXPECT_EQ(MacAt(bytes, 0), kHost) << i;
        }
    }
    // What the forged confirmations say: the stranger is the device, with its own station.
    ASSERT_TRUE(ParseBurstKinds("foreign", config.faults.burstKinds));
    Simulator sim(config);
    out.clear();
    sim.Tick(0, out);
    sim.Tick(2, out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out[0].bytes.data() + 23)), "STRANGER-1.0");
    EXPECT_EQ(ListedMacs(out[1].bytes), std::vector<Mac>{kStrangerStationMac});
    EXPECT_EQ(out[2].bytes[20], 0x00) << "a key change reported a success";
}

TEST_F(SimulatorTest, BurstOfOtherMmtypesNeverSendsTheThreeConfirmations) {
    config.faults.burstKinds = kBurstMmtypes;
    config.faults.burstRate = 100000;
    Simulator sim(config);
    out.clear();
    for (int ms = 0; ms < 700; ms += 10) sim.Tick(ms, out);  // 65536 frames and more
    std::vector<bool> seen(65536);
    for (const OutFrame& frame : out) seen[frame.bytes[15] | frame.bytes[16] << 8] = true;
    for (unsigned mmtype = 0; mmtype < 65536; ++mmtype) {
        const bool confirmation = mmtype == 0xA001 || mmtype == 0xA039 || mmtype == 0xA051;
        EXPECT_EQ(seen[mmtype], !confirmation) << std::hex << mmtype;
    }
}

TEST(SimConfigTest, BurstKinds) {
    unsigned kinds = 0;
    EXPECT_TRUE(ParseBurstKinds("mmtypes, spoofed", kinds));
    EXPECT_EQ(kinds, kBurstMmtypes | kBurstSpoofed);
    for (const char* bad : {"", "loud", "foreign,,unrelated", ",foreign"}) {
        EXPECT_FALSE(ParseBurstKinds(bad, kinds)) << bad;
        EXPECT_EQ(kinds, kBurstMmtypes | kBurstSpoofed);
    }
    SimConfig config = DefaultConfig();
    std::string error;
    ASSERT_TRUE(ParseConfig("[faults]\nburst_rate = 50\nburst_kind = foreign\n", config, error)) << error;
    EXPECT_EQ(config.faults.burstKinds, kBurstForeign);
    EXPECT_FALSE(ParseConfig("[faults]\nburst_kind = quiet\n", config, error));
    EXPECT_EQ(error, "line 2: bad value for burst_kind: quiet");
}

TEST(SimConfigTest, IniFile) {
    SimConfig config = DefaultConfig();
    std::string error;
    ASSERT_TRUE(ParseConfig(
        "# two stations\n[local]\nmac = 00:B0:52:00:AA:01\nfirmware = FW 1\nnid = 01020304050607\n"
        "snid = 0x0A\ntei = 5\nnetwork = Office\nrestart_ms = 200\n"
        "[station]\nmac = 00b05200aa02 ; no separators\ntei = 6\npassword = AAAA-BBBB-CCCC-DDDD\nnetwork = Office\n"
        "[station]\nmac=00-B0-52-00-AA-03\nnmk = 50D3E4933F855B7040784DF815AA8DB7\nsetkey_status = 3\n"
        "[faults]\ndelay_ms = 25\nstop_after_s = 1.5\n",
        config, error))
        << error;
    EXPECT_EQ(FormatMac(config.local.mac), "00:B0:52:00:AA:01");
    EXPECT_EQ(config.local.firmware, "FW 1");
    EXPECT_EQ(config.local.snid, 10);
    EXPECT_EQ(config.local.nmk, NmkFromNetworkName("Office"));
    ASSERT_EQ(config.stations.size(), 2u);
    EXPECT_EQ(FormatMac(config.stations[1].mac), "00:B0:52:00:AA:03");
    EXPECT_EQ(config.stations[1].setKeyStatus, 3);
    EXPECT_EQ(config.faults.delayMs, 25);
    EXPECT_DOUBLE_EQ(config.faults.stopAfterSeconds, 1.5);

    Simulator sim(config);
    EXPECT_EQ(HexText(sim.CurrentNid().data(), 7), "01020304050607");
    EXPECT_TRUE(sim.Listed(sim.Config().stations[0], 0));
    EXPECT_FALSE(sim.Listed(sim.Config().stations[1], 0)) << "in the default network, not Office";
}

TEST(SimConfigTest, ErrorsNameTheLineAndKeepTheConfig) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"[local]\nmac = 00:B0:52\n", "line 2: bad value for mac"},
        {"[local]\ntei = 256\n", "line 2: bad value for tei"},
        {"[nowhere]\n", "line 1: unknown section"},
        {"mac = 00:B0:52:00:00:01\n", "line 1: key outside a section"},
        {"[station]\ncolour = red\n", "line 2: unknown key colour"},
        {"[local]\nnmk = 50D3\n", "line 2: bad value for nmk"},
        {"[local]\njust words\n", "line 2: expected key = value"},
        {"[local]\nfirmware = 0123456789012345678901234567890123456789012345678901234567890123\n",
         "line 2: bad value for firmware"},
    };
    for (const auto& c : cases) {
        SimConfig config = DefaultConfig();
        std::string error;
        EXPECT_FALSE(ParseConfig(c.text, config, error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        EXPECT_EQ(config.stations.size(), 3u);
    }
}

}  // namespace
}  // namespace plcsim
