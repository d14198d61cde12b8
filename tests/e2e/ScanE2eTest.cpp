// The scan, report and watch commands against plcsim, run as the user runs them: their own
// process in the lab's host namespace, files in the lab's directory.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

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
    E2E_PREPARE();
    ASSERT_TRUE(Sim());
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
    E2E_PREPARE();
    if (std::system("command -v setcap >/dev/null && command -v setpriv >/dev/null") != 0) {
        GTEST_SKIP() << "setcap (libcap2-bin) or setpriv (util-linux) is missing";
    }
    ASSERT_TRUE(Sim());
    std::filesystem::create_directories(Path("nobody"));
    ASSERT_EQ(::chown(Path("nobody").c_str(), 65534, 65534), 0);
    std::filesystem::copy_file(ZENTREL_CLI, Path("zentrel"));
    ASSERT_EQ(Shell("setcap cap_net_raw+ep zentrel").status, 0);
    // Its files in a directory of its own: the user cannot write the lab's.
    const CliRun run = Shell("cd nobody && setpriv --reuid=65534 --regid=65534 --clear-groups ../zentrel scan");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("3 Powerline Devices detected"), std::string::npos) << run.out;
    ExpectStationRows(run.out, 0, 2);
}

// The report file line by line against the layout of its formats; the date, the host's own
// facts, the adapter's address and the times are masked.
TEST_F(ScanE2e, ReportFileMatchesTheGoldenLayout) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim());
    const CliRun run = Zentrel("report report.txt");
    ASSERT_EQ(run.status, 0);
    struct stat info {};
    ASSERT_EQ(::stat(Path("report.txt").c_str(), &info), 0);
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
    const auto actual = mask(Read("report.txt"));
    const auto expected = mask(ReadText(std::string(ZENTREL_TEST_DATA) + "/e2e_report.txt"));
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(actual.size(), expected.size()) << Read("report.txt");
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
}

TEST_F(ScanE2e, AStationDroppedBetweenCyclesOfWatchLeavesTheList) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim());
    WriteFastPrefs(4);  // a cycle every 24 ticks, about 0.6 s
    Write("two.ini",
          "[local]\nmac = 00:B0:52:5A:00:01\n"
          "[station]\nmac = 00:B0:52:5A:00:02\ntei = 2\nbridged_mac = 02:00:00:AA:BB:C2\ntx_rate = 82\n"
          "[station]\nmac = 00:B0:52:5A:00:04\ntei = 4\nbridged_mac = 02:00:00:AA:BB:C4\ntx_rate = 66\n");
    // exec: the shell becomes the program, so the Ctrl-C below reaches it.
    const std::string script = "cd '" + lab->Directory() + "' && exec '" ZENTREL_CLI "' watch --cycles 40 >watch.out 2>watch.err";
    const char* const argv[] = {"sh", "-c", script.c_str(), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ), 0);

    auto waitFor = [&](auto done) {
        for (int i = 0; i < 400; ++i) {
            if (done(Read("watch.out"))) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    };
    EXPECT_TRUE(waitFor([](const std::string& out) { return out.find("00:B0:52:5A:00:03") != std::string::npos; }));
    ASSERT_GE(lab->StopSim(), 0);
    ASSERT_TRUE(Sim({"--config", Path("two.ini")}));
    const std::size_t mark = Read("watch.out").size();
    // A later cycle lists the two remaining stations and not the dropped one.
    const bool dropped = waitFor([&](const std::string& out) {
        const auto cycle = out.rfind("--- cycle");
        if (out.size() <= mark || cycle == std::string::npos || cycle < mark) return false;
        const std::string block = out.substr(cycle);
        return block.find("2 Powerline Devices detected") != std::string::npos &&
               block.find("00:B0:52:5A:00:04") != std::string::npos && block.find("00:B0:52:5A:00:03") == std::string::npos;
    });
    EXPECT_TRUE(dropped) << Read("watch.out").substr(mark);

    ::kill(pid, SIGINT);
    int status = 0;
    for (int i = 0; i < 100 && ::waitpid(pid, &status, WNOHANG) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        ADD_FAILURE() << "watch did not end on Ctrl-C";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Saved on the way out: plc.data holds the history.
    EXPECT_GT(Read("plc.data").size(), 97532u);
}

}  // namespace
}  // namespace zentrel::e2e
