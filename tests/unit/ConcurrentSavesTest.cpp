// Many `zentrel` processes saving plc.data in one directory at the same moment: the atomic
// replacement must leave one whole database, never a mixture or a cut file, and no process may
// undo what another one changed.
#include <cstdio>

#include "RegistryFixture.h"
#include "pages/Storage.h"
#include "registry/DeviceHistory.h"
#include "support/Records.h"

namespace zentrel::test {
namespace {

constexpr int kProcesses = 20;

Mac MacOf(int i) { return {0x02, 0, 0, 0, 0x01, static_cast<std::uint8_t>(i)}; }

// Starts every command first and lets them go together through one pipe, so that the saves
// really overlap. Returns the exit statuses.
std::vector<int> RunTogether(const std::filesystem::path& dir, const std::vector<std::vector<std::string>>& commands) {
    int gate[2];
    if (::pipe(gate) != 0) return {};
    std::vector<pid_t> pids;
    for (const auto& command : commands) {
        pids.push_back(::fork());
        if (pids.back() != 0) continue;
        ::close(gate[1]);
        char go;
        (void)!::read(gate[0], &go, 1);  // returns when the parent closes its end
        std::vector<char*> argv;
        for (const auto& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        if (::chdir(dir.c_str()) == 0) ::execv(argv[0], argv.data());
        ::_exit(121);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    std::vector<int> statuses;
    for (const pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        statuses.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    return statuses;
}

using ConcurrentSavesTest = RegistryTest;

TEST_F(ConcurrentSavesTest, TwentyForgetCommandsLeaveOneWholeDatabaseFromOneOfThem) {
    // The commands scan first; under root they get a network namespace of their own without any
    // adapter, so that nothing is sent on the host's interfaces. Without root they cannot open a
    // capture and find no adapter either.
    const bool root = ::geteuid() == 0;
    if (root && ::access("/usr/bin/unshare", X_OK) != 0) GTEST_SKIP() << "unshare(1) is needed under root";
    std::vector<std::vector<std::string>> commands;
    for (int i = 0; i < kProcesses; ++i) {
        commands.push_back(root ? std::vector<std::string>{"/usr/bin/unshare", "-n"} : std::vector<std::string>{});
        commands.back().insert(commands.back().end(), {ZENTREL_CLI, "forget", FormatMac(MacOf(i)), "--yes"});
    }
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // kProcesses + 1 records, written anew as by a program that never read the file; each
        // process forgets a different one.
        core->db.historyCount = 0;
        for (int i = 0; i <= kProcesses; ++i) AddRecord(core->db, MacOf(i), "Device " + std::to_string(i), "", 1700000000 + i);
        core->db.lastStored.reset();
        SaveDatabase(*core);

        for (int s : RunTogether(dir, commands)) EXPECT_EQ(s, 0);

        // One whole database that loads without a message. No command undoes another's removal:
        // only the device nobody forgets is left, whole.
        auto after = Reopen();
        messages.shown.clear();
        LoadDatabase(*after);
        EXPECT_TRUE(messages.shown.empty());
        ASSERT_EQ(after->db.historyCount, 1);
        EXPECT_EQ(FormatMac(after->db.history[0].mac), FormatMac(MacOf(kProcesses)));
        EXPECT_EQ(RecordText(after->db.history[0].label, 32), "Device " + std::to_string(kProcesses));
        EXPECT_EQ(std::filesystem::file_size(dir / kDatabaseFile), kDatabaseBaseBytes + kHistoryRecordBytes);
        // No temporary file is left behind.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    }
}

}  // namespace
}  // namespace zentrel::test
