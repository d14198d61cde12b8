#pragma once
// The device history as the Diagnostics page's list shows it: deleting and purging records, and
// the comparison and link-quality text by which the Main page sorts its powerline device list.
#include <cstdint>
#include <string>

#include "registry/Views.h"

namespace zentrel {

struct Core;

// Removes that MAC's station from the current adapter's table and the first history record
// holding the MAC. Returns the record's 1-based position, 0 when no record held it.
int RemoveHistoryByMac(Core& core, const std::uint8_t* mac);
// Removes every record whose MAC is empty (only 0x00 and 0xFF bytes); the others keep their order.
void PurgeEmptyHistory(Core& core);

// The "Delete..." command of the history list; true when a record was deleted.
bool DeleteSelectedHistory(Core& core);
// Removes record `position` (1-based) and its station; nothing for 0 or less.
void DeleteHistoryRecord(Core& core, int position);
// 1-based row of `list` whose sub-item `subItem` reads FormatMac(mac), 0 when none or mac is empty.
int FindRowByMacText(const ListModel& list, const std::uint8_t* mac, int subItem);
// Sort comparison of the powerline device list over station slots a and b of the current adapter.
int CompareDeviceRows(const Core& core, int a, int b, int column);
// Link-quality text of a rate: a wording entry, or a bar of '|' when there is no wording.
std::string QualityText(const Core& core, double rate, std::int32_t rateClass);

}  // namespace zentrel
