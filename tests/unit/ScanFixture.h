#pragma once
// A core on the in-memory wire whose adapters may each have a simulated local device: it
// answers version requests sent to the local management address and network-info requests sent
// to its own MAC, listing the stations the test gives it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "link/AdapterAccess.h"
#include "link/Frames.h"
#include "pages/ScanCycle.h"
#include "pages/Core.h"
#include "pages/MainPage.h"
#include "support/FakeClock.h"
#include "support/MemoryWire.h"
#include "support/RecordingMessages.h"
#include "support/TestFrames.h"

namespace zentrel::test {

struct SimDevice {
    bool present = true;
    Mac mac{};
    std::string firmware = "SIM-FW-1.0";
    NetworkInfo info;
    std::vector<StationRecord> stations;
    int ignoreNetworkInfo = 0;  // the next requests of this many go unanswered
    std::uint32_t delayMs = 3;
    int versionRequests = 0;
    int networkInfoRequests = 0;
};

inline bool IsAv(std::span<const std::uint8_t> f, std::uint16_t mmType) {
    return f.size() >= 17 && f[12] == 0x88 && f[13] == 0xE1 && f[15] == (mmType & 0xFF) && f[16] == (mmType >> 8);
}
inline bool IsHomePlug10(std::span<const std::uint8_t> f) { return f.size() >= 14 && f[12] == 0x88 && f[13] == 0x7B; }

class ScanFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              (std::string("zentrel-scan-") + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        wire.responder = [this](int adapter, std::span<const std::uint8_t> frame) { Answer(adapter, frame); };
    }

    void TearDown() override {
        core.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // Adapter `index` with host MAC 02:00:00:00:00:0n; its device, when given, is 00:B0:52:00:0n:01.
    int AddAdapter(bool withDevice, std::vector<StationRecord> stations = {}) {
        const int n = wire.AdapterCount();
        const Mac host{0x02, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(n + 1)};
        wire.AddAdapter("eth" + std::to_string(n), host);
        SimDevice device;
        device.present = withDevice;
        device.mac = {0x00, 0xB0, 0x52, 0x00, static_cast<std::uint8_t>(n + 1), 0x01};
        device.info.localTei = 1;
        device.stations = std::move(stations);
        devices.push_back(device);
        return n;
    }

    // The core as the Main page leaves it after creation, without the first scan.
    void MakeCore() {
        core = std::make_unique<Core>(wire, messages, views, clock, &timer, dir);
        views.main.localDevices.present = true;
        views.main.powerlineDevices.present = true;
        SetupLocalDeviceList(*core);
        SetupPowerlineDeviceList(*core);
    }

    Mac HostMac(int adapter) { return wire.Adapter(adapter).mac; }

    void Answer(int adapter, std::span<const std::uint8_t> f) {
        if (adapter < 0 || static_cast<std::size_t>(adapter) >= devices.size()) return;
        SimDevice& d = devices[static_cast<std::size_t>(adapter)];
        if (!d.present || f.size() < 60) return;
        const Mac destination{f[0], f[1], f[2], f[3], f[4], f[5]};
        const Mac source{f[6], f[7], f[8], f[9], f[10], f[11]};
        const Mac management{0x00, 0xB0, 0x52, 0x00, 0x00, 0x01};
        if (IsAv(f, 0xA000) && destination == management) {
            ++d.versionRequests;
            wire.Reply(adapter, VersionConfirm(source, d.mac, d.firmware), d.delayMs);
        } else if (IsAv(f, 0xA038) && destination == d.mac) {
            ++d.networkInfoRequests;
            if (d.ignoreNetworkInfo > 0) {
                --d.ignoreNetworkInfo;
                return;
            }
            wire.Reply(adapter, NetworkInfoConfirm(source, d.mac, d.info, d.stations), d.delayMs);
        }
    }

    // Times (in clock ms) of the frames sent on an adapter that match.
    std::vector<std::uint32_t> SentTimes(int adapter, std::uint16_t mmType) {
        std::vector<std::uint32_t> times;
        for (const auto& s : wire.Sent(adapter)) {
            if (IsAv(s.bytes, mmType)) times.push_back(s.timeMs);
        }
        return times;
    }
    int CountSent(int adapter, bool (*match)(std::span<const std::uint8_t>)) {
        int n = 0;
        for (const auto& s : wire.Sent(adapter)) n += match(s.bytes) ? 1 : 0;
        return n;
    }

    std::filesystem::path dir;
    FakeClock clock;
    MemoryWire wire{clock};
    RecordingMessages messages;
    Views views;
    FakeTimerHost timer;
    std::vector<SimDevice> devices;
    std::unique_ptr<Core> core;
};

inline StationRecord Station(std::uint8_t last, std::uint8_t tei, std::uint8_t rate) {
    StationRecord s;
    s.mac = {0x00, 0xB0, 0x52, 0x11, 0x00, last};
    s.tei = tei;
    s.bridgedMac = {0x02, 0xAA, 0x00, 0x00, 0x00, last};
    s.avgTxRate = rate;
    s.avgRxRate = rate;
    return s;
}

}  // namespace zentrel::test
