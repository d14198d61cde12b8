// The command line as a new user meets it, against plcsim: failed saves, the forget question,
// what a command says when it is done and the real reason of a failure.
#include <filesystem>

#include "E2eFixture.h"

namespace zentrel::e2e {
namespace {

const char kStation[] = "00:B0:52:5A:00:02 ALFA-BRAV-OCHA-RLIE";  // MAC and device password

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

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
        EXPECT_TRUE(EndsWith(run.err, "zentrel: could not save " + c[1] + "\n")) << run.err;
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

TEST_F(CliE2e, CommandsSayWhatTheyDid) {
    E2E_PREPARE();
    ASSERT_TRUE(Sim({"--fail-station", "00:B0:52:5A:00:03"}));
    const CliRun added = Shell("ZENTREL add-remote HomePlugAV ALFA-BRAV-OCHA-RLIE");
    EXPECT_NE(added.out.find("restarts and appears in the list"), std::string::npos) << added.err;
    const CliRun stored = Shell(std::string("ZENTREL password ") + kStation);
    EXPECT_NE(stored.out.find("Stored the device password of 00:B0:52:5A:00:02"), std::string::npos) << stored.err;
    ASSERT_EQ(Shell("ZENTREL password 00:B0:52:5A:00:03 DELT-AECH-OFOX-TROT").status, 0);
    const CliRun partly = Shell("ZENTREL set-name NewName1 --all");
    EXPECT_EQ(partly.status, 1);
    EXPECT_TRUE(EndsWith(partly.err, "2 of 3 devices changed.\n")) << partly.err;
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
