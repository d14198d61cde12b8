#pragma once
// A core on the in-memory wire with virtual time, for the tests of the link layer.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>

#include "link/AdapterAccess.h"
#include "pages/Core.h"
#include "support/FakeClock.h"
#include "support/MemoryWire.h"
#include "support/RecordingMessages.h"

namespace zentrel::test {

struct WireCoreTest : ::testing::Test {
    // Adapters with these host MACs, each with an open capture.
    void OpenAdapters(std::initializer_list<Mac> hosts) {
        for (const Mac& host : hosts) wire.AddAdapter("eth" + std::to_string(wire.AdapterCount()), host);
        ASSERT_TRUE(EnumerateAdapters(core.link));
        for (int i = 0; i < wire.AdapterCount(); ++i) ASSERT_TRUE(OpenCapture(core.link, i));
    }

    FakeClock clock;
    MemoryWire wire{clock};
    RecordingMessages messages;
    Views views;
    Core core{wire, messages, views, clock, nullptr, std::filesystem::temp_directory_path()};
};

}  // namespace zentrel::test
