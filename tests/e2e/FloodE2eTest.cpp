// Scans under a flood of frames nobody asked for, sent by plcsim at the host while `zentrel scan`
// runs: the scan still lists the real local device and every station.
#include <cstdlib>

#include "E2eFixture.h"

namespace zentrel::e2e {
namespace {

class FloodE2e : public E2eTest {
protected:
    // Runs `zentrel scan --json` while plcsim floods with `burst`; returns what it printed.
    std::string ScanUnderBurst(const std::vector<std::string>& burst) {
        EXPECT_TRUE(Sim(burst));
        const CliRun run = Zentrel("scan --json");
        EXPECT_GE(lab->StopSim(), 0);
        EXPECT_EQ(run.status, 0) << run.err;
        return run.out;
    }

    static void ExpectTheSimulatedNetwork(const std::string& out) {
        EXPECT_NE(out.find("\"localFound\":true"), std::string::npos) << out;
        EXPECT_NE(out.find("\"mac\":\"00:B0:52:5A:00:01\""), std::string::npos) << out;
        EXPECT_NE(out.find("\"stationCount\":3"), std::string::npos) << out;
        for (const char* station : {"00:B0:52:5A:00:02", "00:B0:52:5A:00:03", "00:B0:52:5A:00:04"}) {
            EXPECT_NE(out.find(std::string("{\"mac\":\"") + station + "\""), std::string::npos)
                << station << " in\n" << out;
        }
    }

    // The number of burst frames plcsim sent and the seconds it ran, by its own clock: its
    // start-up, which the sanitizers make slow, is no part of the flood.
    void ExpectTheBurstRate(double rate) {
        const std::string state = Read("plcsim.out");
        const auto at = state.rfind(" burst=");
        const auto clockAt = state.rfind("plcsim state at ");
        ASSERT_TRUE(at != std::string::npos && clockAt != std::string::npos) << state;
        const double sent = std::strtod(state.c_str() + at + 7, nullptr);
        const double simSeconds = std::strtod(state.c_str() + clockAt + 16, nullptr) / 1000;
        EXPECT_GT(sent, 0.7 * rate * simSeconds) << sent << " frames in " << simSeconds << " s";
        EXPECT_LT(sent, 1.05 * rate * simSeconds + 1) << sent << " frames in " << simSeconds << " s";
    }
};

TEST_F(FloodE2e, AScanListsEveryStationWhilePlcsimFloodsAt5000FramesPerSecond) {
    E2E_PREPARE();
    ExpectTheSimulatedNetwork(ScanUnderBurst({"--burst", "5000"}));
    ExpectTheBurstRate(5000);
}

// A stranger on the segment sends version, network-info and set-key confirmations with another
// vendor's OUI, and every other MMTYPE, unasked: none of it becomes the local device or a station.
TEST_F(FloodE2e, ConfirmationsOfAnotherVendorFromAStrangerNeverBecomeTheLocalDevice) {
    E2E_PREPARE();
    const std::string out = ScanUnderBurst({"--burst", "5000", "--burst-kind", "foreign,mmtypes"});
    ExpectTheSimulatedNetwork(out);
    EXPECT_EQ(out.find("02:66:00:00:00:0"), std::string::npos) << "the stranger shows in\n" << out;
    ExpectTheBurstRate(5000);
}

}  // namespace
}  // namespace zentrel::e2e
