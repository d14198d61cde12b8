#pragma once
// Appends a history record to a database in memory, as a scan would leave it.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/MacAddress.h"
#include "registry/Database.h"

namespace zentrel::test {

inline HistoryRecord& AddRecord(DeviceDatabase& db, const Mac& mac, const std::string& label = "Device",
                                const std::string& password = "", std::int64_t lastSeen = 0, std::uint8_t speed = 0) {
    HistoryRecord& r = db.history[static_cast<std::size_t>(db.historyCount++)];
    r = HistoryRecord{};
    std::memcpy(r.mac, mac.data(), 6);
    SetRecordText(r.label, sizeof r.label, label);
    SetRecordText(r.password, sizeof r.password, password);
    r.lastSeen = lastSeen;
    r.speed = speed;
    return r;
}

}  // namespace zentrel::test
