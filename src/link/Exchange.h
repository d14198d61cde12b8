#pragma once
// The exchange engine: a request, then the wait for its confirmation, over every adapter.
#include <cstdint>
#include <string>

namespace zentrel {

struct Link;

bool ExchangeWait(Link& link, int adapter, std::uint32_t timeoutMs, std::uint8_t* status);
// Returns the set-key status byte, or -1 when no confirmation came within 350 ms.
int SetNetworkKey(Link& link, const std::string& nmkText, int mode, const std::string* dakText);
bool DiscoverLocalDevices(Link& link);
void QueryNetworkInfo(Link& link);
// The asking half of QueryNetworkInfo: the answers are held in link.prefetched, and the next
// QueryNetworkInfo takes them as if they had just come, instead of asking again. For a pass that
// is due moments later on another thread, once this one has handed the link over.
void PrefetchNetworkInfo(Link& link);
bool RescanAdapters(Link& link);
// The number of adapters found, kept within 0..8.
int AdapterCount(const Link& link);

}  // namespace zentrel
