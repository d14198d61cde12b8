// The command-line program against plcsim, run as the user runs it (own process, files in the
// lab's directory): password, set-name and add-remote change the network, and plcsim's frame log
// shows what went out; failed saves, questions and the reasons a command gives.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "E2eFixture.h"
#include "keys/KeyDerivation.h"

namespace zentrel::e2e {
namespace {

const char* const kPasswords[] = {"ALFA-BRAV-OCHA-RLIE", "DELT-AECH-OFOX-TROT", "GOLF-HOTE-LIND-IAJU"};
const char* const kStationMacs[] = {"00:B0:52:5A:00:02", "00:B0:52:5A:00:03", "00:B0:52:5A:00:04"};

class NetworkChangeE2e : public E2eTest {
protected:
    // Scans until every MAC in `present` is listed and none in `absent`, for up to `seconds`
    // (devices that took a new key are silent while they restart).
    bool ListedAsExpected(const std::vector<std::string>& present, const std::vector<std::string>& absent,
                          int seconds, std::string& last) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        do {
            last = Zentrel("scan").out;
            bool ok = true;
            for (const auto& mac : present) ok = ok && last.find(mac) != std::string::npos;
            for (const auto& mac : absent) ok = ok && last.find(mac) == std::string::npos;
            if (ok) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        } while (std::chrono::steady_clock::now() < end);
        return false;
    }

    // The set-key requests in plcsim's frame log, in order, as hex text: "mode remote nmk dak"
    // (bytes 37, 38..43, 21..36 and 44..59).
    std::vector<std::string> LoggedSetKeys() const {
        std::vector<std::string> frames;
        std::istringstream lines(Read("frames.log"));
        std::string stamp, hex;
        while (lines >> stamp >> hex) {
            // Hex digits: byte k at 2k. MMTYPE 0xA050 is bytes 15..16 = "50A0".
            if (hex.size() >= 120 && hex.substr(30, 4) == "50A0")
                frames.push_back(hex.substr(74, 2) + " " + hex.substr(76, 12) + " " + hex.substr(42, 32) + " " + hex.substr(88, 32));
        }
        return frames;
    }

    // The passwords of the first `count` stations; each command says what it stored.
    void StorePasswords(int count) {
        for (int k = 0; k < count; ++k) {
            const CliRun run = Zentrel(std::string("password ") + kStationMacs[k] + " " + kPasswords[k]);
            ASSERT_EQ(run.status, 0) << run.err << run.out;
            EXPECT_NE(run.out.find(std::string("Stored the device password of ") + kStationMacs[k]), std::string::npos)
                << run.out;
        }
    }
};

TEST_F(NetworkChangeE2e, SetAllChangesRemoteDevicesFirstAndLeavesUnknownOnesBehind) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim());
    StorePasswords(2);

    const CliRun run = Zentrel("set-name NewName --all");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Info: Change network name successfully!\nPlease wait for about 10 seconds for "
                           "updating the corresponding data."),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("device 1 of 2: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("device 2 of 2: "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("failed"), std::string::npos) << run.err;

    // Both remote devices first, in either order (the list is sorted by speed), then the local one.
    const std::string nmk = NmkText("NewName");
    std::vector<std::string> frames = LoggedSetKeys(), expected;
    for (int k = 0; k < 2; ++k) expected.push_back("00 FFFFFFFFFFFF " + nmk + " " + DakText(kPasswords[k]));
    std::sort(expected.begin(), expected.end());
    std::sort(frames.begin(), frames.begin() + std::min<std::ptrdiff_t>(2, std::ssize(frames)));
    expected.push_back("0F 000000000000 " + nmk + " " + std::string(32, '0'));
    EXPECT_EQ(frames, expected);

    std::string listing;
    EXPECT_TRUE(ListedAsExpected({kStationMacs[0], kStationMacs[1]}, {kStationMacs[2]}, 10, listing)) << listing;
    EXPECT_EQ(listing.find("NID: b0f2e695666b"), std::string::npos) << "the NID follows the new NMK\n" << listing;
}

// Each command says what it did; a failing station gets one retry and one message.
TEST_F(NetworkChangeE2e, FailingStationGetsOneRetryAndOneMessage) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim({"--fail-station", kStationMacs[1]}));
    const CliRun added = Zentrel(std::string("add-remote HomePlugAV ") + kPasswords[0]);
    EXPECT_NE(added.out.find("restarts and appears in the list"), std::string::npos) << added.err;
    StorePasswords(2);
    const std::size_t before = LoggedSetKeys().size();  // add-remote's

    const CliRun run = Zentrel("set-name NewName --all");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(run.err.ends_with("2 of 3 devices changed.\n")) << run.err;
    const std::string failed = std::string("Attention!: The update failed.(") + kStationMacs[1] +
                               ")\nPlease plug this device to your computer locally.";
    const std::size_t at = run.err.find(failed);
    EXPECT_NE(at, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(failed, at + 1), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Info: Change local adapter's network name successfully!"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(std::string(kStationMacs[1]) + " ... failed"), std::string::npos) << run.err;

    // Two attempts for the failing station, one for the other, then the local device.
    std::vector<std::string> frames = LoggedSetKeys();
    frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(std::min(before, frames.size())));
    ASSERT_EQ(frames.size(), 4u);
    int failingAttempts = 0;
    for (int i = 0; i < 3; ++i) failingAttempts += frames[i].ends_with(DakText(kPasswords[1]));
    EXPECT_EQ(failingAttempts, 2);
    EXPECT_TRUE(frames[3].starts_with("0F ")) << frames[3];
}

TEST_F(NetworkChangeE2e, AddRemoteBringsAStationOfAnotherNetworkIn) {
    E2E_PREPARE();
    Write("sim.ini", std::string("[station]\npassword = ") + kPasswords[0] + "\n[station]\npassword = " + kPasswords[1] +
                         "\n[station]\npassword = " + kPasswords[2] + "\nnetwork = Elsewhere\n");
    ASSERT_TRUE(Sim({"--config", Path("sim.ini")}));
    std::string listing;
    ASSERT_TRUE(ListedAsExpected({kStationMacs[0], kStationMacs[1]}, {kStationMacs[2]}, 5, listing)) << listing;

    const CliRun wrong = Zentrel("add-remote HomePlugAV WRNG-PASS-WORD-XXXX");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("Zentrel Utility: Input password does not match any device on the powerline "
                             "network.\nPlease retype."),
              std::string::npos)
        << wrong.err;

    const CliRun right = Zentrel(std::string("add-remote HomePlugAV ") + kPasswords[2]);
    EXPECT_EQ(right.status, 0) << right.err;
    EXPECT_EQ(right.err.find("does not match"), std::string::npos) << right.err;
    EXPECT_TRUE(ListedAsExpected({kStationMacs[0], kStationMacs[1], kStationMacs[2]}, {}, 10, listing)) << listing;
}

// The command line as a new user meets it: failed saves, the forget question, what a command says
// when it is done and the real reason of a failure.
const char kStation[] = "00:B0:52:5A:00:02 ALFA-BRAV-OCHA-RLIE";  // MAC and device password

class CliE2e : public E2eTest {};

TEST_F(CliE2e, AFailedSaveIsAFailureThatNamesTheFileAndTheReason) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim());
    const std::string dir = lab->Directory();
    const std::string cases[][2] = {
        // A directory the user cannot write (as root: mounted read-only).
        {std::string("unshare -m sh -c 'mount --bind -o ro . . && cd . && ZENTREL password ") + kStation + "'",
         dir + "/plc.data: Read-only file system"},
        {"ZENTREL report missing/report.txt", dir + "/missing/report.txt: No such file or directory"},
    };
    for (const auto& c : cases) {
        const CliRun run = Shell(c[0]);
        EXPECT_EQ(run.status, 1) << c[0];
        EXPECT_TRUE(run.err.ends_with("zentrel: could not save " + c[1] + "\n")) << run.err;
        EXPECT_EQ(run.out.find("Stored"), std::string::npos) << run.out;
    }
    const CliRun alone = Shell("ZENTREL set-name NewName1 --all");  // no password could be stored
    EXPECT_NE(alone.err.find("only the local device will change"), std::string::npos) << alone.err;
}

TEST_F(CliE2e, ForgetAsksOnATerminalAndWantsYesWithoutOne) {
    E2E_PREPARE();
    std::filesystem::copy_file(ZENTREL_TEST_DATA "/plc-3records.data", Path("plc.data"));
    const std::string terminal = "script -qec 'ZENTREL forget 00:B0:52:10:20:03' /dev/null";
    const CliRun pipe = Shell("ZENTREL forget 00:B0:52:10:20:03", "y\n");
    EXPECT_EQ(pipe.status, 1);
    EXPECT_NE(pipe.err.find("pass --yes"), std::string::npos) << pipe.err;
    EXPECT_NE(Shell(terminal, "n\n").out.find("(y/N)"), std::string::npos);
    EXPECT_NE(Shell("ZENTREL history").out.find("00:B0:52:10:20:03"), std::string::npos);
    EXPECT_EQ(Shell(terminal, "y\n").status, 0);
    EXPECT_EQ(Shell("ZENTREL history").out.find("00:B0:52:10:20:03"), std::string::npos);
}

TEST_F(CliE2e, WithoutALocalDeviceKeyCommandsSaySoEvenRightAfterAChange) {
    E2E_PREPARE();
    for (const char* command : {"ZENTREL add-remote HomePlugAV ALFA-BRAV-OCHA-RLIE", "ZENTREL set-name NewName1"}) {
        const CliRun run = Shell(command);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("no powerline device found"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("does not match"), std::string::npos) << run.err;
    }
    Write("sim.ini", "[local]\nrestart_ms = 20000\n");
    ASSERT_TRUE(Sim({"--config", Path("sim.ini")}));
    ASSERT_EQ(Shell("ZENTREL set-name NewName1").status, 0);
    const CliRun again = Shell("ZENTREL set-name NewName2");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("silent for a few seconds while it restarts"), std::string::npos) << again.err;
}

}  // namespace
}  // namespace zentrel::e2e
