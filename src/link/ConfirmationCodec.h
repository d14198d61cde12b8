#pragma once
// The three confirmations the program waits for, decoded from the bytes of one received frame.
// Pure functions: they read nothing past the frame and change nothing but their output.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/StationTable.h"

namespace zentrel {

using FrameBytes = std::span<const std::uint8_t>;

// The MMTYPE of a HomePlug AV management message addressed to one station; nullopt for a frame
// shorter than the management header, of another EtherType, or sent to the broadcast address.
std::optional<std::uint16_t> ManagementType(FrameBytes frame);

// Whether the frame carries this family's vendor OUI after the MMTYPE. Any host on the segment
// can send confirmations; one with another OUI is never taken.
bool FromOurFamily(FrameBytes frame);

struct VersionConfirmation {
    std::uint8_t destination[6];
    std::uint8_t source[6];
    std::string firmware;  // up to 99 characters, up to the first NUL
};
// A version confirmation of our family; nullopt for any other frame.
std::optional<VersionConfirmation> DecodeVersionConfirmation(FrameBytes frame);

struct NetworkStation {
    std::uint8_t mac[6];
    std::uint8_t tei;
    std::uint8_t bridgedMac[6];
    std::uint8_t avgTxRate;
    std::uint8_t avgRxRate;
};
struct NetworkInformation {
    NetworkSummary summary;
    // At most 32 stations, and only those whose 15-byte record lies wholly inside the frame,
    // whatever the count byte claims.
    std::vector<NetworkStation> stations;
};
// A network-information confirmation of our family that holds at least the fixed part; nullopt
// otherwise.
std::optional<NetworkInformation> DecodeNetworkInformation(FrameBytes frame);

// The status byte of a set-key confirmation of our family (0 is success); nullopt otherwise.
std::optional<std::uint8_t> DecodeSetKeyStatus(FrameBytes frame);

}  // namespace zentrel
