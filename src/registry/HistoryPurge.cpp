#include "registry/HistoryPurge.h"

#include <algorithm>
#include <cstring>

#include "base/MacAddress.h"
#include "link/Link.h"
#include "link/StationOps.h"
#include "registry/Database.h"

namespace zentrel {

int RemoveHistoryByMac(DeviceDatabase& db, Link& link, const std::uint8_t* mac) {
    RemoveStation(link, mac);
    const int p = FindHistoryByMac(db, mac);
    if (p > 0 && db.historyCount > 0) {
        for (int j = p; j < db.historyCount; ++j) db.history[static_cast<std::size_t>(j) - 1] = db.history[static_cast<std::size_t>(j)];
        db.history[static_cast<std::size_t>(db.historyCount) - 1] = HistoryRecord{};
        --db.historyCount;
    }
    return p;
}

void PurgeEmptyHistory(DeviceDatabase& db, Link& link) {
    db.historyCount = std::clamp(db.historyCount, 0, kMaxHistory);
    int i = 0;
    while (i < db.historyCount) {
        const auto& rec = db.history[static_cast<std::size_t>(i)];
        if (IsMacSet(rec.mac)) {
            ++i;
            continue;
        }
        // Every record before i has a set MAC, so the first record with this MAC is record i;
        // the MAC is copied because the record moves.
        std::uint8_t mac[6];
        std::memcpy(mac, rec.mac, 6);
        if (RemoveHistoryByMac(db, link, mac) == 0) ++i;  // cannot happen; never loop forever
    }
}

}  // namespace zentrel
