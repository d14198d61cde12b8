#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "keys/KeyDerivation.h"
#include "keys/Sha256.h"

using namespace zentrel;

namespace {

TEST(KeyDerivation, DefaultNetworkNameGivesTheStandardsNmk) {
    EXPECT_EQ(NmkText(kDefaultNetworkName), "50D3E4933F855B7040784DF815AA8DB7");
}

// Each line of the vectors: a text in hex, then its NMK and DAK as another implementation made
// them. Texts count up to their first zero byte and at most 64 bytes.
TEST(KeyDerivation, KeysMatchIndependentReferenceOnEveryImplementation) {
    std::ifstream vectors(ZENTREL_TEST_DATA "/key_vectors.txt");
    std::string hex, nmk, dak;
    int lines = 0;
    while (vectors >> hex) {
        if (hex[0] == '#') {
            std::getline(vectors, hex);
            continue;
        }
        vectors >> nmk >> dak;
        std::string text;
        for (std::size_t i = 0; hex != "-" && i + 1 < hex.size(); i += 2) text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        for (auto impl : {Sha256Impl::Portable, Sha256Impl::X86ShaNi, Sha256Impl::ArmSha2}) {
            if (!SelectSha256Impl(impl)) continue;
            SCOPED_TRACE(std::string(Sha256ImplName(impl)) + " " + hex);
            EXPECT_EQ(NmkText(text), nmk);
            EXPECT_EQ(DakText(text), dak);
        }
        ++lines;
    }
    SelectBestSha256Impl();
    EXPECT_EQ(lines, 11);
}

// Runs the command-line program through the shell, in the locale given; returns its exit status
// and stdout.
int RunCli(const std::string& arguments, std::string& out, const std::string& locale = "C.UTF-8", const std::string& prefix = "") {
    out.clear();
    const std::string command = prefix + "LC_ALL=" + locale + " " + ZENTREL_CLI + " " + arguments + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    for (int c; (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(KeyCommand, PrintsKeyOfTheTextByteForByte) {
    std::string out;
    EXPECT_EQ(RunCli("key nmk HomePlugAV", out), 0);
    EXPECT_EQ(out, "50D3E4933F855B7040784DF815AA8DB7\n");
    EXPECT_EQ(RunCli("key dak 'ABCD-EFGH-IJKL-MNOP'", out), 0);
    EXPECT_EQ(out, DakText("ABCD-EFGH-IJKL-MNOP") + "\n");
    EXPECT_EQ(RunCli("key nmk \"$(printf '\\351t\\351 \\377')\"", out), 0);
    EXPECT_EQ(out, NmkText("\xE9t\xE9 \xFF") + "\n");
    EXPECT_EQ(RunCli("key nmk " + std::string(64, 'z') + "TAIL", out), 0);
    EXPECT_EQ(out, NmkText(std::string(64, 'z')) + "\n");
    EXPECT_EQ(RunCli("key dak -- -dash", out), 0);
    EXPECT_EQ(out, DakText("-dash") + "\n");
    EXPECT_EQ(RunCli("key nmk ''", out), 0);
    EXPECT_EQ(out, NmkText("") + "\n");
}

// Usage errors exit with 2, a scan that finds no local device with 1 (run in a directory and, as
// root, a network namespace of its own, so that it neither sends nor writes anywhere else).
TEST(Cli, ExitStatuses) {
    const std::string isolated = "cd \"$(mktemp -d)\" && $( [ \"$(id -u)\" = 0 ] && echo unshare -n ) env ";
    const struct {
        const char* args;
        int status;
        std::string prefix;
    } cases[] = {
        {"", 2, ""}, {"nosuch", 2, ""}, {"key", 2, ""}, {"key nmk", 2, ""}, {"key xyz text", 2, ""}, {"key nmk a b", 2, ""},
        {"key dak -dash", 2, ""}, {"key nmk --", 2, ""}, {"key --help", 0, ""}, {"scan", 1, isolated},
    };
    std::string out;
    for (const auto& c : cases) {
        EXPECT_EQ(RunCli(c.args, out, "C.UTF-8", c.prefix), c.status) << c.args;
        if (c.status == 2 && *c.args) {
            EXPECT_EQ(out, "") << c.args;
        }
    }
    EXPECT_EQ(RunCli("key --help", out), 0);
    EXPECT_NE(out.find("zentrel key nmk"), std::string::npos);
}

}  // namespace
