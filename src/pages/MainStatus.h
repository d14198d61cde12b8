#pragma once
// The Main page's status texts: connection state, scanning text, network type and station count.

namespace zentrel {

struct Core;

void ShowConnectionState(Core& core);
// `phase` is the scan cycle's step: it picks the scanning text.
void ShowNetworkStatus(Core& core, int phase);

}  // namespace zentrel
