#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace zentrel {

bool ReadFilePrefix(const std::filesystem::path& path, std::size_t maxBytes, std::vector<std::uint8_t>& out) {
    out.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.resize(maxBytes);
    std::size_t got = 0;
    while (got < maxBytes) {
        const std::size_t n = std::fread(out.data() + got, 1, maxBytes - got, f);
        if (n == 0) break;
        got += n;
    }
    // A read error (a directory opens but cannot be read) is no empty file: the caller must take
    // the same path as for a file it cannot open, not parse a prefix that happens to be short.
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        out.clear();
        return false;
    }
    out.resize(got);
    return true;
}

namespace {

// Makes the rename itself survive a power cut; a failure here does not undo the replacement.
void SyncDirectory(const std::filesystem::path& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

ReplacementFile::ReplacementFile(std::filesystem::path path) : path_(std::move(path)), temporary_(path_.string() + ".XXXXXX") {
    // mkstemp creates the file exclusively with mode 0600; the explicit mode makes no assumption.
    const int fd = ::mkstemp(temporary_.data());
    if (fd < 0) {
        Fail(errno);
        temporary_.clear();
        return;
    }
    if (::fchmod(fd, S_IRUSR | S_IWUSR) == 0) stream_ = ::fdopen(fd, "wb");
    if (!stream_) {
        Fail(errno);
        ::close(fd);
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

ReplacementFile::~ReplacementFile() {
    if (stream_) std::fclose(stream_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

int ReplacementFile::Error() const {
    // A write through Stream() that failed left its error on the stream, not here.
    if (error_ == 0 && stream_ && std::ferror(stream_)) return EIO;
    return error_;
}

bool ReplacementFile::Commit(Durability durability) {
    if (!stream_) return false;
    errno = 0;
    bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_) && ::fsync(::fileno(stream_)) == 0;
    if (!ok) Fail(errno);
    if (std::fclose(stream_) != 0) {
        Fail(errno);
        ok = false;
    }
    stream_ = nullptr;
    if (!ok) return false;  // the destructor removes the temporary file
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        Fail(errno);
        return false;
    }
    temporary_.clear();
    if (durability == Durability::Immediate) SyncDirectory(path_.parent_path());
    return true;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, int* error,
                         Durability durability) {
    ReplacementFile file(path);
    int failure = 0;
    bool ok = file.Stream() != nullptr;
    if (ok && !bytes.empty()) {
        errno = 0;
        ok = std::fwrite(bytes.data(), 1, bytes.size(), file.Stream()) == bytes.size();
        if (!ok) failure = errno;
    }
    if (ok) ok = file.Commit(durability);
    if (!ok && error) {
        if (failure == 0) failure = file.Error();
        *error = failure != 0 ? failure : EIO;
    }
    return ok;
}

DirectoryLock::DirectoryLock(const std::filesystem::path& dir) {
    fd_ = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

DirectoryLock::~DirectoryLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace zentrel
