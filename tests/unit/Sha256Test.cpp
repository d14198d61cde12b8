#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/HexFile.h"
#include "keys/Sha256.h"

using namespace zentrel;

namespace {

std::string Hex(const std::uint8_t* p, std::size_t n) {
    return test::HexOf(std::string(reinterpret_cast<const char*>(p), n));
}

// Feeds `message` in pieces of `piece` bytes (all at once for 0).
std::string Sha256Hex(const std::string& message, std::size_t piece = 0) {
    CSha256 sha;
    sha.Reset();
    if (piece == 0) piece = message.size() + 1;
    for (std::size_t at = 0; at < message.size(); at += piece) {
        const std::size_t n = std::min(piece, message.size() - at);
        sha.Update(message.data() + at, static_cast<std::uint32_t>(n));
    }
    sha.Final();
    return Hex(sha.digest, sizeof sha.digest);
}

std::string RandomBytes(std::mt19937& rng, std::size_t n) {
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

// Runs every test once per implementation this machine can run, so that the portable code is
// checked even where the processor's instructions are used by default.
class Sha256AllImpls : public ::testing::TestWithParam<Sha256Impl> {
protected:
    void SetUp() override {
        if (!Sha256ImplAvailable(GetParam())) GTEST_SKIP() << Sha256ImplName(GetParam()) << " not on this machine";
        ASSERT_TRUE(SelectSha256Impl(GetParam()));
    }
    void TearDown() override { SelectBestSha256Impl(); }
};

struct Vector {
    std::string message;
    const char* digest;
};

const std::vector<Vector>& StandardVectors() {
    static const std::vector<Vector> vectors = {
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    return vectors;
}

TEST_P(Sha256AllImpls, StandardVectorsInAnyPieces) {
    for (const auto& v : StandardVectors()) {
        SCOPED_TRACE(v.message.substr(0, 60));
        EXPECT_EQ(Sha256Hex(v.message), v.digest);
        for (std::size_t piece : {1, 63, 64, 65, 200}) {
            EXPECT_EQ(Sha256Hex(v.message, piece), v.digest) << "pieces of " << piece;
        }
    }
}

TEST(Sha256, ImplementationsAgreeOnRandomInput) {
    std::mt19937 rng(2024);
    std::vector<Sha256Impl> impls;
    for (auto impl : {Sha256Impl::Portable, Sha256Impl::X86ShaNi, Sha256Impl::ArmSha2}) {
        if (Sha256ImplAvailable(impl)) impls.push_back(impl);
    }
    if (impls.size() < 2) GTEST_SKIP() << "only the portable code runs here";
    for (int round = 0; round < 300; ++round) {
        const std::string message = RandomBytes(rng, rng() % 700);
        const std::size_t piece = 1 + rng() % 130;
        std::vector<std::string> digests;
        for (auto impl : impls) {
            ASSERT_TRUE(SelectSha256Impl(impl));
            digests.push_back(Sha256Hex(message, piece));
        }
        for (std::size_t i = 1; i < digests.size(); ++i) {
            ASSERT_EQ(digests[i], digests[0]) << Sha256ImplName(impls[i]) << ", " << message.size() << " bytes";
        }
    }
    SelectBestSha256Impl();
}

INSTANTIATE_TEST_SUITE_P(Impl, Sha256AllImpls,
                         ::testing::Values(Sha256Impl::Portable, Sha256Impl::X86ShaNi, Sha256Impl::ArmSha2));

}  // namespace
