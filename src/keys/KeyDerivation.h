#pragma once
// HomePlug AV keys from typed text: the NMK from a network name, the DAK from a device
// password (CSha256::DeriveNmk / DeriveDak), and the hexadecimal form in which keys are handed
// to the set-key request.
#include <cstdint>
#include <string>

#include "keys/Sha256.h"

namespace zentrel {

// The default network name, which is also the standard's default network password. A network
// named so is public.
inline constexpr char kDefaultNetworkName[] = "HomePlugAV";

inline constexpr int kKeySize = 16;
// Bytes of a typed text that take part in a derivation; the rest is ignored.
inline constexpr int kMaxKeyTextBytes = 64;

inline constexpr std::uint8_t kNmkSalt[8] = {0x08, 0x85, 0x6D, 0xAF, 0x7C, 0xF5, 0x81, 0x86};
inline constexpr std::uint8_t kDakSalt[8] = {0x08, 0x85, 0x6D, 0xAF, 0x7C, 0xF5, 0x81, 0x85};

// 32 upper-case hexadecimal digits, first byte first.
std::string KeyText(const std::uint8_t key[16]);

// Derive as every caller does: the text goes into a zeroed 65-byte buffer, so it counts up to
// its first zero byte and at most 64 bytes. Each call uses an object of its own.
std::string NmkText(const std::string& networkName);
std::string DakText(const std::string& devicePassword);

// A network identifier: 52 bits that name the network, then two bits of security level (bits 4
// and 5 of the last byte), as a device reports it in its network information.
inline constexpr int kNidSize = 7;
// The NID of the network whose members hold `nmk`: the first 52 bits of SHA-256 of the NMK
// hashed five times over, security level 0.
void DeriveNid(const std::uint8_t nmk[16], std::uint8_t nid[kNidSize]);
// True when `nid` names the default network (the one of kDefaultNetworkName), whatever its
// security level.
bool IsDefaultNetworkNid(const std::uint8_t nid[kNidSize]);

}  // namespace zentrel
