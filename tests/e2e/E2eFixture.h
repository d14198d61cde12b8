#pragma once
// The fixture every end-to-end test shares: a lab with its veth pairs and a core on the real
// libpcap wire, rooted in the lab's scratch directory.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "NetnsLab.h"
#include "link/Clock.h"
#include "link/pcap/PcapWire.h"
#include "registry/Core.h"
#include "registry/Views.h"
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
