#include "base/MacAddress.h"

#include <cstdio>
#include <cstring>

namespace zentrel {

int HexDigitValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return c;
}

bool IsMacSet(const std::uint8_t* mac) {
    for (int i = 0; i < 6; ++i) {
        if (mac[i] != 0x00 && mac[i] != 0xFF) return true;
    }
    return false;
}

std::string FormatMac(const std::uint8_t* mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3],
                  mac[4], mac[5]);
    return text;
}

bool SameMac(const std::uint8_t* a, const std::uint8_t* b) { return std::memcmp(a, b, 6) == 0; }

Mac MacFromText(std::string_view text) {
    auto at = [&](std::size_t i) -> int {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    };
    Mac mac{};
    for (std::size_t k = 0; k < 6; ++k) {
        mac[k] = static_cast<std::uint8_t>(16 * HexDigitValue(at(3 * k)) + HexDigitValue(at(3 * k + 1)));
    }
    return mac;
}

}  // namespace zentrel
