#pragma once
// One copy of the desktop program per user: an exclusive lock on a file in the user's runtime
// directory. The system drops the lock when the process ends, however it ends, so a crash never
// leaves the program refusing to start.
#include <string>

#include "registry/Messages.h"

namespace zentrel::app {

class InstanceGuard {
public:
    // `lockPath` empty: "zentrel-utility.lock" in $XDG_RUNTIME_DIR, or in /tmp with the user id
    // in its name when there is no runtime directory.
    explicit InstanceGuard(std::string lockPath = {});
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // True when this process holds the lock. A lock file that cannot be created at all does not
    // stop the program: it then runs unguarded rather than not at all.
    bool Acquired() const { return acquired_; }
    const std::string& Path() const { return path_; }

    static std::string DefaultLockPath();

private:
    std::string path_;
    int fd_ = -1;
    bool acquired_ = false;
};

// "The %s %s" with the title and "is already running.\nOnly one copy can run at a time.".
std::string AlreadyRunningText(const std::string& title);
// The refusal box: that text, caption "Attention!", the error icon, OK, no owner window.
Message AlreadyRunningMessage(const std::string& title);

}  // namespace zentrel::app
