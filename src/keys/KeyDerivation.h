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

}  // namespace zentrel
