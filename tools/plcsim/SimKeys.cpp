#include "SimKeys.h"

#include <cstring>

#include "keys/KeyDerivation.h"
#include "keys/Sha256.h"

namespace plcsim {
namespace {

Key KeyFromText(const std::string& text) {
    Key key{};
    ParseHexBytes(text, key.data(), key.size());
    return key;
}

}  // namespace

Key NmkFromNetworkName(const std::string& name) { return KeyFromText(zentrel::NmkText(name)); }

Key DakFromPassword(const std::string& password) { return KeyFromText(zentrel::DakText(password)); }

Nid NidFromNmk(const Key& nmk) {
    zentrel::CSha256 sha;
    sha.Reset();
    sha.Update(nmk.data(), static_cast<std::uint32_t>(nmk.size()));
    sha.Final();
    for (int pass = 1; pass < 5; ++pass) {
        std::uint8_t previous[32];
        std::memcpy(previous, sha.digest, sizeof previous);
        sha.Reset();
        sha.Update(previous, sizeof previous);
        sha.Final();
    }
    constexpr std::uint8_t kSecurityLevel = 0;
    Nid nid{};
    std::memcpy(nid.data(), sha.digest, nid.size());
    nid[6] = static_cast<std::uint8_t>((nid[6] >> 4) | (kSecurityLevel << 4));
    return nid;
}

}  // namespace plcsim
