#pragma once
// The two password dialogs: "Set Device Password" records the password of the device selected
// in the powerline device list; "Add Remote Device to Network" puts the device that holds a
// password into a named network. The Qt dialogs forward their field texts and buttons here and
// close when the result says so.
#include <cstddef>

namespace zentrel {

struct Core;

// Fields of Form::SetPassword and Form::AddRemote.
inline constexpr int kPasswordField = 1013;
inline constexpr int kAddRemoteNameField = 1088;
inline constexpr std::size_t kPasswordMaxChars = 25;

// "Set Device Password"

// Returns false when no device is selected: the message was shown and the dialog closes at
// once, the periodic scan untouched. Otherwise the TEI and MAC texts and the password field are
// filled and the periodic scan is suspended until OK or Cancel.
bool OpenSetPasswordDialog(Core& core);

enum class SetPasswordOutcome {
    StaysOpen,    // "Bad password format": nothing stored, try again
    // Stored in the history and plc.data and shown in the list; the dialog closes. The caller
    // refreshes whatever else shows the history (the Diagnostics page's list).
    Stored,
    HistoryFull,  // no record for the device and no room for one: message shown, dialog closes
};
inline bool Closes(SetPasswordOutcome o) { return o != SetPasswordOutcome::StaysOpen; }

// OK. A device without a history record (its record was deleted, or the history was full when
// the scan saw it) gets one with its MAC, its TEI text as label and the password, so the
// password is never silently lost.
SetPasswordOutcome ConfirmSetPassword(Core& core);
// Cancel (and any other command): restores the periodic scan; the dialog closes.
void CancelSetPassword(Core& core);

// "Add Remote Device to Network"

void OpenAddRemoteDialog(Core& core);

enum class AddRemoteOutcome {
    StaysOpen,  // a rule refused the name or the password; its message was shown
    Joined,     // a device confirmed the new key; the dialog closes
    NoMatch,    // "Input password does not match any device..." was shown; the dialog closes
};
inline bool Closes(AddRemoteOutcome o) { return o != AddRemoteOutcome::StaysOpen; }

AddRemoteOutcome ConfirmAddRemote(Core& core);
// Cancel changes nothing and closes the dialog; there is nothing to undo.
inline void CancelAddRemote(Core&) {}

}  // namespace zentrel
