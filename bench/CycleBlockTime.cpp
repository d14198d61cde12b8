// How long one scan cycle blocks the program's only thread, on the adapters of the network
// namespace it runs in: RunScanCycle timed N times after one restart; then a restart of the scan
// (what the Scan button and, with automatic scanning off, each visit to the Main page do) timed
// N times.
// Usage: cycle_block_time [CYCLES]   (needs the raw-Ethernet capability)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "pages/ScanCycle.h"
#include "pages/Preferences.h"
#include "link/pcap/PcapWire.h"
#include "pages/Core.h"
#include "pages/MainPage.h"
#include "registry/OemPrefs.h"

namespace {

class QuietMessages : public zentrel::Messages {
public:
    zentrel::MsgAnswer Show(const zentrel::Message&) override { return zentrel::MsgAnswer::Ok; }
};

}  // namespace

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const auto dir = std::filesystem::temp_directory_path() / "zentrel-cycle-bench";
    std::filesystem::create_directories(dir);
    zentrel::PcapWire wire;
    QuietMessages messages;
    zentrel::Views views;
    zentrel::SystemClock clock;
    zentrel::Core core(wire, messages, views, clock, nullptr, dir);
    zentrel::LoadOemPrefs(core);
    zentrel::InitMainPage(core);  // makes the lists, so the cycle runs its network-info pass

    const auto timed = [cycles](auto&& step) {
        std::vector<double> ms;
        for (int i = 0; i < cycles; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            step();
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
        std::sort(ms.begin(), ms.end());
        return ms;
    };
    const auto summary = [cycles](const std::vector<double>& ms) {
        double sum = 0;
        for (double v : ms) sum += v;
        char text[160];
        std::snprintf(text, sizeof text, "mean %.1f ms, median %.1f ms, min %.1f ms, max %.1f ms (%d runs)",
                      sum / cycles, ms[ms.size() / 2], ms.front(), ms.back(), cycles);
        return std::string(text);
    };
    const std::vector<double> ms = timed([&core] { zentrel::RunScanCycle(core); });
    std::string local = "none";
    for (int a = 0; a < core.link.access.adapterCount && a < zentrel::kMaxAdapters; ++a) {
        if (!core.link.adapters[static_cast<std::size_t>(a)].localFound) continue;
        local = "on adapter ";
        local += std::to_string(a + 1);
        if (static_cast<std::size_t>(a) < core.link.access.deviceList.size()) {
            local += " (";
            local += core.link.access.deviceList[static_cast<std::size_t>(a)].name;
            local += ")";
        }
        break;
    }
    std::printf("adapters %d, local device %s, listed stations %d: cycle %s\n", core.link.access.adapterCount,
                local.c_str(), core.views.main.powerlineDevices.RowCount(), summary(ms).c_str());
    const std::vector<double> restarts = timed([&core] { zentrel::RestartScanning(core); });
    std::printf("    restart of the scan: %s\n", summary(restarts).c_str());
    std::filesystem::remove_all(dir);
    return 0;
}
