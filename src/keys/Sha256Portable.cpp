// Plain C++ compression, the fallback on every processor. Written with a 16-word rolling
// schedule and eight rounds per step with rotated variables, so that compilers keep the whole
// state in registers.
#include <bit>

#include "keys/Sha256Blocks.h"

namespace zentrel::sha256 {
namespace {

inline std::uint32_t LoadBigEndian(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

inline std::uint32_t BigSigma0(std::uint32_t x) { return std::rotr(x, 2) ^ std::rotr(x, 13) ^ std::rotr(x, 22); }
inline std::uint32_t BigSigma1(std::uint32_t x) { return std::rotr(x, 6) ^ std::rotr(x, 11) ^ std::rotr(x, 25); }
inline std::uint32_t SmallSigma0(std::uint32_t x) { return std::rotr(x, 7) ^ std::rotr(x, 18) ^ (x >> 3); }
inline std::uint32_t SmallSigma1(std::uint32_t x) { return std::rotr(x, 17) ^ std::rotr(x, 19) ^ (x >> 10); }

inline void Round(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t& d, std::uint32_t e,
                  std::uint32_t f, std::uint32_t g, std::uint32_t& h, std::uint32_t kw) {
    const std::uint32_t t1 = h + BigSigma1(e) + (g ^ (e & (f ^ g))) + kw;
    const std::uint32_t t2 = BigSigma0(a) + ((a & b) | (c & (a | b)));
    d += t1;
    h = t1 + t2;
}

}  // namespace

namespace {

// One compression of the message words `w` (consumed as the schedule) into `chain`.
inline void CompressWords(std::uint32_t chain[8], std::uint32_t (&w)[16]) {
    std::uint32_t a = chain[0], b = chain[1], c = chain[2], d = chain[3];
    std::uint32_t e = chain[4], f = chain[5], g = chain[6], h = chain[7];
#pragma GCC unroll 8
    for (int r = 0; r < 64; r += 8) {
        if (r >= 16) {
#pragma GCC unroll 8
            for (int t = r; t < r + 8; ++t) {
                w[t & 15] += SmallSigma1(w[(t - 2) & 15]) + w[(t - 7) & 15] + SmallSigma0(w[(t - 15) & 15]);
            }
        }
        const std::uint32_t* k = kRoundConstants + r;
        const std::uint32_t* x = w + (r & 15);
        Round(a, b, c, d, e, f, g, h, k[0] + x[0]);
        Round(h, a, b, c, d, e, f, g, k[1] + x[1]);
        Round(g, h, a, b, c, d, e, f, k[2] + x[2]);
        Round(f, g, h, a, b, c, d, e, k[3] + x[3]);
        Round(e, f, g, h, a, b, c, d, k[4] + x[4]);
        Round(d, e, f, g, h, a, b, c, k[5] + x[5]);
        Round(c, d, e, f, g, h, a, b, k[6] + x[6]);
        Round(b, c, d, e, f, g, h, a, k[7] + x[7]);
    }
    chain[0] += a;
    chain[1] += b;
    chain[2] += c;
    chain[3] += d;
    chain[4] += e;
    chain[5] += f;
    chain[6] += g;
    chain[7] += h;
}

}  // namespace

void CompressPortable(std::uint32_t chain[8], const std::uint8_t* data, std::size_t blocks) {
    for (; blocks > 0; --blocks, data += 64) {
        std::uint32_t w[16];
        for (int i = 0; i < 16; ++i) w[i] = LoadBigEndian(data + 4 * i);
        CompressWords(chain, w);
    }
}

void RehashPortable(std::uint32_t words[8], int times) {
    for (; times > 0; --times) {
        // 32 message bytes, the pad byte, zeros and the bit length 256: one block.
        std::uint32_t w[16] = {words[0], words[1], words[2], words[3], words[4], words[5], words[6], words[7],
                               0x80000000u, 0, 0, 0, 0, 0, 0, 256};
        for (int i = 0; i < 8; ++i) words[i] = kInitialChain[i];
        CompressWords(words, w);
    }
}

}  // namespace zentrel::sha256
