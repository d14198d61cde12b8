#pragma once
// The first rescan of the adapters and the network-information pass that follows it, run on a
// thread of its own while the program builds its window. Listing the adapters, opening their
// captures and asking the devices take about as long as starting the toolkit and need nothing
// from it, so the two overlap and the station list is there as soon as the window is.
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "link/Link.h"

namespace zentrel {

class EarlyRescan {
public:
    // Starts RescanAdapters on a link of its own over `wire` and `clock`. From here until TakeInto
    // or the destructor returns, the wire belongs to the thread: nothing else may use it.
    EarlyRescan(Wire& wire, Clock& clock);
    // Waits for the thread; captures that nobody took over are closed.
    ~EarlyRescan();
    EarlyRescan(const EarlyRescan&) = delete;
    EarlyRescan& operator=(const EarlyRescan&) = delete;

    // Waits for the thread, leaves `link` as RescanAdapters(link) would have left it (called on a
    // link with no open capture and empty tables) with the network-information answers held for
    // its next QueryNetworkInfo, then tells link.events, in order, what the thread's link told.
    // Returns what RescanAdapters returned. Once only: a second call takes nothing and returns
    // false.
    bool TakeInto(Link& link);

private:
    enum class Event { NetworkStatusChanged, TablesCleared, PermissionNotice };
    // Keeps what the rescan tells, to be told again on the thread that takes the result.
    struct Recorder final : LinkEvents {
        void NetworkStatusChanged() override { told.emplace_back(Event::NetworkStatusChanged, std::string()); }
        void TablesCleared() override { told.emplace_back(Event::TablesCleared, std::string()); }
        void PermissionNotice(const std::string& text) override { told.emplace_back(Event::PermissionNotice, text); }
        std::vector<std::pair<Event, std::string>> told;
    };

    Recorder recorder_;
    Link link_;
    bool found_ = false;
    bool taken_ = false;
    std::thread thread_;  // last: starts once everything it uses is built
};

}  // namespace zentrel
