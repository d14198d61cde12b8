#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "link/AdapterAccess.h"
#include "link/Frames.h"
#include "pages/Core.h"
#include "support/FakeClock.h"
#include "support/MemoryWire.h"
#include "support/RecordingMessages.h"
#include "support/TestFrames.h"

namespace zentrel::test {
namespace {

const Mac kHost = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kLocal = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x07};
const std::string kNmk = "0123456789ABCDEF0F1E2D3C4B5A6978";
const std::string kDak = "FEDCBA98765432100011223344556677";

struct FramesTest : ::testing::Test {
    FakeClock clock;
    MemoryWire wire{clock};
    RecordingMessages messages;
    Views views;
    Core core{wire, messages, views, clock, nullptr, std::filesystem::temp_directory_path()};

    void SetUp() override {
        wire.AddAdapter("eth0", kHost);
        wire.AddAdapter("eth1", {0x02, 0, 0, 0, 0, 0x02});
        ASSERT_TRUE(EnumerateAdapters(core.link));
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(OpenCapture(core.link, i));
            std::memcpy(core.link.adapters[static_cast<std::size_t>(i)].hostMac,
                        core.link.access.slots[static_cast<std::size_t>(i)].hostMac, 6);
        }
    }
    const Bytes& OnlySent(int adapter) {
        EXPECT_EQ(wire.Sent(adapter).size(), 1u);
        return wire.Sent(adapter).back().bytes;
    }
    static bool ZeroFrom(const Bytes& f, std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            if (f[i] != 0) return false;
        }
        return true;
    }
};

TEST_F(FramesTest, VersionRequestBytes) {
    core.link.pendingRequestType = 0;
    SendVersionRequest(core.link, 0);
    const Bytes& f = OnlySent(0);
    const Bytes head = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x01, 0x00, 0x11, 0x22, 0x33,
                        0x44, 0x55, 0x88, 0xE1, 0x00, 0x00, 0xA0, 0x00, 0xB0, 0x52};
    ASSERT_EQ(f.size(), 1510u);
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 20), head);
    EXPECT_TRUE(ZeroFrom(f, 20, 1510));
    EXPECT_EQ(core.link.pendingRequestType, 0xA000);
}

TEST_F(FramesTest, NetworkInfoRequestGoesToTheLocalMacOrZero) {
    SendNetworkInfoRequest(core.link, 1);
    const Bytes& unknown = OnlySent(1);
    EXPECT_TRUE(ZeroFrom(unknown, 0, 6));
    EXPECT_EQ(unknown[11], 0x02);
    EXPECT_EQ(unknown[15], 0x38);
    EXPECT_EQ(unknown[16], 0xA0);
    EXPECT_EQ(core.link.pendingRequestType, 0xA038);

    std::memcpy(core.link.adapters[0].localMac, kLocal.data(), 6);
    SendNetworkInfoRequest(core.link, 0);
    const Bytes& f = OnlySent(0);
    ASSERT_EQ(f.size(), 1510u);
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 6), Bytes(kLocal.begin(), kLocal.end()));
    EXPECT_EQ(Bytes(f.begin() + 6, f.begin() + 12), Bytes(kHost.begin(), kHost.end()));
    EXPECT_TRUE(ZeroFrom(f, 20, 1510));
}

TEST_F(FramesTest, SetKeyLocalOnly) {
    std::memcpy(core.link.adapters[0].localMac, kLocal.data(), 6);
    SendSetKeyRequest(core.link, 0, kNmk, 1, nullptr);
    const Bytes& f = OnlySent(0);
    ASSERT_EQ(f.size(), 1510u);
    EXPECT_EQ(f[0], 0x00);
    EXPECT_EQ(f[5], 0x07);
    EXPECT_EQ(f[15], 0x50);
    EXPECT_EQ(f[16], 0xA0);
    EXPECT_EQ(f[20], 0x01);
    const Bytes nmk = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                       0x0F, 0x1E, 0x2D, 0x3C, 0x4B, 0x5A, 0x69, 0x78};
    EXPECT_EQ(Bytes(f.begin() + 21, f.begin() + 37), nmk);
    EXPECT_EQ(f[37], 0x0F);
    EXPECT_TRUE(ZeroFrom(f, 38, 1510));
    EXPECT_EQ(core.link.pendingRequestType, 0xA050);
}

TEST_F(FramesTest, SetKeyWithDak) {
    SendSetKeyRequest(core.link, 0, kNmk, 0, &kDak);
    const Bytes& f = OnlySent(0);
    EXPECT_EQ(f[21], 0x01);
    EXPECT_EQ(f[22], 0x23);
    EXPECT_EQ(f[37], 0x00);
    EXPECT_EQ(Bytes(f.begin() + 38, f.begin() + 44), Bytes(6, 0xFF));
    const Bytes dak = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10,
                       0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    EXPECT_EQ(Bytes(f.begin() + 44, f.begin() + 60), dak);
    EXPECT_TRUE(ZeroFrom(f, 60, 1510));
}

TEST_F(FramesTest, SetKeyModeOtherThanOneIsNotLocalOnly) {
    SendSetKeyRequest(core.link, 0, kNmk, 2, nullptr);
    EXPECT_EQ(OnlySent(0)[37], 0x00);
}

TEST_F(FramesTest, ShortKeyTextNeverReadsPastItsEnd) {
    SendSetKeyRequest(core.link, 0, "AB", 1, nullptr);
    const Bytes& f = OnlySent(0);
    EXPECT_EQ(f[21], 0xAB);
    EXPECT_TRUE(ZeroFrom(f, 22, 37));
}

TEST_F(FramesTest, StationProbeIsSixtyBytesAndKeepsThePendingRequest) {
    core.link.pendingRequestType = 0xA038;
    SendStationProbe(core.link, 0, kHost.data(), kLocal.data());
    const Bytes& f = OnlySent(0);
    ASSERT_EQ(f.size(), 60u);
    Bytes head(kLocal.begin(), kLocal.end());
    head.insert(head.end(), kHost.begin(), kHost.end());
    head.insert(head.end(), {0x88, 0x7B, 0x01, 0x07, 0x00, 0x00});
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 18), head);
    EXPECT_TRUE(ZeroFrom(f, 18, 60));
    EXPECT_EQ(core.link.pendingRequestType, 0xA038);
}

TEST_F(FramesTest, ProbeStationsSendsToEachPresentStationOfTheCurrentAdapter) {
    core.link.currentAdapter = 1;
    ProbeStations(core.link, 1);
    EXPECT_TRUE(wire.Sent(1).empty());

    auto& stations = core.link.tables[1].stations;
    const Mac a = {0x00, 0x0A, 0, 0, 0, 1}, b = {0x00, 0x0B, 0, 0, 0, 2}, c = {0x00, 0x0C, 0, 0, 0, 3};
    std::memcpy(stations[3].stationMac, a.data(), 6);
    stations[3].present = 1;
    std::memcpy(stations[0].stationMac, b.data(), 6);
    stations[0].present = 1;
    std::memcpy(stations[7].stationMac, c.data(), 6);  // not present
    stations[9].present = 1;                           // present but empty address: no broadcast probe
    std::memset(stations[9].stationMac, 0xFF, 6);
    ProbeStations(core.link, 1);
    ASSERT_EQ(wire.Sent(1).size(), 2u);
    EXPECT_EQ(wire.Sent(1)[0].bytes[1], 0x0B);
    EXPECT_EQ(wire.Sent(1)[1].bytes[1], 0x0A);
    EXPECT_EQ(wire.Sent(1)[0].bytes[11], 0x02);  // the current adapter's own address as source
}

TEST(FrameHeaders, BuildersZeroTheWholeBuffer) {
    std::uint8_t av[kAvFrameBytes];
    std::memset(av, 0xEE, sizeof av);
    BuildAvHeader(av, kHost.data(), kLocal.data());
    EXPECT_EQ(av[12], 0x88);
    EXPECT_EQ(av[13], 0xE1);
    for (std::size_t i = 14; i < kAvFrameBytes; ++i) ASSERT_EQ(av[i], 0) << i;
    std::uint8_t hp[kHomePlug10FrameBytes];
    std::memset(hp, 0xEE, sizeof hp);
    BuildHomePlug10Header(hp, kHost.data(), kLocal.data());
    EXPECT_EQ(hp[0], 0x00);
    EXPECT_EQ(hp[6], 0x00);
    EXPECT_EQ(hp[11], 0x55);
    EXPECT_EQ(hp[12], 0x88);
    EXPECT_EQ(hp[13], 0x7B);
    for (std::size_t i = 14; i < kHomePlug10FrameBytes; ++i) EXPECT_EQ(hp[i], 0) << i;
}

}  // namespace
}  // namespace zentrel::test
