#pragma once
// The rules every typed network name and device password passes before anything is derived,
// sent or stored. Each tests one text and returns nothing when it passes, otherwise what the
// caller is to show; none shows anything or changes any state. Texts count up to their first
// zero byte, as the edit fields deliver them.
#include <optional>
#include <string>

#include "base/Messages.h"

namespace zentrel {

// What the Add Remote Device dialog shows in its device-password field until the user types.
inline constexpr char kDevicePasswordPlaceholder[] = "TYPE-CODE-INTO-THIS";

// 4 to 24 bytes; otherwise an "Invalid Entry" error box with no owner.
std::optional<Message> CheckDevicePassword(const std::string& text);
std::optional<Message> CheckNetworkName(const std::string& text);

// Nothing when every byte lies in 0x20..0x7F. Otherwise the line for standard output (nothing
// goes on screen): it only decides whether a network name is remembered.
std::optional<std::string> CheckPasswordCharacters(const std::string& text);

// Exactly 19 bytes with dashes at positions 5, 10 and 15 (from 1); otherwise "Bad password
// format" with no owner and no icon, captioned with the program's name.
std::optional<Message> CheckDevicePasswordFormat(const std::string& text);

// A warning owned by the dialog, only for a text exactly equal to the placeholder.
std::optional<Message> CheckNotPlaceholder(const std::string& text);

// A warning owned by the dialog for an empty network name.
std::optional<Message> CheckNamePresent(const std::string& text);

// The rules above, by the field they guard.
enum class EntryRule { DevicePassword, NetworkName, DevicePasswordFormat, NamePresent };
// Text typed with a character that has no 8-bit form (`fits` false) has no bytes a rule could
// test: it is refused with the message of the rule that guards its field.
std::optional<Message> CheckFits(bool fits, EntryRule rule);

}  // namespace zentrel
