#pragma once
// The operating-system side of the capture backend: what libpcap does not tell portably.
#include <cstdint>
#include <string>

namespace zentrel {

// The interface's current hardware address (which may differ from the burnt-in one).
bool QueryInterfaceMac(const std::string& interfaceName, std::uint8_t mac[6]);

// Whether the operating system reports the interface as Ethernet. Used when libpcap cannot be
// asked (no permission to activate a capture) so that the adapter still shows up and the open
// can report the missing privilege.
bool IsEthernetInterface(const std::string& interfaceName);

}  // namespace zentrel
