#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "support/TestFrames.h"
#include "support/WireCore.h"

namespace zentrel::test {
namespace {

const Mac kHostA = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

using AdapterAccessTest = WireCoreTest;

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

TEST_F(AdapterAccessTest, SendPadsToSixtyAndRefusesBeyond1514) {
    OpenAdapters({kHostA});
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

}  // namespace
}  // namespace zentrel::test
