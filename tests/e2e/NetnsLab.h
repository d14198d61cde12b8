#pragma once
// A throw-away network for one end-to-end test: two network namespaces, "host" (where the
// program under test runs, entered by the test thread) and "mains" (where plcsim runs), joined
// by a veth pair. Everything it creates is removed by PID and by name when it goes, also when
// the test fails or hangs (a watchdog tears down and ends the process at the deadline).
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/Wire.h"

namespace zentrel::e2e {

using MacBytes = std::array<std::uint8_t, 6>;

class NetnsLab {
public:
    // Empty when the harness can run here; otherwise why not (the test reports it as a skip).
    static std::string SkipReason();

    explicit NetnsLab(int deadlineSeconds = 40);
    ~NetnsLab();

    // Creates the namespaces and the pair and moves the calling thread into the host namespace.
    bool Start(std::string& error);

    static constexpr const char* kHostInterface = "zh0";
    static constexpr const char* kMainsInterface = "zm0";
    static constexpr MacBytes kHostMac{0x02, 0x5A, 0x00, 0x00, 0x00, 0x10};
    const std::string& Directory() const { return directory_; }  // scratch files of this test

    // Starts plcsim on the mains end and waits until its capture is open. Its stdout goes to
    // plcsim.out in Directory(), its frame log to frames.log.
    bool StartSim(const std::vector<std::string>& extraArgs, std::string& error);
    // SIGTERM, then wait (SIGKILL after 3 s); plcsim's exit status, or -1.
    int StopSim();

    // A capture that sees every frame on one end of the pair. The mains end is opened from inside
    // the mains namespace, for tests that play the far side themselves.
    std::unique_ptr<Capture> OpenCapture(bool mainsEnd, std::string& error);

private:
    void Cleanup();

    int deadlineSeconds_;
    std::string hostNs_, mainsNs_, directory_;
    int originalNs_ = -1;
    pid_t sim_ = -1;
    bool started_ = false;
    std::promise<void> finished_;
    std::thread watchdog_;
};

// Reads a whole text file; empty when missing.
std::string ReadText(const std::string& path);

}  // namespace zentrel::e2e
