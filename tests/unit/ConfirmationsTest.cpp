#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "keys/KeyDerivation.h"
#include "link/AdapterAccess.h"
#include "link/Confirmations.h"
#include "link/Frames.h"
#include "pages/Core.h"
#include "pages/MainPage.h"
#include "support/FakeClock.h"
#include "support/MemoryWire.h"
#include "support/RecordingMessages.h"
#include "support/TestFrames.h"

namespace zentrel::test {
namespace {

const Mac kHost0 = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kHost1 = {0x02, 0x00, 0x00, 0x00, 0x00, 0x02};
const Mac kLocal = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x07};
const Mac kOtherLocal = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x08};

Mac ToMac(const std::uint8_t* p) {
    Mac m;
    std::memcpy(m.data(), p, 6);
    return m;
}

struct ConfirmationsTest : ::testing::Test {
    FakeClock clock;
    MemoryWire wire{clock};
    RecordingMessages messages;
    Views views;
    Core core{wire, messages, views, clock, nullptr, std::filesystem::temp_directory_path()};
    int clears = 0;

    void SetUp() override {
        wire.AddAdapter("eth0", kHost0);
        wire.AddAdapter("eth1", kHost1);
        ASSERT_TRUE(EnumerateAdapters(core.link));
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(OpenCapture(core.link, i));
            const std::uint8_t* mac = core.link.access.slots[static_cast<std::size_t>(i)].hostMac;
            std::memcpy(core.link.adapters[static_cast<std::size_t>(i)].hostMac, mac, 6);
            std::memcpy(core.link.tables[static_cast<std::size_t>(i)].hostMac, mac, 6);
        }
        core.afterClearStationTables = [this](Core&) { ++clears; };
    }

    // A fresh link state with adapter 0's host MAC, as a test row starts from.
    void ResetLink(std::int32_t pending, std::int32_t currentAdapter = 0) {
        static_cast<LinkState&>(core.link) = LinkState{};
        std::memcpy(Table(0).hostMac, kHost0.data(), 6);
        core.link.currentAdapter = currentAdapter;
        core.link.pendingRequestType = pending;
    }
    // Delivers one frame on the adapter and runs one poll; the poll must consume it.
    void Handle(int adapter, const Bytes& frame, std::uint8_t* status = nullptr) {
        wire.Deliver(adapter, frame);
        ASSERT_TRUE(HandleConfirmation(core.link, adapter, status));
    }
    // Replaces the adapter's capture by one that hands out the queued frames unfiltered and in
    // allocations of exactly their length, so that a read past a frame's end is caught by
    // AddressSanitizer and frames the filter would stop still reach the handler.
    void UseExactCapture(int adapter) {
        struct Exact : Capture {
            MemoryWire* w = nullptr;
            int index = 0;
            bool Send(const std::uint8_t*, std::size_t) override { return true; }
            int Fetch(std::vector<std::uint8_t>& out) override {
                auto& q = w->Adapter(index).incoming;
                if (q.empty()) return 0;
                out = std::move(q.front().bytes);
                out.shrink_to_fit();
                q.pop_front();
                return 1;
            }
        };
        auto exact = std::make_unique<Exact>();
        exact->w = &wire;
        exact->index = adapter;
        core.link.access.slots[static_cast<std::size_t>(adapter)].handle = std::move(exact);
    }
    const AdapterRecord& Rec(int i) { return core.link.adapters[static_cast<std::size_t>(i)]; }
    StationTable& Table(int i) { return core.link.tables[static_cast<std::size_t>(i)]; }
};

TEST_F(ConfirmationsTest, NothingWaitingMeansNothingConsumed) {
    core.link.pendingRequestType = kMmVersionRequest;
    EXPECT_FALSE(HandleConfirmation(core.link, 0, nullptr));
    EXPECT_FALSE(HandleConfirmation(core.link, 5, nullptr));  // no capture on that index
    EXPECT_EQ(core.link.replyReceived, 0);
}

// Frames that a poll consumes without any effect, whatever request is pending.
TEST_F(ConfirmationsTest, DropRules) {
    struct Case {
        std::string what;
        std::int32_t pending;
        Bytes frame;
    };
    const Case cases[] = {
        {"HomePlug 1.0 reply during network info", kMmNetworkInfoRequest, HomePlug10Frame(kHost0, kLocal)},
        {"broadcast network info", kMmNetworkInfoRequest,
         NetworkInfoConfirm(kBroadcastMac, kLocal, {}, {{kOtherLocal, 2, kHost1, 10, 10}})},
        {"broadcast version", kMmVersionRequest, VersionConfirm(kBroadcastMac, kLocal, "v1")},
        {"version during network info", kMmNetworkInfoRequest, VersionConfirm(kHost0, kLocal, "v1")},
        {"network info during version", kMmVersionRequest, NetworkInfoConfirm(kHost0, kLocal, {}, {})},
        {"set-key during version", kMmVersionRequest, SetKeyConfirm(kHost0, kLocal, 0)},
        {"set-key during network info", kMmNetworkInfoRequest, SetKeyConfirm(kHost0, kLocal, 0)},
        {"version during set-key", kMmSetKeyRequest, VersionConfirm(kHost0, kLocal, "v1")},
        {"network info during set-key", kMmSetKeyRequest, NetworkInfoConfirm(kHost0, kLocal, {}, {})},
        {"a request echoed back", kMmVersionRequest, AvFrame(kHost0, kLocal, 0xA000)},
        {"no request pending", 0, VersionConfirm(kHost0, kLocal, "v1")},
        {"unknown pending type", 0xA070, NetworkInfoConfirm(kHost0, kLocal, {}, {})},
    };
    // Any host on the segment can send confirmations: one that carries another vendor's OUI
    // (any of its three bytes different) counts for nothing, whatever request it seems to answer.
    std::vector<Case> all(std::begin(cases), std::end(cases));
    const Case answers[] = {
        {"version", kMmVersionRequest, VersionConfirm(kHost0, kLocal, "v1")},
        {"network info", kMmNetworkInfoRequest,
         NetworkInfoConfirm(kHost0, kLocal, {}, {{kOtherLocal, 2, kHost1, 10, 10}})},
        {"set-key", kMmSetKeyRequest, SetKeyConfirm(kHost0, kLocal, 0)},
    };
    for (const Case& c : answers) {
        for (std::size_t at = 17; at < 20; ++at) {
            Case foreign = c;
            foreign.what = c.what + " with OUI byte " + std::to_string(at) + " changed";
            foreign.frame[at] ^= 0x01;
            all.push_back(foreign);
        }
    }
    for (const Case& c : all) {
        SCOPED_TRACE(c.what);
        ResetLink(c.pending, 1);
        std::uint8_t status = 0x77;
        Handle(0, c.frame, &status);
        EXPECT_EQ(core.link.replyReceived, 0);
        EXPECT_EQ(core.link.currentAdapter, 1);
        EXPECT_EQ(Rec(0).localFound, 0);
        EXPECT_EQ(Table(0).localFound, 0);
        EXPECT_EQ(Table(0).stations[0].present, 0);
        EXPECT_EQ(Table(0).ccoTei, 0);
        EXPECT_EQ(status, 0x77);
        EXPECT_EQ(clears, 0);
    }
}

TEST_F(ConfirmationsTest, WrongEthertypeFrameThatSlipsPastTheFilterIsDropped) {
    UseExactCapture(0);
    core.link.pendingRequestType = kMmVersionRequest;
    Bytes ipv4 = VersionConfirm(kHost0, kLocal, "v1");
    ipv4[12] = 0x08;
    ipv4[13] = 0x00;
    Handle(0, ipv4);
    EXPECT_EQ(core.link.replyReceived, 0);
    EXPECT_EQ(Rec(0).localFound, 0);
}

TEST_F(ConfirmationsTest, VersionTakesTheFirstLocalDeviceOfAnExchange) {
    core.link.pendingRequestType = kMmVersionRequest;
    Handle(1, VersionConfirm(kHost1, kLocal, "INT6400-MAC-4-1-4102"));
    EXPECT_EQ(Rec(1).localFound, 1);
    EXPECT_EQ(Table(1).localFound, 1);
    EXPECT_EQ(core.link.currentAdapter, 1);
    EXPECT_EQ(core.link.replyReceived, 1);
    EXPECT_EQ(ToMac(Rec(1).localMac), kLocal);
    EXPECT_EQ(ToMac(Table(1).localMac), kLocal);
    EXPECT_STREQ(Rec(1).firmwareVersion, "INT6400-MAC-4-1-4102");
    EXPECT_EQ(core.link.versionTaken[1], 1);

    core.link.replyReceived = 0;
    Handle(1, VersionConfirm(kHost1, kOtherLocal, "other"));
    EXPECT_EQ(core.link.replyReceived, 1);
    EXPECT_EQ(ToMac(Rec(1).localMac), kLocal);
    EXPECT_STREQ(Rec(1).firmwareVersion, "INT6400-MAC-4-1-4102");
}

TEST_F(ConfirmationsTest, VersionNotForUsOrFromOurselvesMarksFoundButTakesNothing) {
    for (const Bytes& frame : {VersionConfirm(kHost1, kLocal, "v"), VersionConfirm(kHost0, kHost0, "v")}) {
        ResetLink(kMmVersionRequest, 3);
        Handle(0, frame);
        EXPECT_EQ(Rec(0).localFound, 1);
        EXPECT_EQ(Table(0).localFound, 1);
        EXPECT_EQ(core.link.currentAdapter, 0);
        EXPECT_EQ(core.link.replyReceived, 1);
        EXPECT_FALSE(IsMacSet(Rec(0).localMac));
        EXPECT_FALSE(IsMacSet(Table(0).localMac));
        EXPECT_STREQ(Rec(0).firmwareVersion, "");
        EXPECT_EQ(core.link.versionTaken[0], 0);
    }
}

TEST_F(ConfirmationsTest, VersionTextIsCutAtNinetyNineAndAtTheFrameEnd) {
    struct Case {
        std::string text;
        std::optional<std::size_t> length;
        std::string expected;
    };
    const std::string longText(150, 'V');
    const Case cases[] = {
        {longText, std::nullopt, std::string(99, 'V')},
        {"ABCDEFGH", 27, "ABCD"},  // no terminator before the end of the frame
        {"ABCDEFGH", 24, "A"},
        {"ABCDEFGH", 23, ""},  // shorter than 24: empty text
        {"ABCDEFGH", 20, ""},  // ends with the OUI
        {"", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        core.link.versionTaken = {};
        std::memset(core.link.adapters[0].firmwareVersion, 'x', sizeof core.link.adapters[0].firmwareVersion);
        core.link.pendingRequestType = kMmVersionRequest;
        Handle(0, VersionConfirm(kHost0, kLocal, c.text, c.length));
        EXPECT_EQ(std::string(Rec(0).firmwareVersion), c.expected);
        EXPECT_EQ(ToMac(Rec(0).localMac), kLocal);
    }
}

TEST_F(ConfirmationsTest, NetworkInfoRecordExample) {
    core.link.pendingRequestType = kMmNetworkInfoRequest;
    NetworkInfo info;
    info.reserved = 0x9C;
    const StationRecord record{
        {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, 0x02, {0x02, 0x00, 0x00, 0xAA, 0xBB, 0xCC}, 0x52, 0x40};
    Table(1).stationCount = 9;
    Handle(1, NetworkInfoConfirm(kHost1, kLocal, info, {record}));

    EXPECT_EQ(core.link.currentAdapter, 1);
    EXPECT_EQ(core.link.replyReceived, 1);
    EXPECT_EQ(Table(1).stationCount, 1);
    const StationEntry& e = Table(1).stations[0];
    EXPECT_EQ(e.present, 1);
    EXPECT_EQ(FormatMac(e.stationMac), "00:11:22:33:44:55");
    EXPECT_EQ(e.tei, 2);
    EXPECT_EQ(FormatMac(e.bridgedMac), "02:00:00:AA:BB:CC");
    EXPECT_EQ(e.avgTxRate, 0x52);
    EXPECT_EQ(e.avgRxRate, 0x40);
    EXPECT_EQ(e.missesTillDrop, 0);
    EXPECT_EQ(Table(1).stations[1].present, 0);
    EXPECT_EQ(std::memcmp(Table(1).nid, info.nid, 7), 0);
    EXPECT_EQ(Table(1).snid, info.snid);
    EXPECT_EQ(Table(1).localTei, info.localTei);
    EXPECT_EQ(Table(1).reserved12173, 0x9C);
    EXPECT_EQ(ToMac(Table(1).ccoMac), info.ccoMac);
    EXPECT_EQ(Table(1).ccoTei, info.ccoTei);
    // The status texts follow the confirmation.
    EXPECT_EQ(views.main.stationCountText, "1 Powerline Devices detected");
    EXPECT_EQ(views.main.scanning, "");
}

TEST_F(ConfirmationsTest, NetworkInfoWithNoStationsUpdatesTheNetwork) {
    core.link.pendingRequestType = kMmNetworkInfoRequest;
    Table(0).stationCount = 4;
    NetworkInfo info;
    info.ccoTei = 0x0D;
    Handle(0, NetworkInfoConfirm(kHost0, kLocal, info, {}));
    EXPECT_EQ(Table(0).stationCount, 0);
    EXPECT_EQ(Table(0).ccoTei, 0x0D);
    EXPECT_EQ(core.link.replyReceived, 1);
}

TEST_F(ConfirmationsTest, FortyRecordsInAFullFrameFillThirtyTwoSlots) {
    std::vector<StationRecord> records;
    for (int k = 0; k < 40; ++k) {
        records.push_back({{0x00, 0x0A, 0, 0, 0, static_cast<std::uint8_t>(k + 1)},
                           static_cast<std::uint8_t>(k + 2),
                           {},
                           1,
                           1});
    }
    const Bytes frame = NetworkInfoConfirm(kHost0, kLocal, {}, records, std::nullopt, 1514);
    ASSERT_EQ(frame[38], 40);
    core.link.pendingRequestType = kMmNetworkInfoRequest;
    Handle(0, frame);
    EXPECT_EQ(Table(0).stationCount, 32);
    for (int k = 0; k < 32; ++k) {
        EXPECT_EQ(Table(0).stations[k].present, 1);
        EXPECT_EQ(Table(0).stations[k].stationMac[5], k + 1);
        EXPECT_EQ(Table(0).stations[k].tei, k + 2);
    }
    EXPECT_EQ(Table(1).stationCount, 0);  // nothing spills into the next table
    EXPECT_EQ(Table(1).stations[0].present, 0);
}

// Every length from nothing to a whole frame of five records: never a read past the end (the
// build under AddressSanitizer checks that), and only whole records are taken.
TEST_F(ConfirmationsTest, TruncatedNetworkInfoOfEveryLength) {
    std::vector<StationRecord> records;
    for (int k = 0; k < 5; ++k)
        records.push_back({{0x00, 0x0B, 0, 0, 0, static_cast<std::uint8_t>(k + 1)}, 2, {}, 3, 4});
    const Bytes full = NetworkInfoConfirm(kHost0, kLocal, {}, records);
    UseExactCapture(0);
    for (std::size_t length = 0; length <= full.size(); ++length) {
        SCOPED_TRACE(length);
        ResetLink(kMmNetworkInfoRequest);
        Table(0).stationCount = 99;
        // Exactly `length` bytes, so any read past them lands outside the allocation.
        wire.Deliver(0, Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
        ASSERT_TRUE(HandleConfirmation(core.link, 0, nullptr));
        if (length < 39) {
            EXPECT_EQ(core.link.replyReceived, 0);
            EXPECT_EQ(Table(0).stationCount, 99);
        } else {
            const int whole = static_cast<int>((length - 39) / 15);
            EXPECT_EQ(core.link.replyReceived, 1);
            EXPECT_EQ(Table(0).stationCount, std::min(whole, 5));
            for (int k = 0; k < 5; ++k) EXPECT_EQ(Table(0).stations[k].present, k < whole ? 1 : 0) << k;
        }
    }
}

TEST_F(ConfirmationsTest, TruncatedVersionAndSetKeyOfEveryLength) {
    const Bytes version = VersionConfirm(kHost0, kLocal, "VERSION");
    const Bytes setKey = SetKeyConfirm(kHost0, kLocal, 0);
    UseExactCapture(0);
    for (std::size_t length = 0; length <= 60; ++length) {
        SCOPED_TRACE(length);
        ResetLink(kMmVersionRequest);
        Handle(0, Bytes(version.begin(),
                        version.begin() + static_cast<std::ptrdiff_t>(std::min(length, version.size()))));
        EXPECT_EQ(core.link.replyReceived, length >= 20 ? 1 : 0);  // the OUI ends at byte 19
        const std::string text = Rec(0).firmwareVersion;
        EXPECT_EQ(text, std::string("VERSION").substr(0, length > 23 ? length - 23 : 0));

        ResetLink(kMmSetKeyRequest);
        std::uint8_t status = 0x77;
        Handle(0, Bytes(setKey.begin(), setKey.begin() + static_cast<std::ptrdiff_t>(length)), &status);
        EXPECT_EQ(status, length >= 21 ? 0 : 0x77);
        EXPECT_EQ(core.link.replyReceived, length >= 21 ? 1 : 0);
    }
}

// Success clears the station tables, local device included, and a change of one device (not
// local-only) marks that device's result; a failure only hands back the status. Either way the
// handler waits before the next exchange.
TEST_F(ConfirmationsTest, SetKeyStatusPaths) {
    struct Case {
        std::uint8_t localOnly;
        std::uint8_t status;
        bool resultMarked;
    };
    for (const Case& c : {Case{0, 0, true}, Case{1, 0, false}, Case{0, 1, false}, Case{1, 1, false}}) {
        SCOPED_TRACE(testing::Message() << "localOnly " << int{c.localOnly} << " status " << int{c.status});
        ResetLink(kMmSetKeyRequest);
        clears = 0;
        core.link.setKeyLocalOnly = c.localOnly;
        core.link.setKeyResultIndex = 33;
        core.link.adapters[0].localFound = 1;
        Table(0).stations[2].present = 1;
        const std::uint32_t before = clock.TickMs();
        std::uint8_t status = 0x77;
        Handle(0, SetKeyConfirm(kHost0, kLocal, c.status), &status);
        const bool success = c.status == 0;
        EXPECT_GE(clock.TickMs() - before, 2u);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(core.link.replyReceived, 1);
        std::array<std::uint8_t, 34> results{};
        results[33] = c.resultMarked ? 1 : 0;
        EXPECT_EQ(core.link.setKeyResults, results);
        EXPECT_EQ(Rec(0).localFound, success ? 0 : 1);
        EXPECT_EQ(Table(0).stations[2].present, success ? 0 : 1);
        EXPECT_EQ(clears, success ? 1 : 0);
    }
}

TEST_F(ConfirmationsTest, SetKeyWaitsEvenForAFrameItDrops) {
    core.link.pendingRequestType = kMmSetKeyRequest;
    const std::uint32_t before = clock.TickMs();
    Handle(0, VersionConfirm(kHost0, kLocal, "v"));
    EXPECT_EQ(clock.TickMs() - before, 2u);
    // A HomePlug 1.0 frame ends before the wait.
    Handle(0, HomePlug10Frame(kHost0, kLocal));
    EXPECT_EQ(clock.TickMs() - before, 2u);
}

TEST_F(ConfirmationsTest, StatusTexts) {
    struct Case {
        const char* name;
        int phase;
        std::int32_t localFound;
        std::int32_t stations;
        const char* scanning;
        const char* type;
        const char* count;
        const char* connection;
    };
    const Case cases[] = {
        {kDefaultNetworkName, 5, 1, 3, " Scanning...", "Network Type: Public", "3 Powerline Devices detected",
         "Connected"},
        {"HomePlugAVx", 7, 1, 0, " Scanning...", "Network Type: Private", "0 Powerline Devices detected",
         "Connected"},
        {"", 4, 1, 0, "", "Network Type: Private", "0 Powerline Devices detected", "Connected"},
        {"HomePlug", 0, 1, 1, "", "Network Type: Private", "1 Powerline Devices detected", "Connected"},
        {kDefaultNetworkName, 7, 0, 2, "", "Network Type: Public", "2 Powerline Devices detected",
         "No Device Detected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        core.link.currentAdapter = 1;
        std::memset(Table(1).networkName, 0, sizeof Table(1).networkName);
        std::strncpy(Table(1).networkName, c.name, sizeof Table(1).networkName - 1);
        core.link.adapters[1].localFound = c.localFound;
        Table(1).stationCount = c.stations;
        views.main.ccoMac = "00:B0:52:CC:CC:01";
        views.main.nid = views.main.snid = views.main.ccoTei = "x";
        ShowNetworkStatus(core, c.phase);
        EXPECT_EQ(views.main.scanning, c.scanning);
        EXPECT_EQ(views.main.networkType, c.type);
        EXPECT_EQ(views.main.stationCountText, c.count);
        EXPECT_EQ(views.main.connection, c.connection);
        EXPECT_EQ(views.main.ccoMac.empty(), c.localFound == 0);
        EXPECT_EQ(views.main.snid.empty(), c.localFound == 0);
    }
}

}  // namespace
}  // namespace zentrel::test
