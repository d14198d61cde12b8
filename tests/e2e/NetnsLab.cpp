#include "NetnsLab.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "link/pcap/PcapWire.h"

#ifndef ZENTREL_PLCSIM
#error "ZENTREL_PLCSIM must name the plcsim binary"
#endif

namespace zentrel::e2e {
namespace {

std::atomic<int> labCounter{0};

bool WaitForExit(pid_t pid, int milliseconds, int& status) {
    for (int waited = 0; waited <= milliseconds; waited += 10) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || done < 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The test's own captures on the far end see everything.
const BpfInstruction kPassAll[1] = {{0x06, 0, 0, 0xFFFFFFFF}};

}  // namespace

// Tears everything down if the test has not finished by its deadline: a hung exchange must not
// leave namespaces or simulators behind.
struct NetnsLab::Watchdog {
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
    std::thread thread;
};

std::string NetnsLab::SkipReason() {
    if (::geteuid() != 0) return "end-to-end tests need root (they create network namespaces and veth pairs)";
    if (std::system("ip netns list >/dev/null 2>&1") != 0) return "the 'ip' tool (iproute2) with netns support is missing";
    if (::access(ZENTREL_PLCSIM, X_OK) != 0) return std::string("plcsim not built at ") + ZENTREL_PLCSIM;
    return {};
}

NetnsLab::NetnsLab(int pairs, int deadlineSeconds) : pairs_(pairs), deadlineSeconds_(deadlineSeconds) {
    const std::string tag = std::to_string(::getpid()) + "x" + std::to_string(labCounter++);
    hostNs_ = "zth" + tag;
    mainsNs_ = "ztm" + tag;
    directory_ = (std::filesystem::temp_directory_path() / ("zentrel-e2e-" + tag)).string();
}

NetnsLab::~NetnsLab() {
    if (watchdog_) {
        {
            std::lock_guard<std::mutex> lock(watchdog_->mutex);
            watchdog_->done = true;
        }
        watchdog_->wake.notify_all();
        if (watchdog_->thread.joinable()) watchdog_->thread.join();
    }
    Cleanup();
}

bool NetnsLab::Ip(const std::string& args, std::string& error) const {
    const std::string command = "ip " + args + " >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) return true;
    error = "failed: " + command;
    return false;
}

bool NetnsLab::EnterNamespace(const std::string& name) {
    const int fd = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::setns(fd, CLONE_NEWNET) == 0;
    ::close(fd);
    return ok;
}

MacBytes NetnsLab::HostMac(int pair) const {
    return MacBytes{0x02, 0x5A, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(0x10 + pair)};
}

bool NetnsLab::Start(std::string& error) {
    std::filesystem::create_directories(directory_);
    originalNs_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    if (originalNs_ < 0) {
        error = "cannot open the current network namespace";
        return false;
    }
    started_ = true;

    watchdog_ = std::make_unique<Watchdog>();
    watchdog_->thread = std::thread([this] {
        std::unique_lock<std::mutex> lock(watchdog_->mutex);
        if (watchdog_->wake.wait_for(lock, std::chrono::seconds(deadlineSeconds_), [this] { return watchdog_->done; }))
            return;
        std::fprintf(stderr, "e2e: deadline of %d s passed, tearing down\n", deadlineSeconds_);
        Cleanup();
        std::_Exit(1);
    });

    if (!Ip("netns add " + hostNs_, error) || !Ip("netns add " + mainsNs_, error)) return false;
    for (int pair = 0; pair < pairs_; ++pair) {
        char mac[18];
        const MacBytes bytes = HostMac(pair);
        std::snprintf(mac, sizeof mac, "%02x:%02x:%02x:%02x:%02x:%02x", bytes[0], bytes[1], bytes[2], bytes[3],
                      bytes[4], bytes[5]);
        if (!Ip("-n " + hostNs_ + " link add " + HostInterface(pair) + " address " + mac + " type veth peer name " +
                    MainsInterface(pair) + " netns " + mainsNs_,
                error) ||
            !Ip("-n " + hostNs_ + " link set " + HostInterface(pair) + " up", error) ||
            !Ip("-n " + mainsNs_ + " link set " + MainsInterface(pair) + " up", error))
            return false;
    }
    if (!EnterNamespace(hostNs_)) {
        error = "cannot enter namespace " + hostNs_;
        return false;
    }
    return true;
}

bool NetnsLab::StartSim(int pair, const std::vector<std::string>& extraArgs, std::string& error) {
    const std::string ready = directory_ + "/plcsim" + PairSuffix(pair) + ".ready";
    std::filesystem::remove(ready);
    std::vector<std::string> args = {ZENTREL_PLCSIM, "-i", MainsInterface(pair), "--log", SimLogPath(pair),
                                     "--ready-file", ready};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    const std::string mainsPath = "/run/netns/" + mainsNs_;
    const std::string output = SimOutputPath(pair);
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid < 0) {
        error = "fork failed";
        return false;
    }
    if (pid == 0) {
        // Dies with the test process, whatever kills it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        const int nsFd = ::open(mainsPath.c_str(), O_RDONLY);
        if (nsFd < 0 || ::setns(nsFd, CLONE_NEWNET) != 0) ::_exit(126);
        // plcsim plays hardware, which answers within its own delay however busy the host is. On a
        // loaded machine an ordinary process waits 100 ms and more for the processor, past the
        // program's 50 ms time-outs; the lowest real-time priority runs plcsim as soon as a frame
        // comes (it sleeps in between, so it takes nothing from the others).
        sched_param realTime{};
        realTime.sched_priority = 1;
        ::sched_setscheduler(0, SCHED_FIFO, &realTime);
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    sims_.emplace_back(pair, pid);
    for (int waited = 0; waited < 5000; waited += 10) {
        if (std::filesystem::exists(ready)) return true;
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            sims_.pop_back();
            error = "plcsim ended at start: " + ReadText(output);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    error = "plcsim did not get ready within 5 s";
    return false;
}

int NetnsLab::StopSim(int pair) {
    int result = -1;
    for (auto it = sims_.begin(); it != sims_.end();) {
        if (pair >= 0 && it->first != pair) {
            ++it;
            continue;
        }
        const pid_t pid = it->second;
        int status = 0;
        ::kill(pid, SIGTERM);
        if (!WaitForExit(pid, 3000, status)) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        it = sims_.erase(it);
    }
    return result;
}

std::unique_ptr<Capture> NetnsLab::OpenMainsCapture(int pair, std::string& error) {
    // The socket belongs to the namespace it was made in, so it keeps working on the mains end
    // after the thread goes back to the host namespace.
    if (!EnterNamespace(mainsNs_)) {
        error = "cannot enter namespace " + mainsNs_;
        return nullptr;
    }
    PcapWire wire;
    OpenFailure failure = OpenFailure::None;
    auto capture = wire.Open(WireAdapter{MainsInterface(pair), ""}, kPassAll, failure, error);
    if (!EnterNamespace(hostNs_)) {
        error = "cannot return to namespace " + hostNs_;
        return nullptr;
    }
    return capture;
}

void NetnsLab::Cleanup() {
    static std::mutex cleanupMutex;
    std::lock_guard<std::mutex> lock(cleanupMutex);
    if (!started_) return;
    started_ = false;
    for (const auto& [pair, pid] : sims_) {
        int status = 0;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    sims_.clear();
    if (originalNs_ >= 0) {
        ::setns(originalNs_, CLONE_NEWNET);
        ::close(originalNs_);
        originalNs_ = -1;
    }
    std::string ignored;
    // Deleting a namespace also deletes the veth ends inside it.
    Ip("netns del " + hostNs_, ignored);
    Ip("netns del " + mainsNs_, ignored);
    std::error_code ec;
    if (!std::getenv("ZENTREL_E2E_KEEP")) std::filesystem::remove_all(directory_, ec);
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(2 * count, '0');
    for (std::size_t i = 0; i < count; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace zentrel::e2e
