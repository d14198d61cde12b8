#pragma once
// A fresh core without adapters over a temporary directory, for tests of the files the registry
// reads and writes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "link/NullWire.h"
#include "pages/Core.h"
#include "support/FakeClock.h"
#include "support/RecordingMessages.h"

namespace zentrel::test {

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

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        do dir = std::filesystem::temp_directory_path() / ("zentrel-reg-" + std::to_string(rd()));
        while (!std::filesystem::create_directory(dir));
        core = std::make_unique<Core>(wire, messages, views, clock, nullptr, dir);
    }
    void TearDown() override {
        core.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    // Another core on the same directory, as the next start of the program (or another program)
    // sees it.
    std::unique_ptr<Core> Reopen() {
        return std::make_unique<Core>(wire, messages, otherViews.emplace_back(), clock, nullptr, dir);
    }

    std::vector<std::uint8_t> ReadBytes(const char* name) const {
        std::ifstream f(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }
    template <typename Bytes>
    void WriteBytes(const char* name, const Bytes& bytes) const {
        std::ofstream(dir / name, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path dir;
    NullWire wire;
    RecordingMessages messages;
    Views views;
    std::deque<Views> otherViews;  // one per reopened core; a deque keeps each in place
    FakeClock clock;
    std::unique_ptr<Core> core;
};

}  // namespace zentrel::test
