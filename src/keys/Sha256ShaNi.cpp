// Compression with the x86 SHA extensions. Compiled for every x86 build through target
// attributes; only called after the processor reported the extensions at run time.
#include "keys/Sha256Blocks.h"

#if defined(ZENTREL_SHA256_X86)
#include <cpuid.h>
#include <immintrin.h>

#define ZENTREL_SHANI_TARGET __attribute__((target("sha,sse4.1,ssse3")))

namespace zentrel::sha256 {
namespace {

// Four rounds: the two halves of the state advance two rounds each.
ZENTREL_SHANI_TARGET inline __attribute__((always_inline)) void FourRounds(__m128i& abef, __m128i& cdgh,
                                                                          __m128i words, int round) {
    const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRoundConstants + round));
    __m128i kw = _mm_add_epi32(words, k);
    cdgh = _mm_sha256rnds2_epu32(cdgh, abef, kw);
    kw = _mm_shuffle_epi32(kw, 0x0E);
    abef = _mm_sha256rnds2_epu32(abef, cdgh, kw);
}

// The next four schedule words from the previous sixteen (w0 oldest, w3 newest).
ZENTREL_SHANI_TARGET inline __attribute__((always_inline)) __m128i NextWords(__m128i w0, __m128i w1, __m128i w2,
                                                                            __m128i w3) {
    const __m128i partial = _mm_add_epi32(_mm_sha256msg1_epu32(w0, w1), _mm_alignr_epi8(w3, w2, 4));
    return _mm_sha256msg2_epu32(partial, w3);
}

// The 64 rounds of one block whose message words are w0..w3, added into the state.
ZENTREL_SHANI_TARGET inline __attribute__((always_inline)) void Rounds(__m128i& abef, __m128i& cdgh, __m128i w0,
                                                                      __m128i w1, __m128i w2, __m128i w3) {
    const __m128i abefStart = abef;
    const __m128i cdghStart = cdgh;
    FourRounds(abef, cdgh, w0, 0);
    FourRounds(abef, cdgh, w1, 4);
    FourRounds(abef, cdgh, w2, 8);
    FourRounds(abef, cdgh, w3, 12);
    for (int round = 16; round < 64; round += 16) {
        w0 = NextWords(w0, w1, w2, w3);
        FourRounds(abef, cdgh, w0, round);
        w1 = NextWords(w1, w2, w3, w0);
        FourRounds(abef, cdgh, w1, round + 4);
        w2 = NextWords(w2, w3, w0, w1);
        FourRounds(abef, cdgh, w2, round + 8);
        w3 = NextWords(w3, w0, w1, w2);
        FourRounds(abef, cdgh, w3, round + 12);
    }
    abef = _mm_add_epi32(abef, abefStart);
    cdgh = _mm_add_epi32(cdgh, cdghStart);
}

// Chain order (word 0 in lane 0) to the ABEF/CDGH pair the instructions work on, and back.
ZENTREL_SHANI_TARGET inline __attribute__((always_inline)) void ToWorkingOrder(__m128i dcba, __m128i hgfe,
                                                                              __m128i& abef, __m128i& cdgh) {
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    abef = _mm_alignr_epi8(cdab, efgh, 8);
    cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
}

ZENTREL_SHANI_TARGET inline __attribute__((always_inline)) void ToChainOrder(__m128i abef, __m128i cdgh,
                                                                            __m128i& dcba, __m128i& hgfe) {
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    dcba = _mm_blend_epi16(feba, dchg, 0xF0);
    hgfe = _mm_alignr_epi8(dchg, feba, 8);
}

}  // namespace

bool CpuHasShaNi() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid_max(0, nullptr) < 7) return false;
    __cpuid_count(1, 0, eax, ebx, ecx, edx);
    const bool ssse3 = (ecx & (1u << 9)) != 0;
    const bool sse41 = (ecx & (1u << 19)) != 0;
    __cpuid_count(7, 0, eax, ebx, ecx, edx);
    const bool sha = (ebx & (1u << 29)) != 0;
    return ssse3 && sse41 && sha;
}

ZENTREL_SHANI_TARGET void CompressShaNi(std::uint32_t chain[8], const std::uint8_t* data, std::size_t blocks) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chain));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chain + 4));
    __m128i abef, cdgh;
    ToWorkingOrder(dcba, hgfe, abef, cdgh);
    for (; blocks > 0; --blocks, data += 64) {
        const auto* in = reinterpret_cast<const __m128i*>(data);
        Rounds(abef, cdgh, _mm_shuffle_epi8(_mm_loadu_si128(in + 0), byteSwap),
               _mm_shuffle_epi8(_mm_loadu_si128(in + 1), byteSwap), _mm_shuffle_epi8(_mm_loadu_si128(in + 2), byteSwap),
               _mm_shuffle_epi8(_mm_loadu_si128(in + 3), byteSwap));
    }
    ToChainOrder(abef, cdgh, dcba, hgfe);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(chain), dcba);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(chain + 4), hgfe);
}

ZENTREL_SHANI_TARGET void RehashShaNi(std::uint32_t words[8], int times) {
    // The message is the previous digest's words, then the pad: 0x80 byte, zeros, bit length 256.
    const __m128i pad0 = _mm_set_epi32(0, 0, 0, static_cast<int>(0x80000000u));
    const __m128i pad1 = _mm_set_epi32(256, 0, 0, 0);
    __m128i initialAbef, initialCdgh;
    ToWorkingOrder(_mm_loadu_si128(reinterpret_cast<const __m128i*>(kInitialChain)),
                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(kInitialChain + 4)), initialAbef, initialCdgh);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words + 4));
    for (; times > 0; --times) {
        __m128i abef = initialAbef, cdgh = initialCdgh;
        Rounds(abef, cdgh, dcba, hgfe, pad0, pad1);
        ToChainOrder(abef, cdgh, dcba, hgfe);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(words), dcba);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(words + 4), hgfe);
}

}  // namespace zentrel::sha256
#endif
