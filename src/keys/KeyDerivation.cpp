#include "keys/KeyDerivation.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "keys/Sha256.h"

namespace zentrel {
namespace {

// PBKDF1 with SHA-256, 1000 iterations: one hash of text and salt, then 999 hashes of the
// previous digest.
void Derive(CSha256& sha, const std::uint8_t* text, const std::uint8_t (&salt)[8]) {
    std::memset(sha.digest, 0, sizeof sha.digest);
    sha.Reset();

    // The scan never looks past 64 bytes, so a text without a terminator there is safe too.
    std::uint32_t n = 0;
    while (n < kMaxKeyTextBytes && text[n] != 0) ++n;
    std::uint8_t salted[kMaxKeyTextBytes + 8] = {};
    std::memcpy(salted, text, n);
    std::memcpy(salted + n, salt, sizeof salt);
    sha.Update(salted, n + 8);
    sha.Final();

    // The first 998 re-hashes stay in registers; the last one goes through the object, so that
    // it ends in the same state as after 999 passes of Reset, Update and Final.
    std::uint32_t words[8];
    for (int i = 0; i < 8; ++i) {
        const std::uint8_t* p = sha.digest + 4 * i;
        words[i] = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
    }
    Sha256RehashDigest(words, 998);
    for (int i = 0; i < 8; ++i) {
        std::uint8_t* p = sha.digest + 4 * i;
        p[0] = static_cast<std::uint8_t>(words[i] >> 24);
        p[1] = static_cast<std::uint8_t>(words[i] >> 16);
        p[2] = static_cast<std::uint8_t>(words[i] >> 8);
        p[3] = static_cast<std::uint8_t>(words[i]);
    }
    sha.Reset();
    sha.Update(sha.digest, sizeof sha.digest);
    sha.Final();
}

std::string DerivedText(const std::string& text, bool nmk) {
    std::uint8_t buffer[kMaxKeyTextBytes + 1] = {};
    std::copy_n(text.data(), text.size() < kMaxKeyTextBytes ? text.size() : kMaxKeyTextBytes, buffer);  // NUL-terminated by the zeroed last byte
    CSha256 sha;
    if (nmk) {
        sha.DeriveNmk(buffer);
    } else {
        sha.DeriveDak(buffer);
    }
    return KeyText(sha.digest);
}

}  // namespace

CSha256& CSha256::DeriveNmk(const std::uint8_t* text) {
    Derive(*this, text, kNmkSalt);
    return *this;
}

CSha256& CSha256::DeriveDak(const std::uint8_t* text) {
    Derive(*this, text, kDakSalt);
    return *this;
}

std::string KeyText(const std::uint8_t key[16]) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out(2 * kKeySize, '0');
    for (int i = 0; i < kKeySize; ++i) {
        out[2 * i] = kDigits[key[i] >> 4];
        out[2 * i + 1] = kDigits[key[i] & 0x0F];
    }
    return out;
}

std::string NmkText(const std::string& networkName) { return DerivedText(networkName, true); }
std::string DakText(const std::string& devicePassword) { return DerivedText(devicePassword, false); }

}  // namespace zentrel

namespace zentrel {

void DeriveNid(const std::uint8_t nmk[16], std::uint8_t nid[kNidSize]) {
    CSha256 sha;
    std::uint8_t previous[32];
    std::memcpy(previous, nmk, kKeySize);
    std::uint32_t length = kKeySize;
    for (int pass = 0; pass < 5; ++pass) {
        sha.Reset();
        sha.Update(previous, length);
        sha.Final();
        std::memcpy(previous, sha.digest, sizeof previous);
        length = sizeof previous;
    }
    std::memcpy(nid, previous, kNidSize);
    nid[6] = static_cast<std::uint8_t>(nid[6] >> 4);
}

bool IsDefaultNetworkNid(const std::uint8_t nid[kNidSize]) {
    static const auto defaultNid = [] {
        std::uint8_t text[kMaxKeyTextBytes + 1] = {};
        std::memcpy(text, kDefaultNetworkName, sizeof kDefaultNetworkName);
        CSha256 sha;
        sha.DeriveNmk(text);
        std::array<std::uint8_t, kNidSize> derived{};
        DeriveNid(sha.digest, derived.data());
        return derived;
    }();
    // The security level is the user's choice of how devices join, not part of the name.
    return std::memcmp(nid, defaultNid.data(), kNidSize - 1) == 0 && (nid[6] & 0x0F) == defaultNid[6];
}

}  // namespace zentrel
