#include "NetnsLab.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <iterator>
#include <thread>

#include "link/pcap/PcapWire.h"

#ifndef ZENTREL_PLCSIM
#error "ZENTREL_PLCSIM must name the plcsim binary"
#endif

namespace zentrel::e2e {
namespace {

std::atomic<int> labCounter{0};

bool Ip(const std::string& args, std::string& error) {
    const std::string command = "ip " + args + " >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) return true;
    error = "failed: " + command;
    return false;
}

bool EnterNamespace(const std::string& name) {
    const int fd = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

}  // namespace

std::string NetnsLab::SkipReason() {
    if (::geteuid() != 0) return "end-to-end tests need root (they create network namespaces and veth pairs)";
    if (std::system("ip netns list >/dev/null 2>&1") != 0) return "the 'ip' tool (iproute2) with netns support is missing";
    if (::access(ZENTREL_PLCSIM, X_OK) != 0) return std::string("plcsim not built at ") + ZENTREL_PLCSIM;
    return {};
}

NetnsLab::NetnsLab(int deadlineSeconds) : deadlineSeconds_(deadlineSeconds) {
    // A random part too: a lab that was killed leaves its names behind, and process ids come back.
    const std::string tag =
        std::to_string(::getpid()) + "x" + std::to_string(labCounter++) + "r" + std::to_string(std::random_device{}() % 1000000);
    hostNs_ = "zth" + tag;
    mainsNs_ = "ztm" + tag;
    directory_ = (std::filesystem::temp_directory_path() / ("zentrel-e2e-" + tag)).string();
}

NetnsLab::~NetnsLab() {
    if (watchdog_.joinable()) {
        finished_.set_value();
        watchdog_.join();
    }
    Cleanup();
}

bool NetnsLab::Start(std::string& error) {
    std::filesystem::create_directories(directory_);
    originalNs_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    if (originalNs_ < 0) {
        error = "cannot open the current network namespace";
        return false;
    }
    started_ = true;

    // Tears everything down if the test has not finished by its deadline: a hung exchange must not
    // leave namespaces or simulators behind.
    watchdog_ = std::thread([this, finished = finished_.get_future()] {
        if (finished.wait_for(std::chrono::seconds(deadlineSeconds_)) == std::future_status::ready) return;
        std::fprintf(stderr, "e2e: deadline of %d s passed, tearing down\n", deadlineSeconds_);
        Cleanup();
        std::_Exit(1);
    });

    char mac[18];
    std::snprintf(mac, sizeof mac, "%02x:%02x:%02x:%02x:%02x:%02x", kHostMac[0], kHostMac[1], kHostMac[2],
                  kHostMac[3], kHostMac[4], kHostMac[5]);
    const std::string host = kHostInterface, mains = kMainsInterface;
    for (const std::string& args : {"netns add " + hostNs_, "netns add " + mainsNs_,
                                    "-n " + hostNs_ + " link add " + host + " address " + mac + " type veth peer name " +
                                        mains + " netns " + mainsNs_,
                                    "-n " + hostNs_ + " link set " + host + " up", "-n " + mainsNs_ + " link set " + mains + " up"})
        if (!Ip(args, error)) return false;
    if (EnterNamespace(hostNs_)) return true;
    error = "cannot enter namespace " + hostNs_;
    return false;
}

bool NetnsLab::StartSim(const std::vector<std::string>& extraArgs, std::string& error) {
    const std::string ready = directory_ + "/plcsim.ready", output = directory_ + "/plcsim.out";
    std::filesystem::remove(ready);
    std::vector<std::string> args = {ZENTREL_PLCSIM, "-i", kMainsInterface, "--log", directory_ + "/frames.log",
                                     "--ready-file", ready};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    const std::string mainsPath = "/run/netns/" + mainsNs_;
    const pid_t parent = ::getpid();

    sim_ = ::fork();
    if (sim_ == 0) {
        // Dies with the test process, whatever kills it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        const int nsFd = ::open(mainsPath.c_str(), O_RDONLY);
        if (nsFd < 0 || ::setns(nsFd, CLONE_NEWNET) != 0) ::_exit(126);
        // plcsim plays hardware, which answers within its own delay however busy the host is. On a
        // loaded machine an ordinary process waits 100 ms and more for the processor, past the
        // program's 50 ms time-outs; the lowest real-time priority runs plcsim as soon as a frame
        // comes (it sleeps in between, so it takes nothing from the others).
        const sched_param realTime{.sched_priority = 1};
        ::sched_setscheduler(0, SCHED_FIFO, &realTime);
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0 && ::dup2(out, STDOUT_FILENO) >= 0) ::dup2(out, STDERR_FILENO);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    for (int waited = 0; sim_ > 0 && waited < 5000; waited += 10) {
        if (std::filesystem::exists(ready)) return true;
        if (::waitpid(sim_, nullptr, WNOHANG) == sim_) {
            sim_ = -1;
            error = "plcsim ended at start: " + ReadText(output);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    error = sim_ < 0 ? "fork failed" : "plcsim did not get ready within 5 s";
    return false;
}

int NetnsLab::StopSim() {
    if (sim_ < 0) return -1;
    int status = 0;
    ::kill(sim_, SIGTERM);
    for (int waited = 0; ::waitpid(sim_, &status, WNOHANG) == 0; waited += 10) {
        if (waited == 3000) ::kill(sim_, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    sim_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::unique_ptr<Capture> NetnsLab::OpenCapture(bool mainsEnd, std::string& error) {
    // The socket belongs to the namespace it was made in, so it keeps working on the mains end
    // after the thread goes back to the host namespace.
    if (mainsEnd && !EnterNamespace(mainsNs_)) {
        error = "cannot enter namespace " + mainsNs_;
        return nullptr;
    }
    static const BpfInstruction kPassAll[1] = {{0x06, 0, 0, 0xFFFFFFFF}};
    PcapWire wire;
    OpenFailure failure = OpenFailure::None;
    auto capture = wire.Open(WireAdapter{mainsEnd ? kMainsInterface : kHostInterface, ""}, kPassAll, failure, error);
    if (mainsEnd && !EnterNamespace(hostNs_)) {
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
    if (sim_ > 0) {
        ::kill(sim_, SIGKILL);
        ::waitpid(sim_, nullptr, 0);
        sim_ = -1;
    }
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
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace zentrel::e2e
