#pragma once
// What the commands that send a new key (add-remote, set-name) tell the user besides the
// program's own messages: that no device was found, and that a device that did not answer may
// still be restarting after a change.
namespace zentrel {
struct Core;
}

namespace zentrel::cli {

// After the scan: true when a local device answered; otherwise says so on stderr (nothing was
// sent) and the command is to end with kExitFailure.
bool RequireLocalDevice(const char* command, const Core& core);
// After a set-key request that got no confirmation in time: the likely reason, on stderr.
void HintIfUnanswered(const char* command, const Core& core);

}  // namespace zentrel::cli
