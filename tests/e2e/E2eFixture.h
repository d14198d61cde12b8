#pragma once
// The fixture every end-to-end test shares: a lab with its veth pairs and a core on the real
// libpcap wire, rooted in the lab's scratch directory.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include <fstream>
#include <memory>
#include <string>

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
    bool Prepare(int pairs) {
        const std::string reason = NetnsLab::SkipReason();
        if (!reason.empty()) {
            skipReason_ = reason;
            return false;
        }
        lab = std::make_unique<NetnsLab>(pairs);
        std::string error;
        if (!lab->Start(error)) {
            ADD_FAILURE() << error;
            return false;
        }
        core = std::make_unique<Core>(wire, messages, views, clock, nullptr, lab->Directory());
        return true;
    }

    void TearDown() override {
        core.reset();
        lab.reset();
    }

    struct CliRun {
        int status = -1;
        std::string out, err;
    };
    // Runs `zentrel ARGS` as the user does: its own process in the lab's directory, in the host
    // namespace this thread is in.
    CliRun Zentrel(const std::string& args) const {
        const std::string dir = lab->Directory();
        const std::string command =
            "cd '" + dir + "' && '" ZENTREL_CLI "' " + args + " >'" + dir + "/cli.out' 2>'" + dir + "/cli.err'";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadText(dir + "/cli.out"), ReadText(dir + "/cli.err")};
    }
    // A file in the lab's directory.
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream out(lab->Directory() + "/" + name, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    // OEMPrefs.dat with the defaults but `ticks` ticks per phase, so cycles come quickly.
    void WriteFastPrefs(int ticks) {
        std::string b(267, '\0');
        auto put16 = [&](std::size_t at, int v) {
            b[at] = static_cast<char>(v & 0xFF);
            b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
        };
        put16(0, ticks);
        put16(10, 24);   // showIcons
        put16(14, 1);
        put16(16, 1);    // autoScan
        put16(18, 10);
        put16(20, 310);
        put16(22, 80);
        put16(24, 25);
        put16(26, 1);
        put16(28, 1);
        put16(30, 1);    // use12HourClock
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
    std::unique_ptr<Core> core;
};

// GTEST_SKIP must run in the test body itself.
#define E2E_PREPARE(pairs)                                          \
    do {                                                            \
        if (!Prepare(pairs)) {                                      \
            if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;  \
            return;                                                 \
        }                                                           \
    } while (0)

}  // namespace zentrel::e2e
