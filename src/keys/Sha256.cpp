#include "keys/Sha256.h"

#include <atomic>
#include <cstring>

#include "keys/Sha256Blocks.h"

namespace zentrel {
namespace {

using sha256::kInitialChain;

struct Functions {
    Sha256Impl impl;
    sha256::CompressFn compress;
    sha256::RehashFn rehash;
};

constexpr Functions kPortable{Sha256Impl::Portable, &sha256::CompressPortable, &sha256::RehashPortable};
#if defined(ZENTREL_SHA256_X86)
constexpr Functions kShaNi{Sha256Impl::X86ShaNi, &sha256::CompressShaNi, &sha256::RehashShaNi};
#endif
#if defined(ZENTREL_SHA256_ARM)
constexpr Functions kArmSha2{Sha256Impl::ArmSha2, &sha256::CompressArmSha2, &sha256::RehashArmSha2};
#endif

const Functions* FunctionsOf(Sha256Impl impl) {
    switch (impl) {
#if defined(ZENTREL_SHA256_X86)
        case Sha256Impl::X86ShaNi:
            return &kShaNi;
#endif
#if defined(ZENTREL_SHA256_ARM)
        case Sha256Impl::ArmSha2:
            return &kArmSha2;
#endif
        default:
            return &kPortable;
    }
}

Sha256Impl BestImpl() {
    if (Sha256ImplAvailable(Sha256Impl::X86ShaNi)) return Sha256Impl::X86ShaNi;
    if (Sha256ImplAvailable(Sha256Impl::ArmSha2)) return Sha256Impl::ArmSha2;
    return Sha256Impl::Portable;
}

// Chosen on first use rather than during static initialisation, so that hashing from another
// translation unit's static objects is safe too.
std::atomic<const Functions*> active{nullptr};

const Functions& Active() {
    const Functions* f = active.load(std::memory_order_relaxed);
    if (f == nullptr) {
        f = FunctionsOf(BestImpl());
        active.store(f, std::memory_order_relaxed);
    }
    return *f;
}

inline void StoreBigEndian(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

}  // namespace

bool Sha256ImplAvailable(Sha256Impl impl) {
    switch (impl) {
        case Sha256Impl::Portable:
            return true;
        case Sha256Impl::X86ShaNi:
#if defined(ZENTREL_SHA256_X86)
        {
            static const bool has = sha256::CpuHasShaNi();
            return has;
        }
#else
            return false;
#endif
        case Sha256Impl::ArmSha2:
#if defined(ZENTREL_SHA256_ARM)
        {
            static const bool has = sha256::CpuHasArmSha2();
            return has;
        }
#else
            return false;
#endif
    }
    return false;
}

Sha256Impl ActiveSha256Impl() { return Active().impl; }

bool SelectSha256Impl(Sha256Impl impl) {
    if (!Sha256ImplAvailable(impl)) return false;
    active.store(FunctionsOf(impl), std::memory_order_relaxed);
    return true;
}

void SelectBestSha256Impl() { active.store(FunctionsOf(BestImpl()), std::memory_order_relaxed); }

const char* Sha256ImplName(Sha256Impl impl) {
    switch (impl) {
        case Sha256Impl::Portable:
            return "portable";
        case Sha256Impl::X86ShaNi:
            return "x86-sha";
        case Sha256Impl::ArmSha2:
            return "armv8-sha2";
    }
    return "unknown";
}

void Sha256Compress(std::uint32_t chain[8], const std::uint8_t* data, std::size_t blocks) {
    Active().compress(chain, data, blocks);
}

void Sha256RehashDigest(std::uint32_t words[8], int times) { Active().rehash(words, times); }

void CSha256::Reset() {
    byteCountLow = 0;
    byteCountHigh = 0;
    std::memset(block, 0, sizeof block);
    std::memcpy(chain, kInitialChain, sizeof chain);
}

void CSha256::Update(const void* data, std::uint32_t length) {
    if (length == 0) return;
    const auto* in = static_cast<const std::uint8_t*>(data);
    // The fill of `block` follows from the count: 2^32 is a multiple of the block size.
    const std::uint32_t fill = byteCountLow & 63;
    byteCountLow += length;
    if (byteCountLow < length) ++byteCountHigh;

    if (fill > 0) {
        const std::uint32_t room = 64 - fill;
        if (length < room) {
            std::memcpy(block + fill, in, length);
            return;
        }
        std::memcpy(block + fill, in, room);
        Sha256Compress(chain, block, 1);
        in += room;
        length -= room;
    }
    if (length >= 64) {
        Sha256Compress(chain, in, length / 64);
        in += length & ~std::uint32_t{63};
        length &= 63;
    }
    if (length > 0) std::memcpy(block, in, length);
}

void CSha256::Final() {
    // The same as feeding the pad and then the 8 length bytes through Update, and the counts and
    // `block` are left as that would leave them, but the pad is written in place.
    const std::uint32_t lengthHigh = (byteCountHigh << 3) | (byteCountLow >> 29);
    const std::uint32_t lengthLow = byteCountLow << 3;
    const std::uint32_t used = byteCountLow & 63;
    const std::uint32_t fed = (used < 56 ? 56 - used : 120 - used) + 8;
    byteCountLow += fed;
    if (byteCountLow < fed) ++byteCountHigh;

    block[used] = 0x80;
    if (used >= 56) {
        std::memset(block + used + 1, 0, 63 - used);
        Sha256Compress(chain, block, 1);
        std::memset(block, 0, 56);
    } else {
        std::memset(block + used + 1, 0, 55 - used);
    }
    StoreBigEndian(block + 56, lengthHigh);
    StoreBigEndian(block + 60, lengthLow);
    Sha256Compress(chain, block, 1);

    for (int i = 0; i < 8; ++i) StoreBigEndian(digest + 4 * i, chain[i]);
}

}  // namespace zentrel
