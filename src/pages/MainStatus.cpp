#include "pages/MainStatus.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "keys/KeyDerivation.h"
#include "pages/Core.h"
#include "pages/MainPage.h"

namespace zentrel {
namespace {

int CurrentIndex(const Core& core) {
    const int current = core.link.currentAdapter;
    return current >= 0 && current < kMaxAdapters ? current : 0;
}

}  // namespace

void ShowConnectionState(Core& core) {
    MainPageView& main = core.views.main;
    const auto& record = core.link.adapters[static_cast<std::size_t>(CurrentIndex(core))];
    if (record.localFound != 0) {
        main.connection = "Connected";
    } else {
        main.connection = "No Device Detected";
        main.ccoMac.clear();
        main.ccoTei.clear();
        main.nid.clear();
        main.snid.clear();
    }
    core.views.Changed();
}

bool IsPublicNetwork(const StationTable& table) {
    // The network itself decides once its NID is known: the name is only what this program last
    // set, which another program, a reset or the device's button may have changed since. Before
    // that the name is compared with its terminator, so one that only begins with the default is
    // private.
    const bool nidKnown = std::any_of(std::begin(table.network.nid), std::end(table.network.nid), [](std::uint8_t b) { return b != 0; });
    return nidKnown ? IsDefaultNetworkNid(table.network.nid)
                    : std::memcmp(table.networkName, kDefaultNetworkName, sizeof kDefaultNetworkName) == 0;
}

void ShowNetworkStatus(Core& core, int phase) {
    MainPageView& main = core.views.main;
    const std::size_t current = static_cast<std::size_t>(CurrentIndex(core));
    const auto& record = core.link.adapters[current];
    const StationTable& table = core.link.tables[current];

    main.scanning = (phase > 4 && record.localFound != 0) ? " Scanning..." : "";
    main.networkType = std::string("Network Type: ") + (IsPublicNetwork(table) ? "Public" : "Private");
    main.stationCountText = std::to_string(table.stationCount) + " " + "Powerline Devices detected";
    ShowConnectionState(core);
}

}  // namespace zentrel
