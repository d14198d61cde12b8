#include "app/desktop/InstanceGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zentrel::app {
namespace {

constexpr char kLockName[] = "zentrel-utility.lock";

std::string Failure(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

int InstanceGuard::OpenFallbackDirectory(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        problem_ = Failure("cannot create", dir);
        return -1;
    }
    // Opened without following a link and checked through the open descriptor, so that nothing
    // can be swapped in between the check and the use.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (dirFd < 0) {
        problem_ = (errno == ELOOP || errno == ENOTDIR) ? dir + " is not a directory (a link or a file is in its place)"
                                                         : Failure("cannot open", dir);
        return -1;
    }
    if (::fstat(dirFd, &info) != 0) {
        problem_ = Failure("cannot read", dir);
    } else if (info.st_uid != ::getuid()) {
        problem_ = dir + " belongs to another user";
    } else if ((info.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        problem_ = dir + " is open to other users (mode " + mode + ", not 0700)";
    } else {
        return dirFd;
    }
    ::close(dirFd);
    return -1;
}

InstanceGuard::InstanceGuard(std::string lockPath) {
    int dirFd = AT_FDCWD;
    if (!lockPath.empty()) {
        path_ = std::move(lockPath);
    } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        // The session made this directory for this user alone.
        path_ = std::string(runtime) + "/" + kLockName;
    } else {
        // Without a runtime directory the lock goes where other users can write too: into a
        // directory that only this user can enter.
        const char* tmp = std::getenv("TMPDIR");
        const std::string dir = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/zentrel-utility-" +
                                std::to_string(static_cast<unsigned long>(::getuid()));
        path_ = dir + "/" + kLockName;
        dirFd = OpenFallbackDirectory(dir);
        if (dirFd < 0) return;
    }
    // O_NOFOLLOW: a link planted in place of the lock file is refused, never followed.
    const char* name = dirFd == AT_FDCWD ? path_.c_str() : kLockName;
    fd_ = ::openat(dirFd, name, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) problem_ = Failure("cannot open the lock file", path_);
    if (dirFd != AT_FDCWD) ::close(dirFd);
    if (fd_ < 0) return;
    int rc;
    do {
        rc = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    acquired_ = rc == 0;
    if (rc != 0 && errno != EWOULDBLOCK) problem_ = Failure("cannot lock", path_);
}

InstanceGuard::~InstanceGuard() {
    if (fd_ >= 0) ::close(fd_);
}

std::string AlreadyRunningText(const std::string& title) {
    const char* tail = "is already running.\nOnly one copy can run at a time.";
    std::string text = "The ";
    text += title;
    text += ' ';
    text += tail;
    return text;
}

Message AlreadyRunningMessage(const std::string& title) {
    Message m;
    m.text = AlreadyRunningText(title);
    m.caption = "Attention!";
    m.icon = MsgIcon::Error;
    m.buttons = MsgButtons::Ok;
    m.owner = MsgOwner::None;
    return m;
}

Message UnguardedMessage(const std::string& title, const std::string& problem) {
    Message m = AlreadyRunningMessage(title);
    m.text = "The " + title + " cannot make sure that it runs only once: " + problem +
             ".\nIt does not start, so that two copies never overwrite each other's files.";
    return m;
}

}  // namespace zentrel::app
