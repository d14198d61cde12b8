#include "keys/Sha256.h"

#include <atomic>
#include <cstring>

#include "keys/Sha256Blocks.h"
#include "keys/Sha256Dispatch.h"

namespace zentrel {
namespace {

constexpr std::uint32_t kInitialChain[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                            0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

sha256::CompressFn FunctionOf(Sha256Impl impl) {
    switch (impl) {
#if defined(ZENTREL_SHA256_X86)
        case Sha256Impl::X86ShaNi:
            return &sha256::CompressShaNi;
#endif
#if defined(ZENTREL_SHA256_ARM)
        case Sha256Impl::ArmSha2:
            return &sha256::CompressArmSha2;
#endif
        default:
            return &sha256::CompressPortable;
    }
}

Sha256Impl BestImpl() {
    if (Sha256ImplAvailable(Sha256Impl::X86ShaNi)) return Sha256Impl::X86ShaNi;
    if (Sha256ImplAvailable(Sha256Impl::ArmSha2)) return Sha256Impl::ArmSha2;
    return Sha256Impl::Portable;
}

// Chosen on first use rather than during static initialisation, so that hashing from another
// translation unit's static objects is safe too.
void CompressFirstTime(std::uint32_t chain[8], const std::uint8_t* data, std::size_t blocks);

std::atomic<sha256::CompressFn> compressFn{&CompressFirstTime};
std::atomic<Sha256Impl> activeImpl{Sha256Impl::Portable};

void Install(Sha256Impl impl) {
    activeImpl.store(impl, std::memory_order_relaxed);
    compressFn.store(FunctionOf(impl), std::memory_order_relaxed);
}

void CompressFirstTime(std::uint32_t chain[8], const std::uint8_t* data, std::size_t blocks) {
    Install(BestImpl());
    compressFn.load(std::memory_order_relaxed)(chain, data, blocks);
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

Sha256Impl ActiveSha256Impl() {
    if (compressFn.load(std::memory_order_relaxed) == &CompressFirstTime) Install(BestImpl());
    return activeImpl.load(std::memory_order_relaxed);
}

bool SelectSha256Impl(Sha256Impl impl) {
    if (!Sha256ImplAvailable(impl)) return false;
    Install(impl);
    return true;
}

void SelectBestSha256Impl() { Install(BestImpl()); }

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
    compressFn.load(std::memory_order_relaxed)(chain, data, blocks);
}

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
    std::uint32_t fill = byteCountLow & 63;
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
        fill = 0;
    }
    if (length >= 64) {
        Sha256Compress(chain, in, length / 64);
        in += length & ~std::uint32_t{63};
        length &= 63;
    }
    if (length > 0) std::memcpy(block, in, length);
}

void CSha256::Final() {
    std::uint8_t lengthBytes[8];
    StoreBigEndian(lengthBytes, (byteCountHigh << 3) | (byteCountLow >> 29));
    StoreBigEndian(lengthBytes + 4, byteCountLow << 3);

    static constexpr std::uint8_t kPad[64] = {0x80};
    const std::uint32_t used = byteCountLow & 63;
    Update(kPad, used < 56 ? 56 - used : 120 - used);
    Update(lengthBytes, sizeof lengthBytes);

    for (int i = 0; i < 8; ++i) StoreBigEndian(digest + 4 * i, chain[i]);
}

}  // namespace zentrel
