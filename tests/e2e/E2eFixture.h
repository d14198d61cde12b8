#pragma once
// The fixture every end-to-end test shares: a lab with its veth pair and a core on the real
// libpcap wire, rooted in the lab's scratch directory.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "NetnsLab.h"
#include "base/Clock.h"
#include "link/pcap/PcapWire.h"
#include "pages/Core.h"
#include "pages/Views.h"
#include "support/RecordingMessages.h"

namespace zentrel::e2e {

class E2eTest : public ::testing::Test {
protected:
    // Skips the test with the reason when the host cannot run it; false when the test must stop.
    bool Prepare() {
        skipReason_ = NetnsLab::SkipReason();
        if (!skipReason_.empty()) return false;
        lab = std::make_unique<NetnsLab>();
        std::string error;
        if (!lab->Start(error)) {
            ADD_FAILURE() << error;
            return false;
        }
        core = std::make_unique<Core>(wire, messages, views, clock, nullptr, lab->Directory());
        return true;
    }

    // Starts plcsim with `args`; a failure is reported.
    bool Sim(const std::vector<std::string>& args = {}) {
        std::string error;
        const bool started = lab->StartSim(args, error);
        if (!started) ADD_FAILURE() << error;
        return started;
    }

    struct CliRun {
        int status = -1;
        std::string out, err;
    };
    // `command` through sh as the user runs it: its own process in the lab's directory, in the
    // host namespace this thread is in, "ZENTREL" standing for the program, `input` on stdin.
    CliRun Shell(std::string command, const std::string& input = "") {
        for (std::size_t at; (at = command.find("ZENTREL")) != std::string::npos;) command.replace(at, 7, ZENTREL_CLI);
        Write("in.txt", input);
        const int raw = std::system(("cd '" + lab->Directory() + "' && (" + command + ") <in.txt >out.txt 2>err.txt").c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Read("out.txt"), Read("err.txt")};
    }
    CliRun Zentrel(const std::string& args) { return Shell("ZENTREL " + args); }

    // A file in the lab's directory.
    std::string Path(const std::string& name) const { return lab->Directory() + "/" + name; }
    std::string Read(const std::string& name) const { return ReadText(Path(name)); }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(Path(name), std::ios::binary | std::ios::trunc) << bytes;
    }

    // OEMPrefs.dat with the defaults but `ticks` ticks per phase, so cycles come quickly.
    void WriteFastPrefs(int ticks, int autoScan = 1) {
        std::string b(267, '\0');
        // Ticks, showIcons (10), autoScan (16), use12HourClock (30) and the rest of the defaults.
        for (const auto& [at, v] : {std::pair{0, ticks}, {10, 24}, {14, 1}, {16, autoScan}, {18, 10}, {20, 310}, {22, 80},
                                    {24, 25}, {26, 1}, {28, 1}, {30, 1}}) {
            b[static_cast<std::size_t>(at)] = static_cast<char>(v & 0xFF);
            b[static_cast<std::size_t>(at) + 1] = static_cast<char>((v >> 8) & 0xFF);
        }
        b.replace(32, 7, "http://");
        b.replace(96, 15, "Zentrel Utility");
        Write("OEMPrefs.dat", b);
    }

    std::string skipReason_;
    PcapWire wire;
    test::RecordingMessages messages;
    Views views;
    SystemClock clock;
    std::unique_ptr<NetnsLab> lab;
    std::unique_ptr<Core> core;  // goes first, while its wire and the lab are still there
};

// GTEST_SKIP must run in the test body itself.
#define E2E_PREPARE()                                               \
    do {                                                            \
        if (!Prepare()) {                                           \
            if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;  \
            return;                                                 \
        }                                                           \
    } while (0)

}  // namespace zentrel::e2e
