#pragma once
// Bytes as the pages and the report show them in hexadecimal.
#include <string>

namespace zentrel {

// Two upper-case hexadecimal digits of the low byte of `value` ("%02X"): a TEI, a byte of an
// address.
std::string HexByte(unsigned value);

}  // namespace zentrel
