// How long the adapter listing of one scan cycle takes on the interfaces of the network
// namespace it runs in: the first listing, then N more as the following cycles make them.
// Usage: adapter_list_time [LISTINGS]   (needs the raw-Ethernet capability)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/pcap/PcapWire.h"

int main(int argc, char** argv) {
    const int listings = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    zentrel::PcapWire wire;
    std::vector<zentrel::WireAdapter> adapters;
    auto timed = [&] {
        const auto t0 = std::chrono::steady_clock::now();
        if (!wire.ListAdapters(adapters)) std::fprintf(stderr, "listing failed\n");
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    };
    const double first = timed();
    std::vector<double> ms;
    for (int i = 0; i < listings; ++i) ms.push_back(timed());
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("adapters listed %zu: first listing %.2f ms; then per cycle mean %.2f ms, median %.2f ms, "
                "min %.2f ms, max %.2f ms (%d listings)\n",
                adapters.size(), first, sum / listings, ms[ms.size() / 2], ms.front(), ms.back(), listings);
    return 0;
}
