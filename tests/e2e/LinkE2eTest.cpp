// The adapter-access layer over real veth pairs: what the filter lets through, and frames as they
// reach the wire (the size rules themselves are checked on the test wire).
#include <pcap/pcap.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "E2eFixture.h"
#include "link/AdapterAccess.h"
#include "link/pcap/PcapWire.h"

namespace zentrel::e2e {
namespace {

std::vector<std::uint8_t> Frame(const MacBytes& destination, std::uint16_t etherType, std::size_t length,
                                std::uint8_t marker) {
    std::vector<std::uint8_t> frame(length, 0);
    for (std::size_t i = 15; i < length; ++i) frame[i] = static_cast<std::uint8_t>(i * 7);
    std::copy(destination.begin(), destination.end(), frame.begin());
    const std::uint8_t head[] = {0x02, 0x5A, 0xEE, 0x00, 0x00, 0x01, static_cast<std::uint8_t>(etherType >> 8),
                                 static_cast<std::uint8_t>(etherType), marker};
    std::copy(std::begin(head), std::end(head), frame.begin() + 6);
    return frame;
}

// Every frame `fetch` gives within `ms`.
template <typename Fetch>
std::vector<std::vector<std::uint8_t>> Drain(int ms, Fetch fetch) {
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<std::uint8_t> frame;
    using Clock = std::chrono::steady_clock;
    for (const auto end = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < end;)
        if (fetch(frame)) frames.push_back(frame);
    return frames;
}

// How many captures hold the interface in promiscuous mode, as the kernel counts them; -1 when
// `ip` does not say.
int Promiscuity(const std::string& interface) {
    const std::string command = "ip -d link show " + interface;
    std::FILE* out = ::popen(command.c_str(), "r");
    if (!out) return -1;
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, out)) text += buffer;
    ::pclose(out);
    const auto at = text.find("promiscuity ");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 12);
}

class LinkE2e : public E2eTest {
protected:
    // Adapter 0 open in the host namespace, a raw capture on the mains end.
    bool OpenBothEnds() {
        if (!EnumerateAdapters(core->link) || core->link.access.adapterCount < 1 || !OpenCapture(core->link, 0)) {
            ADD_FAILURE() << "no adapter opened";
            return false;
        }
        std::string error;
        farEnd = lab->OpenCapture(true, error);
        if (!farEnd) ADD_FAILURE() << error;
        return farEnd != nullptr;
    }
    std::unique_ptr<Capture> farEnd;
};

TEST_F(LinkE2e, OnlyHomePlugEtherTypesReachReceiveFrameWhateverTheDestination) {
    E2E_PREPARE();
    ASSERT_TRUE(OpenBothEnds());
    const MacBytes own = NetnsLab::kHostMac;
    const MacBytes elsewhere{0x02, 0x77, 0x66, 0x55, 0x44, 0x33};
    const MacBytes broadcast{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const struct {
        MacBytes destination;
        std::uint16_t etherType;
        bool passes;
    } cases[] = {
        {own, 0x0800, false},       {broadcast, 0x0800, false}, {own, 0x88E2, false},
        {own, 0x887B, true},        {elsewhere, 0x887B, true},  {own, 0x88E1, true},
        {elsewhere, 0x88E1, true},  {broadcast, 0x88E1, true},  {elsewhere, 0x86DD, false},
    };
    std::vector<std::uint8_t> expectedMarkers;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto frame = Frame(cases[i].destination, cases[i].etherType, 64, static_cast<std::uint8_t>(0xA0 + i));
        ASSERT_TRUE(farEnd->Send(frame.data(), frame.size()));
        if (cases[i].passes) expectedMarkers.push_back(static_cast<std::uint8_t>(0xA0 + i));
    }
    std::vector<std::uint8_t> seenMarkers;
    const auto received = Drain(300, [&](std::vector<std::uint8_t>& frame) {
        const auto got = ReceiveFrame(core->link, 0);
        if (got) frame.assign(got->begin(), got->end());
        return got.has_value();
    });
    for (const auto& frame : received) {
        ASSERT_GE(frame.size(), 15u);
        // Stray host traffic never passes the filter, so every frame must be one of ours.
        const std::uint16_t etherType = static_cast<std::uint16_t>((frame[12] << 8) | frame[13]);
        EXPECT_TRUE(etherType == 0x887B || etherType == 0x88E1) << std::hex << etherType;
        seenMarkers.push_back(frame[14]);
    }
    EXPECT_EQ(seenMarkers, expectedMarkers);
}

// Listing the adapters leaves each one's capture open for its open to take; what reached it in
// between, filtered or not, is not given out.
TEST_F(LinkE2e, AnOpenedCaptureGivesNothingThatCameBeforeItsOpen) {
    E2E_PREPARE();
    std::string error;
    farEnd = lab->OpenCapture(true, error);
    ASSERT_TRUE(farEnd) << error;
    ASSERT_TRUE(EnumerateAdapters(core->link));
    ASSERT_GE(core->link.access.adapterCount, 1);
    const MacBytes own = NetnsLab::kHostMac;
    for (const auto& [etherType, marker] : {std::pair{0x0800, 0xB0}, std::pair{0x88E1, 0xB1}}) {
        const auto frame = Frame(own, static_cast<std::uint16_t>(etherType), 64, static_cast<std::uint8_t>(marker));
        ASSERT_TRUE(farEnd->Send(frame.data(), frame.size()));
    }
    // Time for both to arrive before the open.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(OpenCapture(core->link, 0));
    const auto after = Frame(own, 0x88E1, 64, 0xB2);
    ASSERT_TRUE(farEnd->Send(after.data(), after.size()));
    std::vector<std::uint8_t> seenMarkers;
    for (const auto& frame : Drain(300, [&](std::vector<std::uint8_t>& f) {
             const auto got = ReceiveFrame(core->link, 0);
             if (got) f.assign(got->begin(), got->end());
             return got.has_value();
         }))
        seenMarkers.push_back(frame.size() > 14 ? frame[14] : 0);
    EXPECT_EQ(seenMarkers, std::vector<std::uint8_t>{0xB2});
}

// Ten interfaces more, all new to the listing and probed side by side, and a tunnel among them:
// the listing keeps libpcap's order and leaves out the loopback and the tunnel, and each of the
// first 8 opens (with the probe's capture where one was kept).
TEST_F(LinkE2e, ManyNewInterfacesAreListedInLibpcapsOrderAndTheFirstEightOpen) {
    E2E_PREPARE();
    ASSERT_EQ(std::system("ip tuntap add zt0 mode tun && ip link set zt0 up"), 0);
    for (int n = 0; n < 5; ++n) {
        const std::string pair = "zv" + std::to_string(n);
        const std::string command = "ip link add " + pair + "a type veth peer name " + pair + "b && ip link set " +
                                    pair + "a up && ip link set " + pair + "b up";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    // libpcap puts running interfaces first, and a veth pair's carrier comes up a moment after the
    // pair: the order is taken once every end runs.
    std::vector<std::string> expected;
    std::size_t running = 0;
    for (int attempt = 0; attempt < 500 && running < 10; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        char error[PCAP_ERRBUF_SIZE] = {};
        pcap_if_t* devices = nullptr;
        ASSERT_EQ(pcap_findalldevs(&devices, error), 0) << error;
        expected.clear();
        running = 0;
        for (pcap_if_t* device = devices; device; device = device->next) {
            const std::string name = device->name;
            if (name != NetnsLab::kHostInterface && name.rfind("zv", 0) != 0) continue;
            expected.push_back(name);
            if (name != NetnsLab::kHostInterface && (device->flags & PCAP_IF_RUNNING) != 0) ++running;
        }
        pcap_freealldevs(devices);
    }
    ASSERT_EQ(running, 10u);
    ASSERT_EQ(expected.size(), 11u);

    PcapWire probing;
    for (int listing = 0; listing < 2; ++listing) {
        SCOPED_TRACE(listing);
        std::vector<WireAdapter> adapters;
        ASSERT_TRUE(probing.ListAdapters(adapters));
        std::vector<std::string> names;
        for (const auto& adapter : adapters) names.push_back(adapter.name);
        EXPECT_EQ(names, expected);
        for (std::size_t i = 0; i < 8 && i < adapters.size(); ++i) {
            OpenFailure failure = OpenFailure::None;
            std::string text;
            EXPECT_NE(probing.Open(adapters[i], kHomePlugFilter, failure, text), nullptr) << adapters[i].name << text;
        }
    }
}

// The listing's probe is the capture the open takes, not a second one; what the wire opened is
// closed once the wire and its captures are gone (closes run on threads of their own).
TEST_F(LinkE2e, TheOpenTakesTheProbesCaptureAndNothingStaysOpenAfterTheWire) {
    E2E_PREPARE();
    const int before = Promiscuity(NetnsLab::kHostInterface);
    ASSERT_GE(before, 0);
    {
        PcapWire probing;
        std::vector<WireAdapter> adapters;
        ASSERT_TRUE(probing.ListAdapters(adapters));
        ASSERT_FALSE(adapters.empty());
        EXPECT_EQ(Promiscuity(NetnsLab::kHostInterface), before + 1);
        OpenFailure failure = OpenFailure::None;
        std::string text;
        auto capture = probing.Open(adapters[0], kHomePlugFilter, failure, text);
        ASSERT_NE(capture, nullptr) << text;
        EXPECT_EQ(Promiscuity(NetnsLab::kHostInterface), before + 1);
        // Known now: the next listing probes nothing.
        ASSERT_TRUE(probing.ListAdapters(adapters));
        capture.reset();
    }
    EXPECT_EQ(Promiscuity(NetnsLab::kHostInterface), before);
}

TEST_F(LinkE2e, ShortFramesReachTheWirePaddedAndFullOnesWhole) {
    E2E_PREPARE();
    ASSERT_TRUE(OpenBothEnds());
    const MacBytes peer{0x02, 0x5A, 0xEE, 0x00, 0x00, 0x01};
    // The 18-byte frame sits at the end of its own allocation, so reading past it would be caught
    // by the sanitizers.
    const auto shortFrame = Frame(peer, 0x887B, 18, 0x01);
    const auto fullFrame = Frame(peer, 0x88E1, 1514, 0x02);
    EXPECT_TRUE(SendFrame(core->link, 0, shortFrame.data(), shortFrame.size()));
    EXPECT_TRUE(SendFrame(core->link, 0, fullFrame.data(), fullFrame.size()));

    std::vector<std::vector<std::uint8_t>> seen;
    for (auto& frame : Drain(300, [&](std::vector<std::uint8_t>& f) { return farEnd->Fetch(f) == 1; }))
        if (frame.size() > 14 && frame[12] != 0x86) seen.push_back(frame);  // IPv6 chatter aside
    ASSERT_EQ(seen.size(), 2u);
    ASSERT_EQ(seen[0].size(), 60u);
    EXPECT_TRUE(std::equal(shortFrame.begin(), shortFrame.end(), seen[0].begin()));
    EXPECT_TRUE(std::all_of(seen[0].begin() + 18, seen[0].end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(seen[1], fullFrame);
}

}  // namespace
}  // namespace zentrel::e2e
