#pragma once
// The frames the program puts on the wire, byte for byte.
#include <cstddef>
#include <cstdint>
#include <string>

namespace zentrel {

struct Link;

inline constexpr std::uint16_t kEtherTypeHomePlugAv = 0x88E1;
inline constexpr std::uint16_t kEtherTypeHomePlug10 = 0x887B;
inline constexpr std::int32_t kMmVersionRequest = 0xA000;
inline constexpr std::int32_t kMmVersionConfirm = 0xA001;
inline constexpr std::int32_t kMmNetworkInfoRequest = 0xA038;
inline constexpr std::int32_t kMmNetworkInfoConfirm = 0xA039;
inline constexpr std::int32_t kMmSetKeyRequest = 0xA050;
inline constexpr std::int32_t kMmSetKeyConfirm = 0xA051;
inline constexpr std::size_t kAvFrameBytes = 1510;
inline constexpr std::size_t kHomePlug10FrameBytes = 18;
inline constexpr std::uint8_t kLocalManagementMac[6] = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x01};
inline constexpr std::uint8_t kVendorOui[3] = {0x00, 0xB0, 0x52};

void BuildAvHeader(std::uint8_t (&buffer)[kAvFrameBytes], const std::uint8_t* source,
                   const std::uint8_t* destination);
void BuildHomePlug10Header(std::uint8_t (&buffer)[kHomePlug10FrameBytes], const std::uint8_t* source,
                           const std::uint8_t* destination);

void SendVersionRequest(Link& link, int adapter);
void SendNetworkInfoRequest(Link& link, int adapter);
// mode 1: local device only (byte 37 = 0x0F). A DAK text, when given, also addresses the
// remote side to the broadcast address.
void SendSetKeyRequest(Link& link, int adapter, const std::string& nmkText, int mode,
                       const std::string* dakText);
void SendStationProbe(Link& link, int adapter, const std::uint8_t* source, const std::uint8_t* destination);
void ProbeStations(Link& link, int adapter);

}  // namespace zentrel
