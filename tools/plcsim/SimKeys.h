#pragma once
// Keys as the devices hold them, derived with the program's own HomePlug AV key derivation.
#include <string>

#include "SimConfig.h"

namespace plcsim {

Key NmkFromNetworkName(const std::string& name);
Key DakFromPassword(const std::string& password);
// SHA-256 of the NMK, re-hashed 4 more times; the first 7 bytes, with the low nibble of byte 6
// holding its high nibble and the security level (0) above it.
Nid NidFromNmk(const Key& nmk);

}  // namespace plcsim
