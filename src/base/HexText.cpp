#include "base/HexText.h"

#include <cstdio>

namespace zentrel {

std::string HexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

}  // namespace zentrel
