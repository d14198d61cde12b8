// A scan under a flood of frames nobody asked for: plcsim sends 5000 unrelated 0x88E1/0x887B
// frames per second at the host while `zentrel scan` runs, and the scan still lists every station.
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "E2eFixture.h"

namespace zentrel::e2e {
namespace {

class FloodE2e : public E2eTest {};

TEST_F(FloodE2e, AScanListsEveryStationWhilePlcsimFloodsAt5000FramesPerSecond) {
    E2E_PREPARE(1);
    std::string error;
    ASSERT_TRUE(lab->StartSim(0, {"--burst", "5000"}, error)) << error;
    const std::string dir = lab->Directory();
    const std::string command = "cd '" + dir + "' && '" ZENTREL_CLI "' scan --json >'" + dir + "/scan.out' 2>'" +
                                dir + "/scan.err'";
    const int raw = std::system(command.c_str());
    ASSERT_GE(lab->StopSim(), 0);

    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << ReadText(dir + "/scan.err");
    const std::string out = ReadText(dir + "/scan.out");
    EXPECT_NE(out.find("\"localFound\":true"), std::string::npos) << out;
    EXPECT_NE(out.find("\"mac\":\"00:B0:52:5A:00:01\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"stationCountText\":\"3 Powerline Devices detected\""), std::string::npos) << out;
    for (const char* station : {"00:B0:52:5A:00:02", "00:B0:52:5A:00:03", "00:B0:52:5A:00:04"}) {
        EXPECT_NE(out.find(std::string("\"MAC Address\":\"") + station + "\""), std::string::npos)
            << station << " in\n" << out;
    }

    // The flood really ran at about the rate asked for, by plcsim's own clock: its start-up, which
    // the sanitizers make slow, is no part of the flood.
    const std::string state = ReadText(lab->SimOutputPath());
    const auto at = state.rfind(" burst=");
    const auto clockAt = state.rfind("plcsim state at ");
    ASSERT_TRUE(at != std::string::npos && clockAt != std::string::npos) << state;
    const double sent = std::strtod(state.c_str() + at + 7, nullptr);
    const double simSeconds = std::strtod(state.c_str() + clockAt + 16, nullptr) / 1000;
    EXPECT_GT(sent, 0.7 * 5000 * simSeconds) << sent << " frames in " << simSeconds << " s";
    EXPECT_LT(sent, 1.05 * 5000 * simSeconds + 1) << sent << " frames in " << simSeconds << " s";
}

}  // namespace
}  // namespace zentrel::e2e
