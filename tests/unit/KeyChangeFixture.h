#pragma once
// A core on the in-memory wire with one adapter whose local device answers set-key requests: the
// local request is confirmed, a remote request as the test scripts it per DAK, a queue of
// answers, each a status byte or kSilent (unscripted: confirmed). Messages are recorded with the
// time they were shown.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>

#include "keys/KeyDerivation.h"
#include "link/AdapterAccess.h"
#include "pages/Core.h"
#include "support/FakeClock.h"
#include "support/MemoryWire.h"
#include "support/RecordingMessages.h"
#include "support/TestFrames.h"

namespace zentrel::test {

struct TimedMessages : RecordingMessages {
    explicit TimedMessages(Clock& c) : clock(c) {}
    MsgAnswer Show(const Message& message) override {
        shownAtMs.push_back(clock.TickMs());
        return RecordingMessages::Show(message);
    }
    Clock& clock;
    std::vector<std::uint32_t> shownAtMs;
};

// One set-key request as the local device received it.
struct SetKeyRequest {
    std::uint32_t timeMs = 0;
    std::uint8_t mode = 0;  // byte 37
    std::vector<std::uint8_t> broadcast;  // bytes 38..43
    std::string nmk, dak;   // bytes 21..36 and 44..59 as KeyText
    std::uint8_t localOnlyFlag = 0;  // setKeyLocalOnly at the time of the send
};

inline constexpr int kSilent = -1;

class KeyChangeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("zentrel-keys-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        wire.AddAdapter("eth0", host);
        core = std::make_unique<Core>(wire, messages, views, clock, &timer, dir);
        ASSERT_TRUE(EnumerateAdapters(core->link));
        ASSERT_TRUE(OpenCapture(core->link, 0));
        for (auto* mac : {core->link.tables[0].hostMac, core->link.adapters[0].hostMac}) std::memcpy(mac, host.data(), 6);
        for (auto* mac : {core->link.tables[0].localMac, core->link.adapters[0].localMac}) std::memcpy(mac, local.data(), 6);
        core->link.currentAdapter = 0;
        views.main.powerlineDevices.present = true;
        wire.responder = [this](int adapter, std::span<const std::uint8_t> frame) { Answer(adapter, frame); };
    }

    void TearDown() override {
        core.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // A row of the powerline device list: TEI, speed, bridged MAC, MAC, password.
    void AddRow(const std::string& tei, const std::string& mac, const std::string& password) {
        ListModel& list = views.main.powerlineDevices;
        const int r = list.AppendRow(0);
        const std::string cells[] = {tei, "100", "", mac, password};
        for (int c = 0; c < 5; ++c) list.SetCell(r, c, cells[c]);
    }

    void Answer(int adapter, std::span<const std::uint8_t> f) {
        if (f.size() < 60 || f[15] != 0x50 || f[16] != 0xA0) return;
        const SetKeyRequest& r = requests.emplace_back(SetKeyRequest{clock.TickMs(), f[37], {f.begin() + 38, f.begin() + 44},
                                                                     KeyText(&f[21]), KeyText(&f[44]), core->link.setKeyLocalOnly});
        auto& queue = remoteAnswers[r.mode == 0x0F ? "" : r.dak];
        const int status = queue.empty() ? 0 : queue.front();
        if (!queue.empty()) queue.pop_front();
        if (status != kSilent) wire.Reply(adapter, SetKeyConfirm(host, local, static_cast<std::uint8_t>(status)), 5);
    }

    const Mac host{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    const Mac local{0x00, 0xB0, 0x52, 0x00, 0xAA, 0x01};
    FakeClock clock;
    MemoryWire wire{clock};
    TimedMessages messages{clock};
    Views views;
    FakeTimerHost timer;
    std::filesystem::path dir;
    std::unique_ptr<Core> core;

    std::vector<SetKeyRequest> requests;
    std::map<std::string, std::deque<int>> remoteAnswers;  // by DAK text
};

inline const std::string kSuccessText =
    "Change network name successfully!\nPlease wait for about 10 seconds for updating the corresponding data.";
inline const std::string kLocalOnlySuccessText =
    "Change local adapter's network name successfully!\nPlease wait for about 10 seconds for updating the "
    "corresponding data.";

}  // namespace zentrel::test
