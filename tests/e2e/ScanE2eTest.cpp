// The scan, report and watch commands against plcsim, run as the user runs them: their own
// process in the lab's host namespace, files in the lab's directory.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "E2eFixture.h"

extern char** environ;

namespace zentrel::e2e {
namespace {

// The stations of plcsim's default network: MAC, TEI, bridged MAC and speed floor(rate x 1.3083).
const char* const kStations[][4] = {
    {"00:B0:52:5A:00:02", "02", "02:00:00:AA:BB:C2", "107"},  // rate 82
    {"00:B0:52:5A:00:03", "03", "02:00:00:AA:BB:C3", "96"},   // rate 74
    {"00:B0:52:5A:00:04", "04", "02:00:00:AA:BB:C4", "86"},   // rate 66
};

class ScanE2e : public E2eTest {};

void ExpectStationRows(const std::string& out, int first, int last) {
    for (int k = first; k <= last; ++k) {
        bool found = false;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.find(kStations[k][0]) == std::string::npos) continue;
            if (line.rfind(kStations[k][1], 0) != 0) continue;
            found = line.find(kStations[k][2]) != std::string::npos &&
                    line.substr(line.find_last_of(' ') + 1) == kStations[k][3];
        }
        EXPECT_TRUE(found) << "station " << kStations[k][0] << " in\n" << out;
    }
}

TEST_F(ScanE2e, OneScanFromAnEmptyDirectoryListsTheLocalDeviceAndItsStations) {
    E2E_PREPARE(1);
    std::string error;
    ASSERT_TRUE(lab->StartSim(0, {}, error)) << error;
    const CliRun run = Zentrel("scan");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("TEI 01  MAC Address 00:B0:52:5A:00:01  on NIC #1  FW Version: PLCSIM-AV-3.1.0-00-20240101"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\nConnected\n"), std::string::npos);
    EXPECT_NE(run.out.find("3 Powerline Devices detected"), std::string::npos);
    EXPECT_NE(run.out.find("TEI  Password  MAC Address        Bridged MAC Address  Speed(Mbps)"), std::string::npos)
        << run.out;
    ExpectStationRows(run.out, 0, 2);

    const CliRun json = Zentrel("scan --json");
    EXPECT_NE(json.out.find("{\"mac\":\"00:B0:52:5A:00:02\",\"tei\":2,\"bridgedMac\":\"02:00:00:AA:BB:C2\","
                            "\"txMbps\":107,\"rxMbps\":83,"),
              std::string::npos)
        << json.out;
}

// The install step grants cap_net_raw alone: with it, and nothing more, an unprivileged user
// finds the local device and every station, promiscuous capture included.
TEST_F(ScanE2e, AnUnprivilegedUserWithCapNetRawAloneFindsEveryStation) {
    E2E_PREPARE(1);
    if (std::system("command -v setcap >/dev/null && command -v setpriv >/dev/null") != 0) {
        GTEST_SKIP() << "setcap (libcap2-bin) or setpriv (util-linux) is missing";
    }
    std::string error;
    ASSERT_TRUE(lab->StartSim(0, {}, error)) << error;
    const std::string home = lab->Directory() + "/nobody";
    const std::string program = lab->Directory() + "/zentrel";
    std::filesystem::create_directories(home);
    ASSERT_EQ(::chown(home.c_str(), 65534, 65534), 0);
    std::filesystem::copy_file(ZENTREL_CLI, program);
    ASSERT_EQ(std::system(("setcap cap_net_raw+ep '" + program + "'").c_str()), 0);

    const std::string command = "cd '" + home + "' && setpriv --reuid=65534 --regid=65534 --clear-groups '" +
                                program + "' scan >out 2>err";
    const int raw = std::system(command.c_str());
    const std::string out = ReadText(home + "/out");
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 0) << out << ReadText(home + "/err");
    EXPECT_NE(out.find("3 Powerline Devices detected"), std::string::npos) << out;
    ExpectStationRows(out, 0, 2);
}

// The report file line by line against the layout of its formats; the date, the host's own
// facts, the adapter's address and the times are masked.
TEST_F(ScanE2e, ReportFileMatchesTheGoldenLayout) {
    E2E_PREPARE(1);
    std::string error;
    ASSERT_TRUE(lab->StartSim(0, {}, error)) << error;
    const CliRun run = Zentrel("report report.txt");
    ASSERT_EQ(run.status, 0);
    struct stat info {};
    ASSERT_EQ(::stat((lab->Directory() + "/report.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    auto mask = [](const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            for (const char* label : {"Diagnostics Report:\t\t\t\t\t", "On NIC #1 MAC = ", "Computer name: ",
                                      "User name: ", "Microprocessor: ", "OS Platform: ", "Library: libpcap.so    "}) {
                if (line.rfind(label, 0) == 0) line = std::string(label) + "*";
            }
            const auto tab = line.find_last_of('\t');
            if (line.size() > 17 && line.find("00:B0:52:5A") != std::string::npos && tab != std::string::npos) {
                line = line.substr(0, tab + 1) + "*";
            }
            lines.push_back(line);
        }
        if (!text.empty() && text.back() == '\n') lines.push_back("");
        return lines;
    };
    const auto actual = mask(ReadText(lab->Directory() + "/report.txt"));
    const auto expected = mask(ReadText(std::string(ZENTREL_TEST_DATA) + "/e2e_report.txt"));
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(actual.size(), expected.size()) << ReadText(lab->Directory() + "/report.txt");
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
}

TEST_F(ScanE2e, AStationDroppedBetweenCyclesOfWatchLeavesTheList) {
    E2E_PREPARE(1);
    std::string error;
    ASSERT_TRUE(lab->StartSim(0, {}, error)) << error;
    WriteFastPrefs(4);  // a cycle every 24 ticks, about 0.6 s
    const std::string dir = lab->Directory();
    Write("two.ini",
          "[local]\nmac = 00:B0:52:5A:00:01\n"
          "[station]\nmac = 00:B0:52:5A:00:02\ntei = 2\nbridged_mac = 02:00:00:AA:BB:C2\ntx_rate = 82\n"
          "[station]\nmac = 00:B0:52:5A:00:04\ntei = 4\nbridged_mac = 02:00:00:AA:BB:C4\ntx_rate = 66\n");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string outPath = dir + "/watch.out";
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (dir + "/watch.err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    std::vector<std::string> args = {ZENTREL_CLI, "watch", "--cycles", "40"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, ZENTREL_CLI, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    auto waitFor = [&](auto done, int seconds) {
        for (int i = 0; i < seconds * 20; ++i) {
            if (done(ReadText(outPath))) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    };
    const bool listed = waitFor([](const std::string& out) { return out.find("00:B0:52:5A:00:03") != std::string::npos; }, 20);
    EXPECT_TRUE(listed);
    ASSERT_GE(lab->StopSim(), 0);
    ASSERT_TRUE(lab->StartSim(0, {"--config", dir + "/two.ini"}, error)) << error;
    std::size_t mark = ReadText(outPath).size();
    // A later cycle lists the two remaining stations and not the dropped one.
    const bool dropped = waitFor(
        [&](const std::string& out) {
            if (out.size() <= mark) return false;
            const std::string tail = out.substr(mark);
            const auto cycle = tail.rfind("--- cycle");
            if (cycle == std::string::npos) return false;
            const std::string block = tail.substr(cycle);
            return block.find("2 Powerline Devices detected") != std::string::npos &&
                   block.find("00:B0:52:5A:00:04") != std::string::npos &&
                   block.find("00:B0:52:5A:00:03") == std::string::npos;
        },
        20);
    EXPECT_TRUE(dropped) << ReadText(outPath).substr(mark);

    ::kill(pid, SIGINT);
    int status = 0;
    for (int i = 0; i < 100 && ::waitpid(pid, &status, WNOHANG) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        ADD_FAILURE() << "watch did not end on Ctrl-C";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Saved on the way out: plc.data holds the history.
    EXPECT_GT(ReadText(dir + "/plc.data").size(), 97532u);
}

}  // namespace
}  // namespace zentrel::e2e
