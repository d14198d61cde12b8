#pragma once
// Frames a test plays back as devices: the three confirmations and plain Ethernet frames.
// Every builder returns the bytes of one frame; the destination is normally the adapter's MAC and
// the source the answering device's MAC.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/MacAddress.h"

namespace zentrel::test {

using Bytes = std::vector<std::uint8_t>;

inline constexpr Mac kBroadcastMac = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Destination, source and ethertype, then zeros up to `length` (at least 14).
Bytes EthernetFrame(const Mac& destination, const Mac& source, std::uint16_t etherType,
                    std::size_t length = 60);
// A HomePlug AV frame with the given MMTYPE and the vendor OUI, zeros up to `length`.
Bytes AvFrame(const Mac& destination, const Mac& source, std::uint16_t mmType, std::size_t length = 60);

// Version confirmation (0xA001) with the NUL-terminated text at byte 23. The frame is as long as
// the text needs, padded to 60, unless `length` is given (then cut or padded to it).
Bytes VersionConfirm(const Mac& destination, const Mac& source, const std::string& version,
                     std::optional<std::size_t> length = std::nullopt);

struct NetworkInfo {
    std::uint8_t nid[7] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x07};
    std::uint8_t snid = 0x05;
    std::uint8_t localTei = 0x01;
    std::uint8_t reserved = 0x00;
    Mac ccoMac = {0x00, 0xB0, 0x52, 0xCC, 0xCC, 0x01};
    std::uint8_t ccoTei = 0x01;
};

struct StationRecord {
    Mac mac{};
    std::uint8_t tei = 0;
    Mac bridgedMac{};
    std::uint8_t avgTxRate = 0;
    std::uint8_t avgRxRate = 0;
};

// Network-info confirmation (0xA039). The count byte is the number of records unless
// `countOverride` is given; the frame is 39 + 15 n bytes padded to 60 unless `length` is given.
Bytes NetworkInfoConfirm(const Mac& destination, const Mac& source, const NetworkInfo& info,
                         const std::vector<StationRecord>& stations,
                         std::optional<std::uint8_t> countOverride = std::nullopt,
                         std::optional<std::size_t> length = std::nullopt);

// Set-key confirmation (0xA051) with the status at byte 20.
Bytes SetKeyConfirm(const Mac& destination, const Mac& source, std::uint8_t status, std::size_t length = 60);

// A HomePlug 1.0 frame (0x887B), as a station answers the probe.
Bytes HomePlug10Frame(const Mac& destination, const Mac& source);

}  // namespace zentrel::test
