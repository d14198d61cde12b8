#include <gtest/gtest.h>

#include <filesystem>

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

    Mac SlotMac(int i) {
        Mac m;
        std::copy(std::begin(core.link.access.slots[static_cast<std::size_t>(i)].hostMac),
                  std::end(core.link.access.slots[static_cast<std::size_t>(i)].hostMac), m.begin());
        return m;
    }
};

TEST(HomePlugFilter, PassesOnlyTheTwoHomePlugEthertypesWhateverTheAddresses) {
    struct Case {
        std::uint16_t etherType;
        Mac destination;
        std::size_t length;
        bool accepted;
    };
    const Case cases[] = {
        {0x88E1, kHostA, 60, true},         {0x887B, kHostA, 60, true},  {0x88E1, kBroadcastMac, 1514, true},
        {0x887B, kDevice, 60, true},        {0x0800, kHostA, 60, false}, {0x86DD, kHostA, 60, false},
        {0x88E0, kHostA, 60, false},        {0xE188, kHostA, 60, false}, {0x7B88, kHostA, 60, false},
        {0x0806, kBroadcastMac, 60, false},
    };
    for (const Case& c : cases) {
        const Bytes frame = EthernetFrame(c.destination, kDevice, c.etherType, c.length);
        const std::uint32_t result = RunBpf(kHomePlugFilter, frame);
        EXPECT_EQ(result != 0, c.accepted) << std::hex << c.etherType;
        if (c.accepted) {
            EXPECT_EQ(result, 0xFFFFFFFFu);
        }
    }
    // A runt without an ethertype cannot be loaded and is dropped.
    const Bytes runt(13, 0x88);
    EXPECT_EQ(RunBpf(kHomePlugFilter, runt), 0u);
}

TEST_F(AdapterAccessTest, NoAdaptersEnumeratesTrueWithCountZero) {
    EXPECT_TRUE(EnumerateAdapters(core.link));
    EXPECT_EQ(core.link.access.adapterCount, 0);
    EXPECT_FALSE(OpenCapture(core.link, 0));
}

TEST_F(AdapterAccessTest, EnumerationFailureGivesFalseAndNoAdapters) {
    wire.AddAdapter("eth0", kHostA);
    wire.failEnumeration = true;
    EXPECT_FALSE(EnumerateAdapters(core.link));
    EXPECT_EQ(core.link.access.adapterCount, 0);
}

TEST_F(AdapterAccessTest, TakesTheFirstEightOfTenInListOrder) {
    for (int i = 0; i < 10; ++i)
        wire.AddAdapter("eth" + std::to_string(i), {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(i + 1)});
    ASSERT_TRUE(EnumerateAdapters(core.link));
    EXPECT_EQ(core.link.access.adapterCount, 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(SlotMac(i)[5], i + 1);
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(OpenCapture(core.link, i)) << i;
    EXPECT_FALSE(OpenCapture(core.link, 8));
    EXPECT_EQ(wire.Adapter(8).opens, 0);
    EXPECT_EQ(wire.Adapter(9).opens, 0);
}

TEST_F(AdapterAccessTest, FailedMacQueryIsCountedWithZeroMac) {
    wire.AddAdapter("eth0", kHostA);
    wire.AddAdapter("eth1", {0x02, 0, 0, 0, 0, 2});
    wire.Adapter(0).macQueryFails = true;
    ASSERT_TRUE(EnumerateAdapters(core.link));
    EXPECT_EQ(core.link.access.adapterCount, 2);
    EXPECT_EQ(SlotMac(0), Mac{});
    EXPECT_EQ(SlotMac(1)[5], 2);
}

TEST_F(AdapterAccessTest, OpenInstallsTheFilterAndIsIdempotent) {
    wire.AddAdapter("eth0", kHostA);
    ASSERT_TRUE(EnumerateAdapters(core.link));
    EXPECT_FALSE(OpenCapture(core.link, -1));
    EXPECT_TRUE(OpenCapture(core.link, 0));
    EXPECT_TRUE(OpenCapture(core.link, 0));
    EXPECT_EQ(wire.Adapter(0).opens, 1);
    ASSERT_EQ(wire.Adapter(0).filter.size(), 7u);
    EXPECT_EQ(wire.Adapter(0).filter[4].k, 0x88E1u);
    EXPECT_TRUE(CloseCapture(core.link, 0));
    EXPECT_EQ(wire.OpenCaptures(), 0);
    EXPECT_TRUE(CloseCapture(core.link, 0));
}

TEST_F(AdapterAccessTest, PermissionFailureNoticesOncePerCore) {
    wire.AddAdapter("eth0", kHostA);
    wire.AddAdapter("eth1", kDevice);
    wire.Adapter(0).openFailure = OpenFailure::Permission;
    wire.Adapter(1).openFailure = OpenFailure::Permission;
    std::vector<std::string> notices;
    core.onPermissionNotice = [&](const std::string& text) { notices.push_back(text); };
    for (int cycle = 0; cycle < 2; ++cycle) {
        CloseAllCaptures(core.link);
        ASSERT_TRUE(EnumerateAdapters(core.link));
        EXPECT_FALSE(OpenCapture(core.link, 0));
        EXPECT_FALSE(OpenCapture(core.link, 1));
    }
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("sudo setcap cap_net_raw+ep "), std::string::npos);
    EXPECT_NE(notices[0].find("with sudo"), std::string::npos);
    const std::uint8_t frame[60] = {};
    EXPECT_FALSE(SendFrame(core.link, 0, frame, 60));
    EXPECT_FALSE(ReceiveFrame(core.link, 0).has_value());
}

TEST_F(AdapterAccessTest, OtherOpenFailureGivesNoNotice) {
    wire.AddAdapter("eth0", kHostA);
    wire.Adapter(0).openFailure = OpenFailure::Other;
    int notices = 0;
    core.onPermissionNotice = [&](const std::string&) { ++notices; };
    ASSERT_TRUE(EnumerateAdapters(core.link));
    EXPECT_FALSE(OpenCapture(core.link, 0));
    EXPECT_EQ(notices, 0);
}

struct SendTest : AdapterAccessTest {
    void SetUp() override {
        wire.AddAdapter("eth0", kHostA);
        ASSERT_TRUE(EnumerateAdapters(core.link));
        ASSERT_TRUE(OpenCapture(core.link, 0));
    }
};

TEST_F(SendTest, PadsShortFramesToSixtyWithoutReadingPastTheBuffer) {
    // An exactly sized heap buffer: reading past it shows up under AddressSanitizer.
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{18}, std::size_t{59}}) {
        auto buffer = std::make_unique<std::uint8_t[]>(length ? length : 1);
        for (std::size_t i = 0; i < length; ++i) buffer[i] = static_cast<std::uint8_t>(0xA0 + i);
        wire.ClearSent();
        ASSERT_TRUE(SendFrame(core.link, 0, buffer.get(), length)) << length;
        ASSERT_EQ(wire.Sent(0).size(), 1u);
        const auto& sent = wire.Sent(0)[0].bytes;
        ASSERT_EQ(sent.size(), 60u);
        for (std::size_t i = 0; i < 60; ++i) {
            EXPECT_EQ(sent[i], i < length ? static_cast<std::uint8_t>(0xA0 + i) : 0) << length << "@" << i;
        }
    }
}

TEST_F(SendTest, SendsUpTo1514AndRefusesLonger) {
    std::vector<std::uint8_t> big(70000, 0x5A);
    EXPECT_TRUE(SendFrame(core.link, 0, big.data(), 60));
    EXPECT_TRUE(SendFrame(core.link, 0, big.data(), 1514));
    EXPECT_FALSE(SendFrame(core.link, 0, big.data(), 1515));
    // A length that would wrap to a small 16-bit value is still refused.
    EXPECT_FALSE(SendFrame(core.link, 0, big.data(), 65536 + 18));
    ASSERT_EQ(wire.Sent(0).size(), 2u);
    EXPECT_EQ(wire.Sent(0)[0].bytes.size(), 60u);
    EXPECT_EQ(wire.Sent(0)[1].bytes.size(), 1514u);
}

TEST_F(SendTest, SendWithoutHandleOrOnFailingWireIsFalse) {
    const std::uint8_t frame[60] = {};
    EXPECT_FALSE(SendFrame(core.link, 1, frame, 60));
    EXPECT_FALSE(SendFrame(core.link, 9, frame, 60));
    wire.Adapter(0).sendFails = true;
    EXPECT_FALSE(SendFrame(core.link, 0, frame, 60));
}

TEST_F(SendTest, ReceiveFetchesOneFilteredFrameAtATime) {
    wire.Deliver(0, EthernetFrame(kHostA, kDevice, 0x0800));
    wire.Deliver(0, HomePlug10Frame(kBroadcastMac, kDevice));
    wire.Deliver(0, AvFrame(kDevice, kDevice, 0xA001, 80));
    auto first = ReceiveFrame(core.link, 0);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ((*first)[13], 0x7B);  // the IPv4 frame never arrives
    auto second = ReceiveFrame(core.link, 0);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->size(), 80u);
    EXPECT_EQ((*second)[15], 0x01);
    const std::uint32_t before = clock.TickMs();
    EXPECT_FALSE(ReceiveFrame(core.link, 0).has_value());
    EXPECT_LE(clock.TickMs() - before, 1u);  // an empty poll waits about 1 ms
}

TEST_F(SendTest, FramesDueLaterArriveWhenTheirTimeComes) {
    wire.Reply(0, AvFrame(kHostA, kDevice, 0xA039), 10);
    for (int i = 0; i < 9; ++i) EXPECT_FALSE(ReceiveFrame(core.link, 0).has_value());
    clock.Advance(1);
    EXPECT_TRUE(ReceiveFrame(core.link, 0).has_value());
}

TEST_F(SendTest, CloseAllClosesEverySlotAndDropsTheCopy) {
    wire.Deliver(0, AvFrame(kHostA, kDevice, 0xA001));
    ASSERT_TRUE(ReceiveFrame(core.link, 0).has_value());
    EXPECT_TRUE(CloseAllCaptures(core.link));
    EXPECT_EQ(wire.OpenCaptures(), 0);
    EXPECT_TRUE(core.link.access.received.empty());
    EXPECT_FALSE(core.link.access.deviceListHeld);
    EXPECT_FALSE(OpenCapture(core.link, 0));  // the device list is gone until the next enumeration
}

}  // namespace
}  // namespace zentrel::test
