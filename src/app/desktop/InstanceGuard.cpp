#include "app/desktop/InstanceGuard.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zentrel::app {

std::string InstanceGuard::DefaultLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return std::string(runtime) + "/zentrel-utility.lock";
    return "/tmp/zentrel-utility-" + std::to_string(static_cast<long>(getuid())) + ".lock";
}

InstanceGuard::InstanceGuard(std::string lockPath) : path_(lockPath.empty() ? DefaultLockPath() : std::move(lockPath)) {
    // O_NOFOLLOW: in a shared /tmp another user could plant a link to a file of ours.
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        acquired_ = true;
        return;
    }
    int rc;
    do {
        rc = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    acquired_ = rc == 0;
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

}  // namespace zentrel::app
