#pragma once
// What the fuzz targets share: a scratch directory for a target that needs the application
// object's directory, and a way to stop loudly when a property fails (libFuzzer and the replay
// program both treat abort as a find).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace zentrel::fuzz {

// One directory per process, under /dev/shm when it exists so that the many small writes of a run
// stay in memory. Removed when the process ends normally.
inline const std::filesystem::path& ScratchDir() {
    struct Dir {
        std::filesystem::path path;
        Dir() {
            std::error_code ec;
            std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                             ? std::filesystem::path("/dev/shm")
                                             : std::filesystem::temp_directory_path();
            path = base / ("zentrel-fuzz-" + std::to_string(::getpid()));
            std::filesystem::create_directories(path, ec);
        }
        ~Dir() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static Dir dir;
    return dir.path;
}

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz property failed: %s\n", what);
    std::abort();
}

#define ZENTREL_FUZZ_CHECK(cond)                    \
    do {                                            \
        if (!(cond)) ::zentrel::fuzz::Fail(#cond); \
    } while (0)

}  // namespace zentrel::fuzz
