#pragma once
// Index-addressed adapters (0..7) above the wire: enumeration, captures with the fixed
// two-ethertype filter, padded sends and one-frame fetches.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "link/Wire.h"

namespace zentrel {

struct Link;

struct CaptureSlot {
    std::unique_ptr<Capture> handle;  // null when closed
    std::uint8_t hostMac[6] = {};
};

struct AdapterAccessState {
    std::array<CaptureSlot, 8> slots;
    std::int32_t adapterCount = 0;
    std::vector<WireAdapter> deviceList;
    bool deviceListHeld = false;
    std::vector<std::uint8_t> received;  // private copy of the last frame fetched
    bool receivedHeld = false;
    bool permissionNoticeGiven = false;
};

// Passes ethertypes 0x887B and 0x88E1, whatever the addresses; drops everything else.
extern const std::array<BpfInstruction, 7> kHomePlugFilter;

bool EnumerateAdapters(Link& link);
// EnumerateAdapters for the next scan cycle: an adapter listed at the same position under the
// same name and system index keeps its open capture, with what it received meanwhile thrown
// away; every other capture is closed. Opening and closing a capture costs milliseconds, which
// every cycle paid for every adapter.
bool RelistAdapters(Link& link);
bool OpenCapture(Link& link, int adapter);
bool CloseCapture(Link& link, int adapter);
// Drops the last frame fetched and the network-information answers held for the next scan:
// both belong to the scan that fetched them.
void DropHeldFrames(Link& link);
// DropHeldFrames, closes every capture and forgets the listing, so that the next rescan
// enumerates and opens everything anew.
bool CloseAllCaptures(Link& link);
// Pads below 60 bytes with zeros (never reading past `frame`), refuses above 1514, false
// without an open capture.
bool SendFrame(Link& link, int adapter, const std::uint8_t* frame, std::size_t length);
// One frame, or none. The view stays valid until the next ReceiveFrame or CloseAllCaptures.
std::optional<std::span<const std::uint8_t>> ReceiveFrame(Link& link, int adapter);
// ReceiveFrame without waiting when no frame is there (see Capture::Poll).
std::optional<std::span<const std::uint8_t>> PollFrame(Link& link, int adapter);

}  // namespace zentrel
