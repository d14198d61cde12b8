#pragma once
// A throw-away network for one end-to-end test: two network namespaces, "host" (where the
// program under test runs, entered by the test thread) and "mains" (where plcsim runs), joined
// by veth pairs. Everything it creates is removed by PID and by name when it goes, also when
// the test fails or hangs (a watchdog tears down and ends the process at the deadline).
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/Wire.h"

namespace zentrel::e2e {

using MacBytes = std::array<std::uint8_t, 6>;

class NetnsLab {
public:
    // Empty when the harness can run here; otherwise why not (the test reports it as a skip).
    static std::string SkipReason();

    explicit NetnsLab(int pairs, int deadlineSeconds = 40);
    ~NetnsLab();
    NetnsLab(const NetnsLab&) = delete;
    NetnsLab& operator=(const NetnsLab&) = delete;

    // Creates the namespaces and pairs and moves the calling thread into the host namespace.
    bool Start(std::string& error);

    std::string HostInterface(int pair) const { return "zh" + std::to_string(pair); }
    std::string MainsInterface(int pair) const { return "zm" + std::to_string(pair); }
    MacBytes HostMac(int pair) const;
    const std::string& Directory() const { return directory_; }  // scratch files of this test

    // Starts plcsim on the mains end of `pair` and waits until its capture is open. Its stdout
    // goes to SimOutputPath(pair), its frame log to SimLogPath(pair). One simulator per pair.
    bool StartSim(int pair, const std::vector<std::string>& extraArgs, std::string& error);
    // SIGTERM, then wait (SIGKILL after 3 s); returns plcsim's exit status or -1. Without a pair
    // it stops every simulator and returns the status of the last one stopped.
    int StopSim(int pair = -1);
    std::string SimLogPath(int pair = 0) const { return directory_ + "/frames" + PairSuffix(pair) + ".log"; }
    std::string SimOutputPath(int pair = 0) const { return directory_ + "/plcsim" + PairSuffix(pair) + ".out"; }

    // A capture on the mains end, opened from inside the mains namespace, for tests that play
    // the far side themselves.
    std::unique_ptr<Capture> OpenMainsCapture(int pair, std::string& error);

private:
    static std::string PairSuffix(int pair) { return pair == 0 ? "" : std::to_string(pair); }
    void Cleanup();
    bool Ip(const std::string& args, std::string& error) const;
    bool EnterNamespace(const std::string& name);

    int pairs_;
    int deadlineSeconds_;
    std::string hostNs_;
    std::string mainsNs_;
    std::string directory_;
    int originalNs_ = -1;
    std::vector<std::pair<int, pid_t>> sims_;  // (pair, pid) of each running simulator
    bool started_ = false;
    struct Watchdog;
    std::unique_ptr<Watchdog> watchdog_;
};

// Reads a whole text file; empty when missing.
std::string ReadText(const std::string& path);
// Hex text (upper case, no separators) of bytes, as plcsim logs them.
std::string Hex(const std::uint8_t* bytes, std::size_t count);

}  // namespace zentrel::e2e
