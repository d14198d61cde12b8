#pragma once
// SHA-256 as a small object without allocation. It also carries the HomePlug AV key derivations,
// which feed each digest back through Update straight from `digest`.
#include <cstdint>

namespace zentrel {

class CSha256 {
public:
    std::uint8_t digest[32];
    std::uint32_t byteCountLow;
    std::uint32_t byteCountHigh;
    std::uint32_t chain[8];
    std::uint8_t block[64];

    // Construction does no work; every user calls Reset first.
    void Reset();  // keeps `digest`
    void Update(const void* data, std::uint32_t length);
    void Final();

    // PBKDF1-SHA-256, 1000 iterations, with the standard's salts. `text` is zero-terminated;
    // only its first 64 bytes count. The key is digest[0..15].
    CSha256& DeriveNmk(const std::uint8_t* text);
    CSha256& DeriveDak(const std::uint8_t* text);
};

}  // namespace zentrel
