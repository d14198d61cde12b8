#pragma once
// The Main page's powerline device list: its rows from the current adapter's table, the local
// device list's TEI and MAC cells, and the column-header sort rule.
namespace zentrel {

struct Core;

// After a network-info pass: the local devices' cells, the powerline rows, the network boxes,
// then the history brought up to date.
void RefreshStationLists(Core& core);
void InsertStationRow(Core& core, int slot);
// Sort comparison of the powerline device list over station slots a and b of the current adapter.
int CompareDeviceRows(const Core& core, int a, int b, int column);
// Sorts the powerline device list by `column` with CompareDeviceRows.
void SortPowerlineList(Core& core, int column);
// The column-header click rule of the powerline device list.
void OnPowerlineColumnClick(Core& core, int column);

}  // namespace zentrel
