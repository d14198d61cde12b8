// The command line as a new user meets it, against plcsim: failed saves, the forget question,
// what a command says when it is done, the real reason of a failure, and the usage conventions.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "E2eFixture.h"

namespace zentrel::e2e {
namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// `command` through sh in `dir`, ZENTREL standing for the program; stdin from `input`.
CliRun Shell(const std::string& dir, std::string command, const std::string& input = "") {
    for (std::size_t at; (at = command.find("ZENTREL")) != std::string::npos;) command.replace(at, 7, ZENTREL_CLI);
    std::ofstream(dir + "/in.txt") << input;
    const std::string line = "cd '" + dir + "' && (" + command + ") <in.txt >out.txt 2>err.txt";
    CliRun run;
    const int raw = std::system(line.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadText(dir + "/out.txt");
    run.err = ReadText(dir + "/err.txt");
    return run;
}

const char kStation[] = "00:B0:52:5A:00:02";
const char kPassword[] = "ALFA-BRAV-OCHA-RLIE";

class CliE2e : public E2eTest {
protected:
    CliRun Zentrel(const std::string& args, const std::string& input = "") {
        return Shell(lab->Directory(), "ZENTREL " + args, input);
    }
    void StartSim(const std::vector<std::string>& args = {}) {
        std::string error;
        ASSERT_TRUE(lab->StartSim(0, args, error)) << error;
    }
};

TEST_F(CliE2e, AFailedSaveIsAFailureThatNamesTheFileAndTheReason) {
    E2E_PREPARE(1);
    StartSim();
    const std::string dir = lab->Directory();
    ASSERT_EQ(Zentrel("scan").status, 0);
    const struct {
        std::string command;
        std::string file;
        std::string reason;
    } cases[] = {
        // A read-only directory, as a user without write access meets it (root ignores modes).
        {"unshare -m sh -c \"mount --bind -o ro . . && cd . && ZENTREL password " + std::string(kStation) + " " +
             kPassword + "\"",
         dir + "/plc.data", "Read-only file system"},
        {"ZENTREL report missing/report.txt", dir + "/missing/report.txt", "No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const CliRun run = Shell(dir, c.command);
        EXPECT_EQ(run.status, 1) << run.err;
        const std::string last = "zentrel: could not save " + c.file + ": " + c.reason + "\n";
        ASSERT_GE(run.err.size(), last.size()) << run.err;
        EXPECT_EQ(run.err.substr(run.err.size() - last.size()), last) << run.err;
        EXPECT_EQ(run.out.find("Stored"), std::string::npos) << run.out;
    }
}

TEST_F(CliE2e, ForgetAsksOnATerminalAndWantsYesWithoutOne) {
    E2E_PREPARE(1);
    const std::string dir = lab->Directory();
    std::filesystem::copy_file(ZENTREL_TEST_DATA "/plc-3records.data", dir + "/plc.data");
    const std::string terminal = "script -qec 'ZENTREL forget 00:B0:52:10:20:03' /dev/null";
    const CliRun pipe = Zentrel("forget 00:B0:52:10:20:03", "y\n");
    EXPECT_EQ(pipe.status, 1);
    EXPECT_NE(pipe.err.find("pass --yes"), std::string::npos) << pipe.err;
    const CliRun no = Shell(dir, terminal, "n\n");
    EXPECT_NE(no.out.find("(y/N)"), std::string::npos) << no.out;
    EXPECT_NE(Zentrel("history").out.find("00:B0:52:10:20:03"), std::string::npos);
    const CliRun yes = Shell(dir, terminal, "y\n");
    EXPECT_EQ(yes.status, 0) << yes.out;
    EXPECT_EQ(Zentrel("history").out.find("00:B0:52:10:20:03"), std::string::npos);
}

TEST_F(CliE2e, CommandsSayWhatTheyDid) {
    E2E_PREPARE(1);
    StartSim({"--fail-station", "00:B0:52:5A:00:03"});
    const CliRun stored = Zentrel(std::string("password ") + kStation + " " + kPassword);
    EXPECT_EQ(stored.status, 0) << stored.err;
    EXPECT_NE(stored.out.find(std::string("Stored the device password of ") + kStation), std::string::npos);
    ASSERT_EQ(Zentrel("password 00:B0:52:5A:00:03 DELT-AECH-OFOX-TROT").status, 0);
    const CliRun partly = Zentrel("set-name NewName1 --all");
    EXPECT_EQ(partly.status, 1);
    const std::string tail = "2 of 3 devices changed.\n";
    ASSERT_GE(partly.err.size(), tail.size());
    EXPECT_EQ(partly.err.substr(partly.err.size() - tail.size()), tail) << partly.err;
}

TEST_F(CliE2e, AddRemoteSaysWhatToExpect) {
    E2E_PREPARE(1);
    StartSim();
    const CliRun run = Zentrel(std::string("add-remote HomePlugAV ") + kPassword);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("restarts and appears in the list"), std::string::npos) << run.out;
    const CliRun alone = Zentrel("set-name NewName1 --all");
    EXPECT_NE(alone.err.find("only the local device will change"), std::string::npos) << alone.err;
}

TEST_F(CliE2e, WithoutALocalDeviceKeyCommandsSaySoEvenRightAfterAChange) {
    E2E_PREPARE(1);
    const std::string commands[] = {std::string("add-remote HomePlugAV ") + kPassword, "set-name NewName1"};
    for (const auto& command : commands) {
        SCOPED_TRACE(command);
        const CliRun run = Zentrel(command);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("no powerline device found"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("does not match"), std::string::npos) << run.err;
    }
    std::ofstream(lab->Directory() + "/sim.ini") << "[local]\nrestart_ms = 20000\n";
    StartSim({"--config", lab->Directory() + "/sim.ini"});
    ASSERT_EQ(Zentrel("set-name NewName1").status, 0);
    const CliRun again = Zentrel("set-name NewName2");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("silent for a few seconds while it restarts"), std::string::npos) << again.err;
}

TEST(CliConventions, UsageHelpAndExitStatus) {
    const std::string dir = std::filesystem::temp_directory_path().string();
    const struct {
        std::string command;
        int status;
        bool usageOnStdout;
        std::string usageStart;
    } cases[] = {
        {"ZENTREL", 2, false, "Usage: zentrel COMMAND"},
        {"ZENTREL help forget", 0, true, "Usage: zentrel forget MAC"},
        {"ZENTREL help nosuch", 2, false, "zentrel help: unknown command 'nosuch'"},
        {"'" ZENTREL_UTILITY "' --help", 0, true, "Usage: zentrel-utility"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const CliRun run = Shell(dir, c.command);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ((c.usageOnStdout ? run.out : run.err).rfind(c.usageStart, 0), 0u) << run.out << run.err;
        EXPECT_TRUE((c.usageOnStdout ? run.err : run.out).empty());
    }
}

}  // namespace
}  // namespace zentrel::e2e
