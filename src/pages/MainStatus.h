#pragma once
// The Main page's status texts: connection state, scanning text, network type and station count.

namespace zentrel {

struct Core;
struct StationTable;

// Whether the table's network is the public (default) one.
bool IsPublicNetwork(const StationTable& table);

void ShowConnectionState(Core& core);
// `phase` is the scan cycle's step: it picks the scanning text.
void ShowNetworkStatus(Core& core, int phase);

}  // namespace zentrel
