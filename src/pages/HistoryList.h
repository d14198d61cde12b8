#pragma once
// The device history as the Diagnostics page's list shows it: deleting records.
#include <cstdint>
#include <string>

#include "pages/Views.h"

namespace zentrel {

struct Core;

// The "Delete..." command of the history list; true when a record was deleted.
bool DeleteSelectedHistory(Core& core);
// Removes record `position` (1-based) and its station; nothing for 0 or less.
void DeleteHistoryRecord(Core& core, int position);
// 1-based row of `list` whose sub-item `subItem` reads FormatMac(mac), 0 when none or mac is empty.
int FindRowByMacText(const ListModel& list, const std::uint8_t* mac, int subItem);

}  // namespace zentrel
