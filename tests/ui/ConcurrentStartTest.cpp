// Ten copies of the desktop program started at once: exactly one keeps running, the others show
// the refusal and end with status 0. The programs run offscreen with ZENTREL_AUTO_ANSWER=1, so
// the refusal box is printed on stderr and closed at once instead of waiting for a click.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef ZENTREL_UTILITY

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool HaveUnshare() { return std::system("unshare --net true >/dev/null 2>&1") == 0; }

TEST(ConcurrentStart, TenCopiesAtOnceLeaveExactlyOneRunning) {
    constexpr int kCopies = 10;
    const fs::path dir = fs::temp_directory_path() / ("zentrel-starts-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::permissions(dir, fs::perms::owner_all);  // as a runtime directory must be

    // The lock lives in the runtime directory; a private one keeps other copies on this machine
    // out of the count. Copies are run in an empty network namespace where possible, so that the
    // survivor's scan touches no real adapter.
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + dir.string(), "ZENTREL_AUTO_ANSWER=1",
                                    "QT_QPA_PLATFORM=offscreen"};
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("XDG_RUNTIME_DIR=", 0) != 0 && entry.rfind("ZENTREL_AUTO_ANSWER=", 0) != 0 &&
            entry.rfind("QT_QPA_PLATFORM=", 0) != 0)
            env.push_back(entry);
    }
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args;
    if (HaveUnshare()) args = {"unshare", "--net"};
    args.push_back(ZENTREL_UTILITY);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<pid_t> pids;
    for (int i = 0; i < kCopies; ++i) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (dir / ("err." + std::to_string(i))).c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
        pid_t pid = -1;
        const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(rc, 0) << std::strerror(rc);
        pids.push_back(pid);
    }

    // Wait until all but one have ended (generously: ten Qt start-ups on a busy machine).
    std::vector<int> status(kCopies, -1);
    std::vector<bool> ended(kCopies, false);
    int endedCount = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (endedCount < kCopies - 1 && std::chrono::steady_clock::now() < deadline) {
        for (int i = 0; i < kCopies; ++i) {
            if (ended[i]) continue;
            int raw = 0;
            if (::waitpid(pids[i], &raw, WNOHANG) == pids[i]) {
                ended[i] = true;
                status[i] = raw;
                ++endedCount;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The survivor keeps running: give a late refusal a moment to show up, then look again.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (int i = 0; i < kCopies; ++i) {
        int raw = 0;
        if (!ended[i] && ::waitpid(pids[i], &raw, WNOHANG) == pids[i]) {
            ended[i] = true;
            status[i] = raw;
            ++endedCount;
        }
    }

    const std::string refusal =
        "Attention!: The Zentrel Utility is already running.\nOnly one copy can run at a time.\n";
    int survivors = 0;
    for (int i = 0; i < kCopies; ++i) {
        const std::string err = ReadAll(dir / ("err." + std::to_string(i)));
        if (!ended[i]) {
            ++survivors;
            EXPECT_EQ(err.find("already running"), std::string::npos) << err;
            ::kill(pids[i], SIGKILL);
            ::waitpid(pids[i], nullptr, 0);
            continue;
        }
        EXPECT_TRUE(WIFEXITED(status[i]) && WEXITSTATUS(status[i]) == 0) << "copy " << i << " status " << status[i];
        EXPECT_NE(err.find(refusal), std::string::npos) << "copy " << i << " printed:\n" << err;
    }
    EXPECT_EQ(survivors, 1);
    fs::remove_all(dir);
}

}  // namespace

#endif  // ZENTREL_UTILITY
