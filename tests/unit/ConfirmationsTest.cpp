// Confirmations as the handler takes them: the golden frames of tests/data decode into the
// tables, frames not meant for this host are dropped, and no length makes it read past a frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "link/ConfirmationCodec.h"
#include "link/Confirmations.h"
#include "link/Frames.h"
#include "pages/MainPage.h"
#include "support/HexFile.h"
#include "support/TestFrames.h"
#include "support/WireCore.h"

namespace zentrel::test {
namespace {

const Mac kHost0 = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};  // the golden frames' destination
const Mac kHost1 = {0x02, 0x00, 0x00, 0x00, 0x00, 0x02};
const Mac kLocal = {0x00, 0xB0, 0x52, 0x5A, 0x00, 0x01};
const Mac kOtherLocal = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x08};

Bytes Golden(const char* name) { return ReadHexFile(std::string(ZENTREL_TEST_DATA "/") + name); }

struct ConfirmationsTest : WireCoreTest {
    int clears = 0;

    void SetUp() override {
        OpenAdapters({kHost0, kHost1});
        ResetLink(0);
        core.afterClearStationTables = [this](Core&) { ++clears; };
    }
    // A fresh link state with the adapters' host MACs, as a test row starts from.
    void ResetLink(std::int32_t pending, std::int32_t currentAdapter = 0) {
        static_cast<LinkState&>(core.link) = LinkState{};
        for (int i = 0; i < 2; ++i) {
            std::memcpy(Table(i).hostMac, core.link.access.slots[static_cast<std::size_t>(i)].hostMac, 6);
            std::memcpy(core.link.adapters[static_cast<std::size_t>(i)].hostMac, Table(i).hostMac, 6);
        }
        core.link.currentAdapter = currentAdapter;
        core.link.pendingRequestType = pending;
    }
    // Delivers one frame, exactly as long as it is, and runs one poll, which must consume it.
    void Handle(int adapter, const Bytes& frame, std::uint8_t* status = nullptr) {
        wire.Deliver(adapter, Bytes(frame.begin(), frame.end()));
        ASSERT_TRUE(HandleConfirmation(core.link, adapter, status));
    }
    const AdapterRecord& Rec(int i) { return core.link.adapters[static_cast<std::size_t>(i)]; }
    StationTable& Table(int i) { return core.link.tables[static_cast<std::size_t>(i)]; }
};

TEST_F(ConfirmationsTest, GoldenFramesDecodeIntoTheTables) {
    EXPECT_FALSE(HandleConfirmation(core.link, 0, nullptr));  // nothing waiting
    ResetLink(kMmVersionRequest, 1);
    Handle(0, Golden("version_confirm.hex"));
    EXPECT_EQ(core.link.replyReceived, 1);
    EXPECT_EQ(core.link.currentAdapter, 0);
    EXPECT_EQ(Rec(0).localFound, 1);
    EXPECT_EQ(Table(0).localFound, 1);
    EXPECT_EQ(FormatMac(Rec(0).localMac), "00:B0:52:5A:00:01");
    EXPECT_EQ(FormatMac(Table(0).localMac), "00:B0:52:5A:00:01");
    EXPECT_STREQ(Rec(0).firmwareVersion, "PLCSIM-AV-3.1.0-00-20240101");
    // A second local device answering the same exchange changes nothing.
    core.link.replyReceived = 0;
    Handle(0, VersionConfirm(kHost0, kOtherLocal, "other"));
    EXPECT_EQ(FormatMac(Rec(0).localMac), "00:B0:52:5A:00:01");
    EXPECT_STREQ(Rec(0).firmwareVersion, "PLCSIM-AV-3.1.0-00-20240101");

    ResetLink(kMmNetworkInfoRequest, 1);
    Table(0).stationCount = 9;
    Handle(0, Golden("network_info_confirm.hex"));
    EXPECT_EQ(core.link.replyReceived, 1);
    EXPECT_EQ(core.link.currentAdapter, 0);
    ASSERT_EQ(Table(0).stationCount, 3);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const StationEntry& e = Table(0).stations[k];
        EXPECT_EQ(e.present, 1);
        EXPECT_EQ(e.stationMac[5], 2 + k);
        EXPECT_EQ(e.tei, 2 + k);
        EXPECT_EQ(FormatMac(e.bridgedMac), "02:00:00:AA:BB:C" + std::to_string(2 + k));
        EXPECT_EQ(e.avgTxRate, 0x52 - 8 * k);
        EXPECT_EQ(e.avgRxRate, 0x40 - 8 * k);
        EXPECT_EQ(e.missesTillDrop, 0);
    }
    EXPECT_EQ(Table(0).stations[3].present, 0);
    EXPECT_EQ(std::memcmp(Table(0).nid, "\xB0\xF2\xE6\x95\x66\x6B\x03", 7), 0);
    EXPECT_EQ(Table(0).snid, 7);
    EXPECT_EQ(Table(0).localTei, 1);
    EXPECT_EQ(Table(0).reserved12173, 2);
    EXPECT_EQ(FormatMac(Table(0).ccoMac), "00:B0:52:5A:00:01");
    EXPECT_EQ(Table(0).ccoTei, 1);
    EXPECT_EQ(views.main.stationCountText, "3 Powerline Devices detected");
}

// A version confirmation addressed to another host, or sent by this host itself, marks the
// adapter as answered but takes no device.
TEST_F(ConfirmationsTest, VersionNotForUsOrFromOurselvesTakesNothing) {
    for (const Bytes& frame : {VersionConfirm(kHost1, kLocal, "v"), VersionConfirm(kHost0, kHost0, "v")}) {
        ResetLink(kMmVersionRequest, 3);
        Handle(0, frame);
        EXPECT_EQ(Rec(0).localFound, 1);
        EXPECT_EQ(core.link.replyReceived, 1);
        EXPECT_FALSE(IsMacSet(Rec(0).localMac));
        EXPECT_FALSE(IsMacSet(Table(0).localMac));
        EXPECT_STREQ(Rec(0).firmwareVersion, "");
    }
}

TEST_F(ConfirmationsTest, FortyRecordsInAFullFrameFillThirtyTwoSlots) {
    std::vector<StationRecord> records;
    for (int k = 0; k < 40; ++k) {
        records.push_back({{0x00, 0x0A, 0, 0, 0, static_cast<std::uint8_t>(k + 1)}, static_cast<std::uint8_t>(k + 2), {}, 1, 1});
    }
    ResetLink(kMmNetworkInfoRequest);
    Handle(0, NetworkInfoConfirm(kHost0, kLocal, {}, records, std::nullopt, 1514));
    EXPECT_EQ(Table(0).stationCount, 32);
    for (int k = 0; k < 32; ++k) {
        EXPECT_EQ(Table(0).stations[k].present, 1);
        EXPECT_EQ(Table(0).stations[k].stationMac[5], k + 1);
        EXPECT_EQ(Table(0).stations[k].tei, k + 2);
    }
    EXPECT_EQ(Table(1).stationCount, 0);  // nothing spills into the next table
    EXPECT_EQ(Table(1).stations[0].present, 0);
}

// Every length from nothing to the whole frame: only whole fields and records are decoded, and no
// length makes a decoder read past the frame (the build under AddressSanitizer checks that).
TEST(ConfirmationCodec, TruncatedFramesOfEveryLength) {
    const Bytes info = Golden("network_info_confirm.hex");
    const Bytes version = VersionConfirm(kHost0, kLocal, "VERSION");
    const Bytes setKey = SetKeyConfirm(kHost0, kLocal, 0);
    const auto cut = [](const Bytes& frame, std::size_t n) {
        return Bytes(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(std::min(n, frame.size())));
    };
    for (std::size_t length = 0; length <= info.size(); ++length) {
        SCOPED_TRACE(length);
        const auto decoded = DecodeNetworkInformation(cut(info, length));
        ASSERT_EQ(decoded.has_value(), length >= 39);
        EXPECT_EQ(decoded ? decoded->stations.size() : 0u, length >= 39 ? (length - 39) / 15 : 0u);
        const auto v = DecodeVersionConfirmation(cut(version, length));
        ASSERT_EQ(v.has_value(), length >= 20);  // the OUI ends at byte 19
        EXPECT_EQ(v ? v->firmware : "", std::string("VERSION").substr(0, length > 23 ? length - 23 : 0));
        EXPECT_EQ(DecodeSetKeyStatus(cut(setKey, length)), length >= 21 ? std::optional<std::uint8_t>(0) : std::nullopt);
    }
}

// Success clears the station tables, local device included, and a change of one device (not
// local-only) marks that device's result; a failure only hands back the status. Either way the
// handler waits 2 ms before the next exchange, also for a frame it drops.
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
        EXPECT_EQ(clock.TickMs() - before, 2u);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(core.link.replyReceived, 1);
        std::array<std::uint8_t, 34> results{};
        results[33] = c.resultMarked ? 1 : 0;
        EXPECT_EQ(core.link.setKeyResults, results);
        EXPECT_EQ(Rec(0).localFound, success ? 0 : 1);
        EXPECT_EQ(Table(0).stations[2].present, success ? 0 : 1);
        EXPECT_EQ(clears, success ? 1 : 0);
    }
    ResetLink(kMmSetKeyRequest);
    const std::uint32_t before = clock.TickMs();
    Handle(0, VersionConfirm(kHost0, kLocal, "v"));
    EXPECT_EQ(clock.TickMs() - before, 2u);
    Handle(0, HomePlug10Frame(kHost0, kLocal));  // ends before the wait
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
        {kDefaultNetworkName, 5, 1, 3, " Scanning...", "Network Type: Public", "3 Powerline Devices detected", "Connected"},
        {"HomePlugAVx", 7, 1, 0, " Scanning...", "Network Type: Private", "0 Powerline Devices detected", "Connected"},
        {"", 4, 1, 0, "", "Network Type: Private", "0 Powerline Devices detected", "Connected"},
        {"HomePlug", 0, 1, 1, "", "Network Type: Private", "1 Powerline Devices detected", "Connected"},
        {kDefaultNetworkName, 7, 0, 2, "", "Network Type: Public", "2 Powerline Devices detected", "No Device Detected"},
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
