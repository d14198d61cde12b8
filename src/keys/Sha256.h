#pragma once
// SHA-256 as a small object without allocation. It also carries the HomePlug AV key derivations,
// which feed each digest back through Update straight from `digest`.
#include <cstddef>
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

// Which block compression CSha256 uses. The fastest one the processor supports is chosen on
// first use; tests and benchmarks may pin another one to compare them.
enum class Sha256Impl { Portable, X86ShaNi, ArmSha2 };

// True when this build has the implementation and the processor can run it.
bool Sha256ImplAvailable(Sha256Impl impl);
// The implementation in force (the chosen one after the first use).
Sha256Impl ActiveSha256Impl();
// Pins `impl` when it is available and returns true; otherwise changes nothing and returns
// false. Not meant to be called while another thread hashes.
bool SelectSha256Impl(Sha256Impl impl);
// Goes back to the fastest available implementation.
void SelectBestSha256Impl();
const char* Sha256ImplName(Sha256Impl impl);

// Compresses `blocks` consecutive 64-byte blocks at `data` into `chain` with the implementation
// in force.
void Sha256Compress(std::uint32_t chain[8], const std::uint8_t* data, std::size_t blocks);

// Replaces `words`, a digest read as eight big-endian words, `times` times by the SHA-256 of
// its 32 bytes, without going through memory between passes.
void Sha256RehashDigest(std::uint32_t words[8], int times);

}  // namespace zentrel
