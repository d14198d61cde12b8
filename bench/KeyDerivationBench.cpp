// One key derivation (1000 chained SHA-256 hashes over short inputs) with our digest, on the
// processor's instructions and on the portable code, beside the same chain through OpenSSL.
// Compare the per-iteration times of one run; OpenSSL_LowLevel is the fastest OpenSSL route.
#define OPENSSL_SUPPRESS_DEPRECATED  // the low-level calls are the fastest way into OpenSSL
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstring>

#include "keys/KeyDerivation.h"
#include "keys/Sha256.h"

namespace {

using namespace zentrel;

// A typical device password in the zero-filled buffer every caller uses.
struct Text {
    Text() { std::memcpy(bytes, "ABCD-EFGH-IJKL-MNOP", 19); }
    std::uint8_t bytes[65] = {};
    std::size_t length = 19;
};

void DeriveWith(benchmark::State& state, Sha256Impl impl) {
    if (!SelectSha256Impl(impl)) {
        state.SkipWithError("not available on this processor");
        return;
    }
    const Text text;
    CSha256 sha;
    for (auto _ : state) {
        sha.DeriveDak(text.bytes);
        benchmark::DoNotOptimize(sha.digest);
    }
    SelectBestSha256Impl();
    state.SetLabel(Sha256ImplName(impl));
}

void Ours_Dispatch(benchmark::State& state) {
    SelectBestSha256Impl();
    DeriveWith(state, ActiveSha256Impl());
}
BENCHMARK(Ours_Dispatch);

void Ours_Portable(benchmark::State& state) { DeriveWith(state, Sha256Impl::Portable); }
BENCHMARK(Ours_Portable);

void SaltedInput(const Text& text, std::uint8_t (&salted)[72], std::size_t& length) {
    std::memcpy(salted, text.bytes, text.length);
    std::memcpy(salted + text.length, kDakSalt, sizeof kDakSalt);
    length = text.length + sizeof kDakSalt;
}

void OpenSSL_LowLevel(benchmark::State& state) {
    const Text text;
    std::uint8_t salted[72] = {}, digest[32];
    std::size_t length = 0;
    SaltedInput(text, salted, length);
    SHA256_CTX ctx;
    for (auto _ : state) {
        SHA256_Init(&ctx);
        SHA256_Update(&ctx, salted, length);
        SHA256_Final(digest, &ctx);
        for (int i = 0; i < 999; ++i) {
            SHA256_Init(&ctx);
            SHA256_Update(&ctx, digest, sizeof digest);
            SHA256_Final(digest, &ctx);
        }
        benchmark::DoNotOptimize(digest);
    }
}
BENCHMARK(OpenSSL_LowLevel);

void OpenSSL_OneShot(benchmark::State& state) {
    const Text text;
    std::uint8_t salted[72] = {}, digest[32];
    std::size_t length = 0;
    SaltedInput(text, salted, length);
    for (auto _ : state) {
        SHA256(salted, length, digest);
        for (int i = 0; i < 999; ++i) SHA256(digest, sizeof digest, digest);
        benchmark::DoNotOptimize(digest);
    }
}
BENCHMARK(OpenSSL_OneShot);

void OpenSSL_Evp(benchmark::State& state) {
    const Text text;
    std::uint8_t salted[72] = {}, digest[32];
    std::size_t length = 0;
    SaltedInput(text, salted, length);
    EVP_MD* md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    unsigned size = 0;
    for (auto _ : state) {
        EVP_DigestInit_ex(ctx, md, nullptr);
        EVP_DigestUpdate(ctx, salted, length);
        EVP_DigestFinal_ex(ctx, digest, &size);
        for (int i = 0; i < 999; ++i) {
            EVP_DigestInit_ex(ctx, md, nullptr);
            EVP_DigestUpdate(ctx, digest, sizeof digest);
            EVP_DigestFinal_ex(ctx, digest, &size);
        }
        benchmark::DoNotOptimize(digest);
    }
    EVP_MD_CTX_free(ctx);
    EVP_MD_free(md);
}
BENCHMARK(OpenSSL_Evp);

// The same chain must give the same key, or the comparison means nothing.
void CheckSameKey(benchmark::State& state) {
    const Text text;
    CSha256 sha;
    sha.DeriveDak(text.bytes);
    std::uint8_t salted[72] = {}, digest[32];
    std::size_t length = 0;
    SaltedInput(text, salted, length);
    SHA256(salted, length, digest);
    for (int i = 0; i < 999; ++i) SHA256(digest, sizeof digest, digest);
    if (std::memcmp(digest, sha.digest, 16) != 0) state.SkipWithError("keys differ from OpenSSL's chain");
    for (auto _ : state) benchmark::DoNotOptimize(digest);
}
BENCHMARK(CheckSameKey)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
