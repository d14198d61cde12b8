#include "link/EarlyRescan.h"

#include "link/Exchange.h"

namespace zentrel {

EarlyRescan::EarlyRescan(Wire& wire, Clock& clock)
    : link_(wire, clock, &recorder_), thread_([this] {
          found_ = RescanAdapters(link_);
          // The network-information pass of the Main page's first scan follows the rescan.
          if (found_) PrefetchNetworkInfo(link_);
      }) {}

EarlyRescan::~EarlyRescan() {
    if (thread_.joinable()) thread_.join();
    CloseAllCaptures(link_);
}

bool EarlyRescan::TakeInto(Link& link) {
    if (thread_.joinable()) thread_.join();
    if (taken_) return false;
    taken_ = true;
    static_cast<LinkState&>(link) = static_cast<const LinkState&>(link_);
    link.access = std::move(link_.access);
    link_.access = AdapterAccessState{};
    for (const auto& [event, text] : recorder_.told) {
        if (!link.events) break;
        switch (event) {
        case Event::NetworkStatusChanged: link.events->NetworkStatusChanged(); break;
        case Event::TablesCleared: link.events->TablesCleared(); break;
        case Event::PermissionNotice: link.events->PermissionNotice(text); break;
        }
    }
    recorder_.told.clear();
    return found_;
}

}  // namespace zentrel
