#pragma once
// Whole-file reads and crash-safe whole-file replacement. The only place that knows how the
// operating system makes a rename durable.
#include <cstddef>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace zentrel {

// Reads at most maxBytes from the start of the file. False when the file cannot be opened or
// read (a directory in its place, an I/O error); `out` is then empty.
bool ReadFilePrefix(const std::filesystem::path& path, std::size_t maxBytes, std::vector<std::uint8_t>& out);

// When a replacement must survive a power cut. The new content is on disk before the rename
// either way, so a power cut leaves the old file or the new one, whole; `Deferred` only leaves
// the rename to the file system's next commit of its own (seconds later) instead of forcing one,
// for data that is refreshed again within seconds and costs little to lose: one flush less.
enum class Durability { Immediate, Deferred };

// Writes the bytes to a new file in the same directory (owner read/write only), flushes it to
// disk and renames it over `path`, so that a reader sees either the old or the new content,
// never a mixture or a truncated file. On failure `path` is left as it was and `error`, when
// given, receives the system's error number.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         int* error = nullptr, Durability durability = Durability::Immediate);

// A new file in the same directory as `path`, owner read/write only from its creation, written
// through Stream() and put in the place of `path` by Commit(): whatever it replaces, no one else
// can ever read what was written, and no reader sees a partial file. Dropped without a Commit()
// it is removed and `path` stays as it was.
class ReplacementFile {
public:
    explicit ReplacementFile(std::filesystem::path path);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    std::FILE* Stream() const { return stream_; }  // null when the file could not be made
    // Flushes to disk and renames over `path`; false (and nothing replaced) when a write failed.
    bool Commit(Durability durability = Durability::Immediate);
    // The system's error number of the first step that failed (making, writing, flushing or
    // renaming the file); 0 while nothing failed. A failed write through Stream() counts too.
    int Error() const;

private:
    void Fail(int error) {
        if (error_ == 0) error_ = error != 0 ? error : EIO;
    }
    std::filesystem::path path_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
    int error_ = 0;
};

// An exclusive advisory lock on a directory for as long as it lives: two programs saving into
// the same directory take turns, so that neither reads the other's file half-way through a
// read-change-write. Where the file system refuses the lock the holder goes on without it.
class DirectoryLock {
public:
    explicit DirectoryLock(const std::filesystem::path& dir);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace zentrel
