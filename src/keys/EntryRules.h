#pragma once
// The rules every typed network name and device password passes before anything is derived,
// sent or stored. Each tests one text and, on failure, reports through `messages`; none changes
// any other state. Texts count up to their first zero byte, as the edit fields deliver them.
#include <string>

#include "base/Messages.h"

namespace zentrel {

// What the Add Remote Device dialog shows in its device-password field until the user types.
inline constexpr char kDevicePasswordPlaceholder[] = "TYPE-CODE-INTO-THIS";

// 4 to 24 bytes; otherwise an "Invalid Entry" error box with no owner.
bool CheckDevicePassword(Messages& messages, const std::string& text);
bool CheckNetworkName(Messages& messages, const std::string& text);

// 1 when every byte lies in 0x20..0x7F. Otherwise 0, after one line on standard output and
// nothing on screen: it only decides whether a network name is remembered.
int CheckPasswordCharacters(Messages& messages, const std::string& text);

// Exactly 19 bytes with dashes at positions 5, 10 and 15 (from 1); otherwise "Bad password
// format" with no owner and no icon.
bool CheckDevicePasswordFormat(Messages& messages, const std::string& text);

// False, with a warning owned by the dialog, only for a text exactly equal to the placeholder.
bool CheckNotPlaceholder(Messages& messages, const std::string& text);

// False, with a warning owned by the dialog, for an empty network name.
bool CheckNamePresent(Messages& messages, const std::string& text);

// The rules above, by the field they guard.
enum class EntryRule { DevicePassword, NetworkName, DevicePasswordFormat, NamePresent };
// Text typed with a character that has no 8-bit form (`fits` false) has no bytes a rule could
// test: it is refused with the message of the rule that guards its field. True when it fits.
bool CheckFits(Messages& messages, bool fits, EntryRule rule);

}  // namespace zentrel
