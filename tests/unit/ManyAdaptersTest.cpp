// Discovery and the network-information pass over several adapters at once, and the adapter
// listing that probes only interfaces it has not seen.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "ScanFixture.h"
#include "link/AdapterVerdicts.h"
#include "link/Exchange.h"

namespace zentrel::test {
namespace {

bool HoldsMac(const std::uint8_t* a, const Mac& b) { return std::memcmp(a, b.data(), 6) == 0; }

class ManyAdaptersTest : public ScanFixture {};

// The adapter taken is the one asking the adapters one after another would take: the first in
// list order whose device answered within the wait, whichever answered first.
TEST_F(ManyAdaptersTest, DiscoveryTakesTheFirstAdapterInListOrderWhoseDeviceAnswered) {
    struct Case {
        std::vector<int> delays;  // per adapter: the device's answer delay, -1 without a device
        int chosen;
        std::uint32_t minMs, maxMs;  // virtual time of the whole discovery
    };
    const Case cases[] = {
        {{-1, 30, -1, 1}, 1, 52, 58},
        {{-1, -1, -1, 0}, 3, 52, 58},
        {{60, 5, -1, -1}, 1, 52, 58},  // an answer after the wait does not count
        {{1, 1, -1, 1}, 0, 2, 8},      // nothing before the first adapter can answer: no wait
        {{-1, -1, -1, -1}, -1, 52, 58},
    };
    MakeCore();
    const std::uint32_t none = clock.TickMs();
    EXPECT_FALSE(RescanAdapters(core->link));
    EXPECT_EQ(clock.TickMs(), none) << "without adapters there is nothing to wait for";
    for (int i = 0; i < 4; ++i) AddAdapter(true);
    MakeCore();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        for (std::size_t i = 0; i < 4; ++i) {
            devices[i].present = c.delays[i] >= 0;
            devices[i].delayMs = static_cast<std::uint32_t>(c.delays[i]);
            wire.Adapter(static_cast<int>(i)).incoming.clear();
        }
        wire.ClearSent();
        core->link.currentAdapter = -1;
        const std::uint32_t start = clock.TickMs();
        EXPECT_EQ(RescanAdapters(core->link), c.chosen >= 0);
        const std::uint32_t took = clock.TickMs() - start;
        EXPECT_GE(took, c.minMs);
        EXPECT_LE(took, c.maxMs);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(SentTimes(i, 0xA000), std::vector<std::uint32_t>{start}) << "adapter " << i;
            EXPECT_EQ(core->link.adapters[static_cast<std::size_t>(i)].localFound, i == c.chosen ? 1 : 0) << i;
        }
        if (c.chosen < 0) continue;
        const auto& record = core->link.adapters[static_cast<std::size_t>(c.chosen)];
        EXPECT_EQ(core->link.currentAdapter, c.chosen);
        EXPECT_TRUE(HoldsMac(record.localMac, devices[static_cast<std::size_t>(c.chosen)].mac));
        EXPECT_TRUE(HoldsMac(core->link.tables[static_cast<std::size_t>(c.chosen)].localMac,
                            devices[static_cast<std::size_t>(c.chosen)].mac));
        EXPECT_STREQ(record.firmwareVersion, "SIM-FW-1.0");
    }
}

// A cycle keeps the captures open for the next one; what they received in between, here an
// answer that came after the wait, must not count as the next discovery's answer.
TEST_F(ManyAdaptersTest, AnAnswerThatCameBetweenCyclesIsNotTaken) {
    AddAdapter(true);
    AddAdapter(false);
    MakeCore();
    devices[0].delayMs = 60;
    EXPECT_FALSE(RescanAdapters(core->link));
    devices[0].present = false;
    clock.Advance(5000);
    EXPECT_FALSE(RescanAdapters(core->link));
    EXPECT_EQ(core->link.adapters[0].localFound, 0);
}

// Every adapter with a known device is asked in each attempt at once; each answer fills its own
// table and the chosen adapter stays current.
TEST_F(ManyAdaptersTest, NetworkInfoAsksEveryKnownDeviceAtOncePerAttempt) {
    AddAdapter(true, {Station(1, 2, 50)});
    AddAdapter(true, {Station(2, 3, 60)});
    AddAdapter(true, {Station(3, 4, 70), Station(4, 5, 80)});
    MakeCore();
    ASSERT_TRUE(RescanAdapters(core->link));
    ASSERT_EQ(core->link.currentAdapter, 0);
    std::memcpy(core->link.adapters[2].localMac, devices[2].mac.data(), 6);  // known from before
    devices[0].ignoreNetworkInfo = 2;
    wire.ClearSent();
    QueryNetworkInfo(core->link);
    const auto first = SentTimes(0, 0xA038);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(SentTimes(2, 0xA038), std::vector<std::uint32_t>{first[0]});
    EXPECT_TRUE(SentTimes(1, 0xA038).empty());
    EXPECT_EQ(core->link.tables[0].stationCount, 1);
    EXPECT_EQ(core->link.tables[1].stationCount, 0);
    EXPECT_EQ(core->link.tables[2].stationCount, 2);
    EXPECT_EQ(core->link.currentAdapter, 0);
}

TEST(AdapterVerdictsTest, ProbesOnlyInterfacesTheLastListingDidNotHave) {
    std::map<std::string, ProbeVerdict> answers = {
        {"eth0", {true, true}}, {"tun0", {false, true}}, {"down0", {true, false}}, {"eth1", {true, true}}};
    std::vector<std::string> probed;
    AdapterVerdicts verdicts([&](const std::string& name) {
        probed.push_back(name);
        return answers.at(name);
    });
    struct Listing {
        std::vector<std::pair<std::string, unsigned>> interfaces;  // name and index
        std::vector<bool> ethernet;
        std::vector<std::string> probed;
    };
    const Listing listings[] = {
        {{{"eth0", 2}, {"tun0", 3}, {"down0", 4}}, {true, false, true}, {"eth0", "tun0", "down0"}},
        // Only the verdict the probe could not be sure of is asked again.
        {{{"eth0", 2}, {"tun0", 3}, {"down0", 4}}, {true, false, true}, {"down0"}},
        // eth0 was removed and made again (now a tunnel); eth1 is new; index 0 is unknown.
        {{{"eth0", 7}, {"eth1", 5}, {"tun0", 3}, {"eth1", 0}}, {false, true, false, true}, {"eth0", "eth1", "eth1"}},
        {{{"eth0", 7}, {"eth1", 5}}, {false, true}, {}},
        // tun0 left the previous listing and is forgotten.
        {{{"tun0", 3}}, {false}, {"tun0"}},
    };
    int n = 0;
    for (const Listing& listing : listings) {
        SCOPED_TRACE(n++);
        if (n == 3) answers["eth0"] = {false, true};
        probed.clear();
        std::vector<bool> ethernet;
        for (const auto& [name, index] : listing.interfaces) ethernet.push_back(verdicts.IsEthernet(name, index));
        verdicts.EndListing();
        EXPECT_EQ(ethernet, listing.ethernet);
        EXPECT_EQ(probed, listing.probed);
    }
}

}  // namespace
}  // namespace zentrel::test
