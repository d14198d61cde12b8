// Request frames against the golden frames of tests/data (the first 60 bytes; zero after them).
#include <gtest/gtest.h>

#include <cstring>

#include "link/Frames.h"
#include "support/HexFile.h"
#include "support/TestFrames.h"
#include "support/WireCore.h"

namespace zentrel::test {
namespace {

const Mac kHost = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kLocal = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x07};
const std::string kNmk = "0123456789ABCDEF0F1E2D3C4B5A6978";
const std::string kDak = "FEDCBA98765432100011223344556677";

struct FramesTest : WireCoreTest {
    void SetUp() override {
        OpenAdapters({kHost});
        std::memcpy(core.link.adapters[0].hostMac, kHost.data(), 6);
    }
    // The one frame sent since the last call, against the golden file padded with zeros.
    void ExpectSent(const char* golden, std::size_t size, std::int32_t pending) {
        ASSERT_EQ(wire.Sent(0).size(), 1u) << golden;
        Bytes expected = ReadHexFile(std::string(ZENTREL_TEST_DATA "/") + golden);
        ASSERT_EQ(expected.size(), 60u) << golden;
        expected.resize(size, 0);
        EXPECT_TRUE(wire.Sent(0)[0].bytes == expected) << golden;
        EXPECT_EQ(core.link.pendingRequestType, pending) << golden;
        wire.ClearSent();
    }
};

TEST_F(FramesTest, RequestsMatchTheGoldenFrames) {
    SendVersionRequest(core.link, 0);
    ExpectSent("version_request.hex", 1510, 0xA000);
    SendSetKeyRequest(core.link, 0, kNmk, 2, &kDak);  // a mode other than 1 is not local-only
    ExpectSent("set_key_remote_request.hex", 1510, 0xA050);
    std::memcpy(core.link.adapters[0].localMac, kLocal.data(), 6);
    SendNetworkInfoRequest(core.link, 0);
    ExpectSent("network_info_request.hex", 1510, 0xA038);
    SendSetKeyRequest(core.link, 0, kNmk, 1, nullptr);
    ExpectSent("set_key_local_request.hex", 1510, 0xA050);
    SendStationProbe(core.link, 0, kHost.data(), kLocal.data());
    ExpectSent("station_probe.hex", 60, 0xA050);  // a probe leaves the pending request alone

    SendSetKeyRequest(core.link, 0, "AB", 1, nullptr);  // a short key text is never read past its end
    EXPECT_EQ(wire.Sent(0).at(0).bytes[21], 0xAB);
    EXPECT_EQ(wire.Sent(0)[0].bytes[22], 0x00);
}

}  // namespace
}  // namespace zentrel::test
