#pragma once
// A fresh core over a temporary directory, for tests of the files the registry reads and writes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pages/Core.h"
#include "support/FakeClock.h"
#include "support/RecordingMessages.h"

#include "link/NullWire.h"

namespace zentrel::test {

// A wire without adapters: the registry never touches the network.
using NoAdapterWire = NullWire;

// Runs `body` where a file of mode 000 really cannot be read. Root reads such files anyway, so
// under root the body runs in a child that has given up root for the unprivileged "nobody"
// account. Returns the body's result; 90 and above mean the set-up itself failed.
template <typename Body>
int RunUnprivileged(const Body& body) {
    if (::geteuid() != 0) return body();
    const pid_t pid = ::fork();
    if (pid < 0) return 98;
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return 97;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

inline std::filesystem::path MakeTempDir() {
    std::random_device rd;
    for (;;) {
        auto p = std::filesystem::temp_directory_path() / ("zentrel-reg-" + std::to_string(rd()));
        if (std::filesystem::create_directory(p)) return p;
    }
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = MakeTempDir();
        core = std::make_unique<Core>(wire, messages, views, clock, nullptr, dir);
    }
    void TearDown() override {
        core.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    // A second core on the same directory, as the next start of the program sees it.
    std::unique_ptr<Core> Reopen() { return std::make_unique<Core>(wire, messages, views2, clock, nullptr, dir); }

    std::vector<std::uint8_t> ReadBytes(const char* name) const {
        std::ifstream f(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }
    void WriteBytes(const char* name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream f(dir / name, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void WriteText(const char* name, const std::string& text) const {
        std::ofstream f(dir / name, std::ios::binary | std::ios::trunc);
        f << text;
    }

    std::filesystem::path dir;
    NoAdapterWire wire;
    RecordingMessages messages;
    Views views;
    Views views2;
    FakeClock clock;
    std::unique_ptr<Core> core;
};

}  // namespace zentrel::test
