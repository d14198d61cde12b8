// Other HomePlug AV software against plcsim: the open toolkit packaged in Debian as plc-utils
// (plctool, int6k, hpavkey) reads and changes the simulated network as it would a real local
// device, and tshark dissects every frame plcsim sends. The toolkit is a black box here: only its
// commands and what they print are used.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>

#include "E2eFixture.h"
#include "keys/KeyDerivation.h"

namespace zentrel::e2e {
namespace {

const char kLocalMac[] = "00:B0:52:5A:00:01";
const char kFirmware[] = "TOOLKIT-LAB-FW-2.7";
const char kNid[] = "0A:1B:2C:3D:4E:5F:06";

struct SimStation {
    const char *mac, *bridged;
    int tx, rx;
    const char* password;
};
// Listed: the first three. The fourth is in another network and must not be.
const SimStation kStations[] = {
    {"00:B0:52:5A:00:02", "02:00:00:AA:BB:C2", 200, 150, "ALFA-BRAV-OCHA-RLIE"},
    {"00:B0:52:5A:00:03", "02:00:00:AA:BB:C3", 9, 250, "DELT-AECH-OFOX-TROT"},
    {"00:B0:52:5A:00:04", "02:00:00:AA:BB:C4", 120, 7, "GOLF-HOTE-LIND-IAJU"},
    {"00:B0:52:5A:00:05", "02:00:00:AA:BB:C5", 60, 60, "HHHH-IIII-JJJJ-KKKK"},
};

// What plctool and int6k print for a network-info confirmation, as key/value maps.
struct Listing {
    std::map<std::string, std::string> network;
    std::vector<std::map<std::string, std::string>> stations;
};

Listing ParseListing(const std::string& text) {
    Listing listing;
    const std::regex field(R"(^[ \t]*(network|station)->(\S+) = (.*)$)", std::regex::multiline);
    for (std::sregex_iterator m(text.begin(), text.end(), field), end; m != end; ++m) {
        const std::string kind = (*m)[1], key = (*m)[2], value = (*m)[3];
        if (kind == "network") listing.network[key] = value;
        if (kind == "station" && key == "MAC") listing.stations.emplace_back();
        if (kind == "station" && !listing.stations.empty()) listing.stations.back()[key] = value;
    }
    return listing;
}

// The "local" and "station" lines of plcsim's state dump.
std::string KeyLines(const std::string& dump) {
    const std::regex keyLine("^(local|station) .*\n", std::regex::multiline);
    std::string kept;
    for (std::sregex_iterator m(dump.begin(), dump.end(), keyLine), end; m != end; ++m) kept += m->str();
    return kept;
}

class ToolkitE2e : public E2eTest {
protected:
    // A toolkit command on the host end of the veth pair; stdout and stderr together. Each read
    // waits out its timeout for further replies, so the timeout bounds the test's time, and a
    // second is ample on a veth.
    std::string Tool(const std::string& program, const std::string& args) {
        return Shell(program + " -i " + NetnsLab::kHostInterface + " -t 1000 " + args + " 2>&1").out;
    }

    bool StartLab(bool restarts) {
        std::string text = std::string("[local]\nmac = ") + kLocalMac + "\nfirmware = " + kFirmware +
                           "\nnid = 0A1B2C3D4E5F06\nsnid = 11\n";
        // Without restart times every key change shows in the very next answer.
        if (!restarts) text += "restart_ms = 0\n";
        for (const SimStation& s : kStations) {
            text += std::string("[station]\nmac = ") + s.mac + "\nbridged_mac = " + s.bridged +
                    "\ntx_rate = " + std::to_string(s.tx) + "\nrx_rate = " + std::to_string(s.rx) +
                    "\npassword = " + s.password + "\n";
        }
        Write("sim.ini", text + "network = Elsewhere\n");  // the last station only
        return Sim({"--config", Path("sim.ini")});
    }

    // plcsim's state when it ends.
    std::string StopAndDump() {
        EXPECT_EQ(lab->StopSim(), 0);
        return Read("plcsim.out");
    }
};

// Skips the test when a program is missing, then prepares the lab.
#define TOOLKIT_PREPARE(programs)                                                                         \
    do {                                                                                                  \
        if (std::system("for p in " programs "; do command -v $p >/dev/null || exit 1; done") != 0)      \
            GTEST_SKIP() << "one of " programs " is not installed (Debian packages plc-utils, "           \
                            "plc-utils-extra and tshark; make deps installs them)";                       \
        E2E_PREPARE();                                                                                    \
    } while (0)

TEST_F(ToolkitE2e, ReadsFirmwareNetworkAndEveryStation) {
    TOOLKIT_PREPARE("plctool int6k");
    ASSERT_TRUE(StartLab(true));
    const struct {
        const char* program;
        std::string args;
        bool firmware, network;  // whether it reads each
    } cases[] = {
        {"plctool", "-r local", true, false},
        {"plctool", "-m local", false, true},
        {"plctool", std::string("-m ") + kLocalMac, false, true},
        {"int6k", "-r -m local", true, true},
    };
    for (const auto& c : cases) {
        const std::string what = std::string(c.program) + " " + c.args;
        const std::string out = Tool(c.program, c.args);
        // The version line names the device.
        EXPECT_EQ(std::regex_search(out, std::regex(std::string(kLocalMac) + ".*" + kFirmware)), c.firmware)
            << what << "\n" << out;
        Listing listing = ParseListing(out);
        if (!c.network) {
            EXPECT_TRUE(listing.network.empty()) << what << "\n" << out;
            continue;
        }
        EXPECT_EQ(listing.network["NID"], kNid) << what << "\n" << out;
        EXPECT_EQ(listing.network["SNID"], "11") << what;
        EXPECT_EQ(listing.network["CCO_DA"], kLocalMac) << what;
        EXPECT_EQ(listing.network["STATIONS"], "3") << what;
        ASSERT_EQ(listing.stations.size(), 3u) << what << "\n" << out;
        for (std::size_t k = 0; k < 3; ++k) {
            auto station = listing.stations[k];
            const SimStation& s = kStations[k];
            // The number a rate field starts with: "082 mbps Primary" is 82.
            EXPECT_EQ(station["MAC"] + " " + station["TEI"] + " " + station["BDA"] + " " + std::to_string(std::atoi(station["AvgPHYDR_TX"].c_str())) +
                          " " + std::to_string(std::atoi(station["AvgPHYDR_RX"].c_str())),
                      std::string(s.mac) + " " + std::to_string(k + 2) + " " + s.bridged + " " + std::to_string(s.tx) + " " + std::to_string(s.rx))
                << what;
        }
    }
    // Both network-info layouts were asked for: plctool uses MMV 1, int6k MMV 0 (byte 14 of the
    // request; MMTYPE 0xA038 is "38A0" at bytes 15..16 of the logged hex).
    const std::string log = Read("frames.log");
    EXPECT_NE(log.find("88E10138A0"), std::string::npos) << log;
    EXPECT_NE(log.find("88E10038A0"), std::string::npos) << log;
}

// plctool -J for each remote station whose password is known, then -M for the local device: the
// same keys as `zentrel set-name NewName --all` leaves behind.
TEST_F(ToolkitE2e, SetKeyChangesKeysAsSetNameDoes) {
    TOOLKIT_PREPARE("plctool hpavkey");
    ASSERT_TRUE(StartLab(false));
    const std::string nmk = NmkText("NewName");
    for (int k = 0; k < 2; ++k) {
        const std::string out = Tool("plctool", std::string("-J ") + kStations[k].mac + " -D " +
                                                    DakText(kStations[k].password) + " -K " + nmk + " local");
        EXPECT_EQ(out.find("Failure"), std::string::npos) << out;
    }
    // The DAK of station 1 for station 2: refused, and station 1 keeps the key it has.
    const std::string refused = Tool("plctool", std::string("-J ") + kStations[2].mac + " -D " +
                                                    DakText(kStations[1].password) + " -K " + NmkText("Other") +
                                                    " local");
    EXPECT_NE(refused.find("Failure (0x01)"), std::string::npos) << refused;
    const std::string local = Tool("plctool", "-M -K " + nmk + " local");
    EXPECT_EQ(local.find("Failure"), std::string::npos) << local;

    // The local device is in the new network, with the NID the toolkit derives for it, and the two
    // stations moved with it.
    std::string nid = Shell("hpavkey -N NewName").out;
    nid = nid.substr(0, nid.find_first_of("\r\n"));
    ASSERT_EQ(nid.size(), 14u) << nid;
    const std::string out = Tool("plctool", "-m local");
    Listing listing = ParseListing(out);
    std::erase(listing.network["NID"], ':');
    EXPECT_EQ(listing.network["NID"], nid) << out;
    ASSERT_EQ(listing.stations.size(), 2u) << out;
    EXPECT_EQ(listing.stations[0]["MAC"], kStations[0].mac);
    EXPECT_EQ(listing.stations[1]["MAC"], kStations[1].mac);
    const std::string toolkitState = KeyLines(StopAndDump());
    EXPECT_NE(toolkitState.find("nmk=" + nmk), std::string::npos) << toolkitState;

    // The same network again, changed by the program itself.
    ASSERT_TRUE(StartLab(false));
    for (int k = 0; k < 2; ++k) Zentrel(std::string("password ") + kStations[k].mac + " " + kStations[k].password);
    const CliRun setName = Zentrel("set-name NewName --all");
    EXPECT_NE((setName.out + setName.err).find("successfully"), std::string::npos) << setName.out << setName.err;
    EXPECT_EQ(KeyLines(StopAndDump()), toolkitState);
}

TEST_F(ToolkitE2e, EveryFramePlcsimSendsDissectsCleanly) {
    TOOLKIT_PREPARE("plctool int6k tshark");
    ASSERT_TRUE(StartLab(false));
    std::string error;
    auto capture = lab->OpenCapture(false, error);
    ASSERT_TRUE(capture) << error;

    Tool("plctool", "-r -m local");
    Tool("int6k", "-m local");
    Tool("plctool", std::string("-J ") + kStations[0].mac + " -D " + DakText(kStations[0].password) + " -K " +
                        NmkText("NewName") + " local");
    Tool("plctool", std::string("-J ") + kStations[0].mac + " -D " + DakText("WRNG-PASS-WORD-XXXX") + " local");
    Tool("plctool", "-M -K " + NmkText("NewName") + " local");

    // The toolkit has read every reply, so they all wait in the capture already. What plcsim sent
    // goes into a classic pcap file (Ethernet) for tshark.
    std::ofstream pcap(Path("replies.pcap"), std::ios::binary);
    const std::uint32_t header[6] = {0xA1B2C3D4, 0x00040002, 0, 0, 65535, 1};
    pcap.write(reinterpret_cast<const char*>(header), sizeof header);
    static const std::uint8_t kLocal[6] = {0x00, 0xB0, 0x52, 0x5A, 0x00, 0x01};
    std::uint32_t replies = 0;
    std::vector<std::uint8_t> frame;
    for (int idle = 0; idle < 50;) {
        const int fetched = capture->Fetch(frame);
        ASSERT_GE(fetched, 0);
        idle = fetched == 0 ? idle + 1 : 0;
        if (fetched != 1 || frame.size() < 14 || !std::equal(kLocal, kLocal + 6, frame.begin() + 6)) continue;
        const auto length = static_cast<std::uint32_t>(frame.size());
        const std::uint32_t record[4] = {++replies, 0, length, length};
        pcap.write(reinterpret_cast<const char*>(record), sizeof record);
        pcap.write(reinterpret_cast<const char*>(frame.data()), length);
    }
    pcap.close();
    ASSERT_TRUE(pcap);
    EXPECT_EQ(replies, 6u) << "version, two network-info and three set-key confirmations";

    const CliRun tshark = Shell("tshark -r replies.pcap -V 2>&1");
    EXPECT_EQ(tshark.status, 0) << tshark.out;
    EXPECT_EQ(tshark.out.find("Malformed"), std::string::npos) << tshark.out;
    EXPECT_EQ(tshark.out.find("Expert Info (Error"), std::string::npos) << tshark.out;
    const std::pair<const char*, std::size_t> expected[] = {  // a text and how often tshark prints it
        {"HomePlug AV protocol", 6},  {"GET_SW.CNF", 1}, {"NW_INFO.CNF", 2},
        {"SET_KEY.CNF", 3},           {"Version: 1.1", 1}, {"Station MAC Address: ", 6},
    };
    for (const auto& [text, expectedCount] : expected) {
        std::size_t count = 0;
        for (std::size_t at = tshark.out.find(text); at != std::string::npos; at = tshark.out.find(text, at + 1)) ++count;
        EXPECT_EQ(count, expectedCount) << text << "\n" << tshark.out;
    }
}

}  // namespace
}  // namespace zentrel::e2e
