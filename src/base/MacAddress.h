#pragma once
// The one way every subsystem tests, compares, prints and parses a MAC address.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zentrel {

using Mac = std::array<std::uint8_t, 6>;

// 0..9 for '0'..'9', 10..15 for 'A'..'F'; any other character comes back unchanged
// (so a lower-case MAC text does not read back as the same bytes).
int HexDigitValue(int c);

// False for an address made only of 0x00 and 0xFF bytes in any mix.
bool IsMacSet(const std::uint8_t* mac);
inline bool IsMacSet(const Mac& mac) { return IsMacSet(mac.data()); }

// "%02X:%02X:%02X:%02X:%02X:%02X"
std::string FormatMac(const std::uint8_t* mac);
inline std::string FormatMac(const Mac& mac) { return FormatMac(mac.data()); }

bool SameMac(const std::uint8_t* a, const std::uint8_t* b);

// MAC-text rule: byte k = 16 * HexDigitValue(text[3k]) + HexDigitValue(text[3k+1]).
// Positions past the end of the text read as NUL, so a short text never reads out of bounds.
Mac MacFromText(std::string_view text);

}  // namespace zentrel
