// Compression with the ARMv8 SHA2 instructions. Compiled on 64-bit ARM only; called after the
// processor reported the instructions at run time.
#include "keys/Sha256Blocks.h"

#if defined(ZENTREL_SHA256_ARM)
#if defined(__clang__) && !defined(__ARM_FEATURE_SHA2) && __clang_major__ < 16
// Older clang declares the SHA2 intrinsics only when the whole file is built for them; the
// function below still carries the target attribute, so nothing else uses the instructions.
#define __ARM_FEATURE_SHA2 1
#define ZENTREL_ARM_SHA_FORCED 1
#endif
#include <arm_neon.h>
#if defined(__linux__)
#include <sys/auxv.h>
#ifndef HWCAP_SHA2
#define HWCAP_SHA2 (1 << 6)
#endif
#endif

#if defined(__ARM_FEATURE_SHA2) && !defined(ZENTREL_ARM_SHA_FORCED)
#define ZENTREL_ARM_SHA_TARGET
#elif defined(__clang__)
#define ZENTREL_ARM_SHA_TARGET __attribute__((target("sha2")))
#else
#define ZENTREL_ARM_SHA_TARGET __attribute__((target("+crypto")))
#endif

namespace zentrel::sha256 {

bool CpuHasArmSha2() {
#if defined(__linux__)
    return (getauxval(AT_HWCAP) & HWCAP_SHA2) != 0;
#elif defined(__APPLE__)
    return true;  // every 64-bit ARM Mac has the instructions
#else
    return false;
#endif
}

namespace {

// The 64 rounds of one block whose message words are w0..w3, added into the state.
ZENTREL_ARM_SHA_TARGET inline __attribute__((always_inline)) void Rounds(uint32x4_t& abcd, uint32x4_t& efgh,
                                                                        uint32x4_t w0, uint32x4_t w1,
                                                                        uint32x4_t w2, uint32x4_t w3) {
    const uint32x4_t abcdStart = abcd;
    const uint32x4_t efghStart = efgh;
    uint32x4_t w[4] = {w0, w1, w2, w3};
    for (int round = 0; round < 64; round += 4) {
        const int i = (round / 4) & 3;
        const uint32x4_t kw = vaddq_u32(w[i], vld1q_u32(kRoundConstants + round));
        if (round < 48) {
            // w[i] becomes the words for round + 16.
            w[i] = vsha256su1q_u32(vsha256su0q_u32(w[i], w[(i + 1) & 3]), w[(i + 2) & 3], w[(i + 3) & 3]);
        }
        const uint32x4_t abcdBefore = abcd;
        abcd = vsha256hq_u32(abcd, efgh, kw);
        efgh = vsha256h2q_u32(efgh, abcdBefore, kw);
    }
    abcd = vaddq_u32(abcd, abcdStart);
    efgh = vaddq_u32(efgh, efghStart);
}

}  // namespace

ZENTREL_ARM_SHA_TARGET void CompressArmSha2(std::uint32_t chain[8], const std::uint8_t* data,
                                            std::size_t blocks) {
    uint32x4_t abcd = vld1q_u32(chain);
    uint32x4_t efgh = vld1q_u32(chain + 4);
    for (; blocks > 0; --blocks, data += 64) {
        Rounds(abcd, efgh, vreinterpretq_u32_u8(vrev32q_u8(vld1q_u8(data))),
               vreinterpretq_u32_u8(vrev32q_u8(vld1q_u8(data + 16))),
               vreinterpretq_u32_u8(vrev32q_u8(vld1q_u8(data + 32))),
               vreinterpretq_u32_u8(vrev32q_u8(vld1q_u8(data + 48))));
    }
    vst1q_u32(chain, abcd);
    vst1q_u32(chain + 4, efgh);
}

ZENTREL_ARM_SHA_TARGET void RehashArmSha2(std::uint32_t words[8], int times) {
    // The message is the previous digest's words, then the pad: 0x80 byte, zeros, bit length 256.
    static constexpr std::uint32_t kPad[8] = {0x80000000u, 0, 0, 0, 0, 0, 0, 256};
    const uint32x4_t pad0 = vld1q_u32(kPad), pad1 = vld1q_u32(kPad + 4);
    const uint32x4_t initialAbcd = vld1q_u32(kInitialChain), initialEfgh = vld1q_u32(kInitialChain + 4);
    uint32x4_t abcd = vld1q_u32(words);
    uint32x4_t efgh = vld1q_u32(words + 4);
    for (; times > 0; --times) {
        uint32x4_t nextAbcd = initialAbcd, nextEfgh = initialEfgh;
        Rounds(nextAbcd, nextEfgh, abcd, efgh, pad0, pad1);
        abcd = nextAbcd;
        efgh = nextEfgh;
    }
    vst1q_u32(words, abcd);
    vst1q_u32(words + 4, efgh);
}

}  // namespace zentrel::sha256
#endif
