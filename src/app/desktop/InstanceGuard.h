#pragma once
// One copy of the desktop program per user: an exclusive lock on a file in the user's runtime
// directory. The system drops the lock when the process ends, however it ends, so a crash never
// leaves the program refusing to start.
#include <string>

#include "base/Messages.h"

namespace zentrel::app {

class InstanceGuard {
public:
    // `lockPath` empty: "zentrel-utility.lock" in $XDG_RUNTIME_DIR or, when the session gives no
    // runtime directory, in a directory of the user's own, "zentrel-utility-<uid>" in $TMPDIR or
    // /tmp, created with mode 0700.
    explicit InstanceGuard(std::string lockPath = {});
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // True when this process holds the lock.
    bool Acquired() const { return acquired_; }
    // Why no lock could be made (empty when the lock was taken or another copy holds it). The
    // program then does not start: unguarded, two copies would overwrite each other's plc.data.
    const std::string& Problem() const { return problem_; }
    const std::string& Path() const { return path_; }

private:
    // The per-user directory for the lock when there is no runtime directory: made when missing,
    // refused when it is a link, not a directory, someone else's or open to others.
    int OpenFallbackDirectory(const std::string& dir);

    std::string path_;
    std::string problem_;
    int fd_ = -1;
    bool acquired_ = false;
};

// "The %s %s" with the title and "is already running.\nOnly one copy can run at a time.".
std::string AlreadyRunningText(const std::string& title);
// The refusal box: that text, caption "Attention!", the error icon, OK, no owner window.
Message AlreadyRunningMessage(const std::string& title);
// The box for a guard that could not be set up: the title, the problem and that the program
// does not start; caption "Attention!", the error icon, OK, no owner window.
Message UnguardedMessage(const std::string& title, const std::string& problem);

}  // namespace zentrel::app
