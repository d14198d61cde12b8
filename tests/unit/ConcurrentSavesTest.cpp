// Many `zentrel` processes saving plc.data in one directory at the same moment: the atomic
// replacement must leave one whole database, never a mixture or a cut file, and no process may
// undo what another one changed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "registry/Database.h"
#include "registry/DeviceHistory.h"
#include "pages/Storage.h"
#include "base/MacAddress.h"
#include "unit/RegistryFixture.h"

namespace zentrel::test {
namespace {

constexpr int kProcesses = 20;

std::string MacText(int i) {
    char text[32];
    std::snprintf(text, sizeof text, "02:00:00:00:01:%02X", i);
    return text;
}

struct ConcurrentSavesTest : RegistryTest {
    // kProcesses + 1 records; each process forgets a different one and saves the rest.
    void SaveStartingHistory() {
        for (int i = 0; i <= kProcesses; ++i) {
            auto& r = core->db.history[static_cast<std::size_t>(i)];
            SetRecordText(r.label, sizeof r.label, "Device " + std::to_string(i));
            const Mac mac = MacFromText(MacText(i));
            std::memcpy(r.mac, mac.data(), 6);
            r.lastSeen = 1700000000 + i;
        }
        core->db.historyCount = kProcesses + 1;
        core->db.lastStored.reset();  // written anew, as by a program that never read the file
        SaveDatabase(*core);
    }

    // Starts every child first and lets them go together through one pipe, so that the saves
    // really overlap. Returns the exit statuses.
    std::vector<int> RunTogether(const std::vector<std::vector<std::string>>& commands) {
        int gate[2];
        if (::pipe(gate) != 0) return {};
        std::vector<pid_t> pids;
        for (const auto& command : commands) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::close(gate[1]);
                char go;
                (void)!::read(gate[0], &go, 1);  // returns when the parent closes its end
                if (::chdir(dir.c_str()) != 0) ::_exit(120);
                std::vector<char*> argv;
                for (const auto& a : command) argv.push_back(const_cast<char*>(a.c_str()));
                argv.push_back(nullptr);
                std::freopen("/dev/null", "w", stdout);
                std::freopen("/dev/null", "w", stderr);
                ::execv(argv[0], argv.data());
                ::_exit(121);
            }
            pids.push_back(pid);
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
};

TEST_F(ConcurrentSavesTest, TwentyForgetCommandsLeaveOneWholeDatabaseFromOneOfThem) {
    // The commands scan first; under root they get a network namespace of their own without any
    // adapter, so that nothing is sent on the host's interfaces. Without root they cannot open a
    // capture and find no adapter either.
    const bool root = ::geteuid() == 0;
    if (root && ::access("/usr/bin/unshare", X_OK) != 0) GTEST_SKIP() << "unshare(1) is needed under root";
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        SaveStartingHistory();
        std::vector<std::vector<std::string>> commands;
        for (int i = 0; i < kProcesses; ++i) {
            std::vector<std::string> c;
            if (root) c = {"/usr/bin/unshare", "-n"};
            c.insert(c.end(), {ZENTREL_CLI, "forget", MacText(i), "--yes"});
            commands.push_back(c);
        }
        const auto statuses = RunTogether(commands);
        ASSERT_EQ(statuses.size(), static_cast<std::size_t>(kProcesses));
        for (int s : statuses) EXPECT_EQ(s, 0);

        // One whole database: it loads without a message, and every record in it is whole. No
        // command undoes another's removal: only the device nobody forgets is left.
        auto after = Reopen();
        messages.shown.clear();
        LoadDatabase(*after);
        EXPECT_TRUE(messages.shown.empty());
        const int count = after->db.historyCount;
        EXPECT_EQ(count, 1);
        EXPECT_EQ(std::filesystem::file_size(dir / kDatabaseFile),
                  kDatabaseBaseBytes + kHistoryRecordBytes * static_cast<std::size_t>(count));
        int missing = 0;
        for (int i = 0; i <= kProcesses; ++i) {
            const int at = FindHistoryByMacText(after->db, MacText(i));
            if (at == 0) {
                ++missing;
                continue;
            }
            EXPECT_EQ(RecordText(after->db.history[static_cast<std::size_t>(at - 1)].label, 32),
                      "Device " + std::to_string(i));
        }
        EXPECT_EQ(missing + count, kProcesses + 1);
        EXPECT_NE(FindHistoryByMacText(after->db, MacText(kProcesses)), 0);
        // No temporary file is left behind.
        int entries = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++entries;
        EXPECT_EQ(entries, 1);
    }
}

}  // namespace
}  // namespace zentrel::test
