// The desktop program and `zentrel` working in one directory, as a user runs them side by side:
// what a command changes in plc.data survives the desktop program's next saves.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "E2eFixture.h"
#include "registry/Database.h"
#include "registry/DeviceHistory.h"
#include "pages/Storage.h"
#include "base/MacAddress.h"

extern char** environ;

namespace zentrel::e2e {
namespace {

constexpr char kGone[] = "00:B0:52:5A:00:09";     // seen once, no longer on the network
constexpr char kStation[] = "00:B0:52:5A:00:03";  // one of plcsim's stations

class SharedDirectoryE2e : public E2eTest {
protected:
    void TearDown() override {
        if (desktop_ > 0) {
            ::kill(desktop_, SIGKILL);
            ::waitpid(desktop_, nullptr, 0);
        }
        E2eTest::TearDown();
    }

    // The desktop program, offscreen, in the lab's directory and host namespace; message boxes
    // are printed on its stderr and answered at once.
    void StartDesktop() {
        const std::string dir = lab->Directory();
        ::mkdir((dir + "/run").c_str(), 0700);
        // The first entry of a name is the one a program reads.
        std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "ZENTREL_AUTO_ANSWER=1", "XDG_RUNTIME_DIR=" + dir + "/run"};
        for (char** e = environ; *e; ++e) env.emplace_back(*e);
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string program = ZENTREL_UTILITY;
        char* argv[] = {program.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (dir + "/desktop.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
        EXPECT_EQ(posix_spawn(&desktop_, argv[0], &actions, nullptr, argv, envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
    }

    int Zentrel(const std::string& args) {
        const std::string dir = lab->Directory();
        const std::string command = "cd '" + dir + "' && '" ZENTREL_CLI "' " + args + " >>'" + dir + "/cli.out' 2>&1";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // The password stored for a device, or "(none)" when plc.data holds no record of it.
    std::string Stored(const char* mac) {
        Views readerViews;
        Core reader(wire, messages, readerViews, clock, nullptr, lab->Directory());
        LoadDatabase(reader);
        const int at = FindHistoryByMacText(reader.db, mac);
        return at == 0 ? "(none)" : RecordText(reader.db.history[static_cast<std::size_t>(at - 1)].password, 118);
    }

    // Each save replaces plc.data by a new file: a new inode or a new modification time.
    std::pair<ino_t, long> Version() const {
        struct stat info {};
        if (::stat((lab->Directory() + "/" + kDatabaseFile).c_str(), &info) != 0) return {0, 0};
        return {info.st_ino, info.st_mtim.tv_sec * 1000000000L + info.st_mtim.tv_nsec};
    }

    bool Await(const std::function<bool()>& done, int seconds) const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    pid_t desktop_ = -1;
};

TEST_F(SharedDirectoryE2e, ForgetAndPasswordSurviveTheDesktopProgramsNextSaves) {
    E2E_PREPARE(1);
    std::string error;
    ASSERT_TRUE(lab->StartSim(0, {}, error)) << error;
    WriteFastPrefs(4);  // a cycle, and a save, about every 0.6 s
    auto& gone = core->db.history[0];
    std::memcpy(gone.mac, MacFromText(kGone).data(), 6);
    SetRecordText(gone.password, sizeof gone.password, "KILO-LIMA-MIKE-NOVA");
    core->db.historyCount = 1;
    SaveDatabase(*core);

    StartDesktop();
    ASSERT_TRUE(Await([&] { return Stored(kStation) == ""; }, 20)) << ReadText(lab->Directory() + "/desktop.err");
    ASSERT_EQ(Zentrel(std::string("forget ") + kGone + " --yes"), 0) << ReadText(lab->Directory() + "/cli.out");
    ASSERT_EQ(Zentrel(std::string("password ") + kStation + " ALFA-BRAV-OCHA-RLIE"), 0) << ReadText(lab->Directory() + "/cli.out");

    // Three saves of the desktop program later.
    for (int save = 0; save < 3; ++save) {
        const auto before = Version();
        ASSERT_TRUE(Await([&] { return Version() != before; }, 10)) << "save " << save;
    }
    EXPECT_EQ(Stored(kGone), "(none)");
    EXPECT_EQ(Stored(kStation), "ALFA-BRAV-OCHA-RLIE");
    EXPECT_EQ(::waitpid(desktop_, nullptr, WNOHANG), 0) << "the desktop program ended";
}

}  // namespace
}  // namespace zentrel::e2e
