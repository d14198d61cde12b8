// Exchanges with plcsim over a veth pair: the requests the program sends, byte for byte as
// plcsim logs them, and the confirmations decoded into the station tables.
#include <chrono>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "E2eFixture.h"
#include "keys/KeyDerivation.h"
#include "link/AdapterAccess.h"
#include "link/Confirmations.h"
#include "link/Frames.h"
#include "support/TestFrames.h"

namespace zentrel::e2e {
namespace {

// plcsim's built-in network.
const MacBytes kLocalMac{0x00, 0xB0, 0x52, 0x5A, 0x00, 0x01};
constexpr char kFirmware[] = "PLCSIM-AV-3.1.0-00-20240101";
constexpr char kDefaultNid[] = "B0F2E695666B03";
const char* const kPasswords[] = {"ALFA-BRAV-OCHA-RLIE", "DELT-AECH-OFOX-TROT", "GOLF-HOTE-LIND-IAJU"};

MacBytes StationMac(int k) { return MacBytes{0x00, 0xB0, 0x52, 0x5A, 0x00, static_cast<std::uint8_t>(0x02 + k)}; }

// The hex of each frame in plcsim's log, in order.
std::vector<std::string> LoggedFrames(const std::string& path) {
    std::vector<std::string> frames;
    std::istringstream lines(ReadText(path));
    std::string stamp, hex;
    while (lines >> stamp >> hex) frames.push_back(hex);
    return frames;
}

// The 1510-byte request the program must have sent: header, MMTYPE, OUI, payload, zeros.
std::string ExpectedRequest(const MacBytes& destination, const MacBytes& source, std::uint16_t mmtype,
                            const std::vector<std::uint8_t>& payload = {}) {
    std::vector<std::uint8_t> frame = test::AvFrame(destination, source, mmtype, kAvFrameBytes);
    std::copy(payload.begin(), payload.end(), frame.begin() + 20);
    return Hex(frame.data(), frame.size());
}

std::vector<std::uint8_t> KeyBytes(const std::string& keyText) {
    std::vector<std::uint8_t> key;
    for (std::size_t i = 0; i + 1 < keyText.size(); i += 2)
        key.push_back(static_cast<std::uint8_t>(std::stoi(keyText.substr(i, 2), nullptr, 16)));
    return key;
}

class ExchangeE2e : public E2eTest {
protected:
    // Adapter 0 as the rescan leaves it: open, its MAC in the adapter record and station table.
    bool OpenAdapter() {
        if (!EnumerateAdapters(core->link) || core->link.access.adapterCount != 1 || !OpenCapture(core->link, 0)) return false;
        std::memcpy(core->link.adapters[0].hostMac, core->link.access.slots[0].hostMac, 6);
        std::memcpy(core->link.tables[0].hostMac, core->link.access.slots[0].hostMac, 6);
        return true;
    }

    // Polls the receive path the way the exchange engine does, until a confirmation is taken.
    bool AwaitReply(int ms, std::uint8_t* status = nullptr) {
        std::uint8_t ignored = 0xEE;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            HandleConfirmation(core->link, 0, status ? status : &ignored);
            if (core->link.replyReceived) return true;
        }
        return false;
    }

    bool Version(int ms = 500) {
        core->link.replyReceived = 0;
        core->link.versionTaken.fill(0);
        SendVersionRequest(core->link, 0);
        return AwaitReply(ms);
    }

    bool NetworkInfo(int ms = 500) {
        core->link.replyReceived = 0;
        SendNetworkInfoRequest(core->link, 0);
        return AwaitReply(ms);
    }

    std::vector<MacBytes> ListedStations() const {
        std::vector<MacBytes> macs;
        const StationTable& table = core->link.tables[0];
        for (int k = 0; k < table.stationCount; ++k) {
            MacBytes mac{};
            std::memcpy(mac.data(), table.stations[k].stationMac, 6);
            macs.push_back(mac);
        }
        return macs;
    }
};

TEST_F(ExchangeE2e, VersionAndNetworkInfoDecodeIntoTheStationTables) {
    E2E_PREPARE(1);
    std::string error;
    ASSERT_TRUE(lab->StartSim(0, {}, error)) << error;
    ASSERT_TRUE(OpenAdapter());

    ASSERT_TRUE(Version()) << "no version confirmation";
    const AdapterRecord& record = core->link.adapters[0];
    const StationTable& table = core->link.tables[0];
    EXPECT_EQ(record.localFound, 1);
    EXPECT_EQ(0, std::memcmp(record.localMac, kLocalMac.data(), 6));
    EXPECT_EQ(0, std::memcmp(table.localMac, kLocalMac.data(), 6));
    EXPECT_STREQ(record.firmwareVersion, kFirmware);

    ASSERT_TRUE(NetworkInfo()) << "no network-info confirmation";
    EXPECT_EQ(Hex(table.nid, 7), kDefaultNid);
    EXPECT_EQ(table.snid, 7);
    EXPECT_EQ(table.localTei, 1);
    EXPECT_EQ(0, std::memcmp(table.ccoMac, kLocalMac.data(), 6));
    EXPECT_EQ(table.ccoTei, 1);
    ASSERT_EQ(table.stationCount, 3);
    for (int k = 0; k < 3; ++k) {
        const StationEntry& entry = table.stations[k];
        EXPECT_EQ(entry.present, 1);
        EXPECT_EQ(0, std::memcmp(entry.stationMac, StationMac(k).data(), 6));
        EXPECT_EQ(entry.tei, 2 + k);
        const std::uint8_t bridged[6] = {0x02, 0x00, 0x00, 0xAA, 0xBB, static_cast<std::uint8_t>(0xC2 + k)};
        EXPECT_EQ(0, std::memcmp(entry.bridgedMac, bridged, 6));
        EXPECT_EQ(entry.avgTxRate, 0x52 - 8 * k);
        EXPECT_EQ(entry.avgRxRate, 0x40 - 8 * k);
    }

    EXPECT_EQ(lab->StopSim(), 0);
    const MacBytes host = lab->HostMac(0);
    const std::vector<std::string> expected = {
        ExpectedRequest({0x00, 0xB0, 0x52, 0x00, 0x00, 0x01}, host, 0xA000),
        ExpectedRequest(kLocalMac, host, 0xA038),
    };
    EXPECT_EQ(LoggedFrames(lab->SimLogPath()), expected);
    const std::string state = ReadText(lab->SimOutputPath());
    EXPECT_NE(state.find("version=1 network-info=1"), std::string::npos) << state;
}

TEST_F(ExchangeE2e, SetKeyMovesTheStationWithThatPasswordOutOfTheNetwork) {
    E2E_PREPARE(1);
    std::string error;
    ASSERT_TRUE(lab->StartSim(0, {}, error)) << error;
    ASSERT_TRUE(OpenAdapter());
    ASSERT_TRUE(Version());

    const std::string nmk = NmkText("Workshop");
    const std::string dak = DakText(kPasswords[1]);
    core->link.replyReceived = 0;
    core->link.setKeyLocalOnly = 1;  // keeps the confirmation from touching the history flags
    SendSetKeyRequest(core->link, 0, nmk, 0, &dak);
    std::uint8_t status = 0xEE;
    ASSERT_TRUE(AwaitReply(700, &status));
    EXPECT_EQ(status, 0);

    ASSERT_TRUE(Version());  // the confirmation cleared the tables
    ASSERT_TRUE(NetworkInfo());
    EXPECT_EQ(ListedStations(), (std::vector<MacBytes>{StationMac(0), StationMac(2)}));
    EXPECT_EQ(Hex(core->link.tables[0].nid, 7), kDefaultNid) << "the local device kept its key";

    // A DAK that no station has is refused.
    const std::string unknown = DakText("NOBO-DYHA-STHI-SONE");
    core->link.replyReceived = 0;
    SendSetKeyRequest(core->link, 0, nmk, 0, &unknown);
    status = 0;
    ASSERT_TRUE(AwaitReply(700, &status));
    EXPECT_NE(status, 0);

    EXPECT_EQ(lab->StopSim(), 0);
    std::vector<std::uint8_t> payload(40, 0);
    payload[0] = 0x01;
    const auto nmkBytes = KeyBytes(nmk), dakBytes = KeyBytes(dak);
    std::copy(nmkBytes.begin(), nmkBytes.end(), payload.begin() + 1);
    payload[17] = 0x00;
    std::fill(payload.begin() + 18, payload.begin() + 24, 0xFF);
    std::copy(dakBytes.begin(), dakBytes.end(), payload.begin() + 24);
    const std::vector<std::string> logged = LoggedFrames(lab->SimLogPath());
    ASSERT_GE(logged.size(), 2u);
    EXPECT_EQ(logged[1], ExpectedRequest(kLocalMac, lab->HostMac(0), 0xA050, payload));
}

TEST_F(ExchangeE2e, FaultsIgnoredRequestAndUnrelatedBurst) {
    E2E_PREPARE(1);
    std::string error;
    ASSERT_TRUE(lab->StartSim(0, {"--ignore-netinfo", "1", "--burst", "400", "--delay", "20"}, error)) << error;
    ASSERT_TRUE(OpenAdapter());
    ASSERT_TRUE(Version());
    EXPECT_FALSE(NetworkInfo(250)) << "the first network-info request goes unanswered";
    // Unrelated frames keep arriving, yet the next request's confirmation is found among them.
    ASSERT_TRUE(NetworkInfo(1000));
    EXPECT_EQ(core->link.tables[0].stationCount, 3);
    EXPECT_EQ(lab->StopSim(), 0);
    const std::string state = ReadText(lab->SimOutputPath());
    EXPECT_NE(state.find("network-info=2 network-info-ignored=1"), std::string::npos) << state;
}

}  // namespace
}  // namespace zentrel::e2e
