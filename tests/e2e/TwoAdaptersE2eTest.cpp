// Two host adapters, each with its own simulated local device: discovery stops at the first
// adapter in capture-list order that answers, while the network-info pass asks every adapter
// whose local device is known.
#include <fstream>
#include <sstream>
#include <string>

#include "E2eFixture.h"
#include "pages/ScanCycle.h"

namespace zentrel::e2e {
namespace {

// Network-info requests in a plcsim frame log: ethertype 88E1, MMV 00, MMTYPE 0xA038 (LE).
int NetworkInfoRequests(const std::string& log) {
    std::istringstream lines(log);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        const auto hex = line.find(' ');
        if (hex != std::string::npos && line.compare(hex + 1 + 24, 10, "88E10038A0") == 0) ++count;
    }
    return count;
}

class TwoAdapters : public E2eTest {
protected:
    // Which veth pair stands at adapter index `index` of the capture list.
    int PairAt(int index) {
        const std::string name = core->link.access.deviceList.at(static_cast<std::size_t>(index)).name;
        return name == lab->HostInterface(0) ? 0 : 1;
    }
};

TEST_F(TwoAdapters, OnlyTheFirstGetsTheLocalDeviceAndBothAreAskedForNetworkInformation) {
    E2E_PREPARE(2);
    ASSERT_TRUE(RescanAdapters(core->link) == false);
    ASSERT_EQ(core->link.access.adapterCount, 2);
    const int firstPair = PairAt(0), secondPair = PairAt(1);
    ASSERT_NE(firstPair, secondPair);

    // The second adapter's device alone first, so that its address is learnt.
    const std::string config = lab->Directory() + "/second.ini";
    std::ofstream(config) << "[local]\nmac = 00:B0:52:5B:00:01\n"
                             "[station]\nmac = 00:B0:52:5B:00:02\ntei = 2\n"
                             "bridged_mac = 02:00:00:AA:BB:D2\ntx_rate = 50\nrx_rate = 40\n";
    std::string error;
    ASSERT_TRUE(lab->StartSim(secondPair, {"-c", config}, error)) << error;
    ASSERT_TRUE(RescanAdapters(core->link));
    EXPECT_EQ(core->link.adapters[1].localFound, 1);
    EXPECT_EQ(FormatMac(core->link.adapters[1].localMac), "00:B0:52:5B:00:01");

    // Now both devices answer: the first adapter in list order wins the discovery.
    ASSERT_TRUE(lab->StartSim(firstPair, {}, error)) << error;
    ASSERT_TRUE(RescanAdapters(core->link));
    EXPECT_EQ(core->link.adapters[0].localFound, 1);
    EXPECT_EQ(core->link.adapters[1].localFound, 0);
    EXPECT_EQ(FormatMac(core->link.adapters[0].localMac), "00:B0:52:5A:00:01");
    EXPECT_EQ(core->link.currentAdapter, 0);

    const int firstBefore = NetworkInfoRequests(ReadText(lab->SimLogPath(firstPair)));
    const int secondBefore = NetworkInfoRequests(ReadText(lab->SimLogPath(secondPair)));
    QueryNetworkInfo(core->link);
    lab->StopSim();
    EXPECT_GT(NetworkInfoRequests(ReadText(lab->SimLogPath(firstPair))), firstBefore);
    EXPECT_GT(NetworkInfoRequests(ReadText(lab->SimLogPath(secondPair))), secondBefore);
    EXPECT_EQ(core->link.tables[0].stationCount, 3);
    EXPECT_EQ(core->link.tables[1].stationCount, 1);
    EXPECT_EQ(FormatMac(core->link.tables[1].stations[0].stationMac), "00:B0:52:5B:00:02");
}

}  // namespace
}  // namespace zentrel::e2e
