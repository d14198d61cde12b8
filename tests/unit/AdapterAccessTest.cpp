#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "link/AdapterAccess.h"
#include "pages/Core.h"
#include "support/FakeClock.h"
#include "support/MemoryWire.h"
#include "support/RecordingMessages.h"
#include "support/TestFrames.h"

namespace zentrel::test {
namespace {

const Mac kHostA = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kDevice = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x07};

struct AdapterAccessTest : ::testing::Test {
    FakeClock clock;
    MemoryWire wire{clock};
    RecordingMessages messages;
    Views views;
    Core core{wire, messages, views, clock, nullptr, std::filesystem::temp_directory_path()};

    void OpenOne() {
        wire.AddAdapter("eth0", kHostA);
        ASSERT_TRUE(EnumerateAdapters(core.link));
        ASSERT_TRUE(OpenCapture(core.link, 0));
    }
};

// The capture filter, in the classic-BPF text `tcpdump -dd` prints, kept under tests/data; the
// e2e tests run the same program in the kernel through libpcap.
TEST(HomePlugFilter, MatchesTheGoldenProgram) {
    std::ifstream in(ZENTREL_TEST_DATA "/homeplug_filter.txt");
    std::vector<BpfInstruction> golden;
    std::string line;
    while (std::getline(in, line)) {
        unsigned code = 0, jt = 0, jf = 0, k = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "{ %x, %u, %u, %x }", &code, &jt, &jf, &k), 4) << line;
        golden.push_back({static_cast<std::uint16_t>(code), static_cast<std::uint8_t>(jt), static_cast<std::uint8_t>(jf), k});
    }
    ASSERT_EQ(golden.size(), kHomePlugFilter.size());
    for (std::size_t i = 0; i < golden.size(); ++i) {
        EXPECT_EQ(kHomePlugFilter[i].code, golden[i].code) << i;
        EXPECT_EQ(kHomePlugFilter[i].jt, golden[i].jt) << i;
        EXPECT_EQ(kHomePlugFilter[i].jf, golden[i].jf) << i;
        EXPECT_EQ(kHomePlugFilter[i].k, golden[i].k) << i;
    }
}

TEST_F(AdapterAccessTest, EnumerationTakesTheFirstEightInListOrder) {
    EXPECT_TRUE(EnumerateAdapters(core.link));
    EXPECT_EQ(core.link.access.adapterCount, 0);
    for (int i = 0; i < 10; ++i) wire.AddAdapter("eth" + std::to_string(i), {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(i + 1)});
    wire.failEnumeration = true;
    EXPECT_FALSE(EnumerateAdapters(core.link));
    EXPECT_EQ(core.link.access.adapterCount, 0);
    wire.failEnumeration = false;
    wire.Adapter(1).macQueryFails = true;  // still counted, with an all-zero MAC
    ASSERT_TRUE(EnumerateAdapters(core.link));
    EXPECT_EQ(core.link.access.adapterCount, 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(core.link.access.slots[static_cast<std::size_t>(i)].hostMac[5], i == 1 ? 0 : i + 1);
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(OpenCapture(core.link, i)) << i;
    EXPECT_FALSE(OpenCapture(core.link, 8));
    EXPECT_FALSE(OpenCapture(core.link, -1));
    EXPECT_EQ(wire.Adapter(8).opens, 0);
    EXPECT_TRUE(OpenCapture(core.link, 0));  // already open: not opened twice
    EXPECT_EQ(wire.Adapter(0).opens, 1);
    EXPECT_EQ(wire.Adapter(0).filter.size(), kHomePlugFilter.size());
    EXPECT_TRUE(CloseAllCaptures(core.link));
    EXPECT_EQ(wire.OpenCaptures(), 0);
    EXPECT_FALSE(OpenCapture(core.link, 0));  // the device list is gone until the next enumeration
}

TEST_F(AdapterAccessTest, PermissionFailureNoticesOncePerCoreOtherFailuresNever) {
    wire.AddAdapter("eth0", kHostA);
    wire.AddAdapter("eth1", kDevice);
    wire.AddAdapter("eth2", kDevice);
    wire.Adapter(0).openFailure = OpenFailure::Permission;
    wire.Adapter(1).openFailure = OpenFailure::Permission;
    wire.Adapter(2).openFailure = OpenFailure::Other;
    std::vector<std::string> notices;
    core.onPermissionNotice = [&](const std::string& text) { notices.push_back(text); };
    for (int cycle = 0; cycle < 2; ++cycle) {
        CloseAllCaptures(core.link);
        ASSERT_TRUE(EnumerateAdapters(core.link));
        for (int i = 0; i < 3; ++i) EXPECT_FALSE(OpenCapture(core.link, i));
    }
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("sudo setcap cap_net_raw+ep "), std::string::npos);
    const std::uint8_t frame[60] = {};
    EXPECT_FALSE(SendFrame(core.link, 0, frame, 60));
    EXPECT_FALSE(ReceiveFrame(core.link, 0).has_value());
}

TEST_F(AdapterAccessTest, SendPadsToSixtyAndRefusesBeyond1514) {
    OpenOne();
    // Exactly sized heap buffers: reading past one shows up under AddressSanitizer.
    for (std::size_t length : {std::size_t{0}, std::size_t{18}, std::size_t{59}}) {
        auto buffer = std::make_unique<std::uint8_t[]>(length ? length : 1);
        for (std::size_t i = 0; i < length; ++i) buffer[i] = static_cast<std::uint8_t>(0xA0 + i);
        wire.ClearSent();
        ASSERT_TRUE(SendFrame(core.link, 0, buffer.get(), length)) << length;
        Bytes expected(60, 0);
        for (std::size_t i = 0; i < length; ++i) expected[i] = static_cast<std::uint8_t>(0xA0 + i);
        EXPECT_EQ(wire.Sent(0).at(0).bytes, expected) << length;
    }
    wire.ClearSent();
    std::vector<std::uint8_t> big(70000, 0x5A);
    EXPECT_TRUE(SendFrame(core.link, 0, big.data(), 1514));
    EXPECT_FALSE(SendFrame(core.link, 0, big.data(), 1515));
    EXPECT_FALSE(SendFrame(core.link, 0, big.data(), 65536 + 18));  // would wrap to a small 16-bit length
    ASSERT_EQ(wire.Sent(0).size(), 1u);
    EXPECT_EQ(wire.Sent(0)[0].bytes.size(), 1514u);
    EXPECT_FALSE(SendFrame(core.link, 1, big.data(), 60));  // no capture there
    wire.Adapter(0).sendFails = true;
    EXPECT_FALSE(SendFrame(core.link, 0, big.data(), 60));
}

TEST_F(AdapterAccessTest, ReceiveTakesOneFrameAtATimeWhenItsTimeHasCome) {
    OpenOne();
    wire.Deliver(0, HomePlug10Frame(kBroadcastMac, kDevice));
    wire.Reply(0, AvFrame(kDevice, kDevice, 0xA001, 80), 10);
    auto first = ReceiveFrame(core.link, 0);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ((*first)[13], 0x7B);
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(ReceiveFrame(core.link, 0).has_value()) << i;  // 1 ms each
    const auto second = ReceiveFrame(core.link, 0);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->size(), 80u);
    EXPECT_TRUE(CloseAllCaptures(core.link));
    EXPECT_TRUE(core.link.access.received.empty());
}

}  // namespace
}  // namespace zentrel::test
