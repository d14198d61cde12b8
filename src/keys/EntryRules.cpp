#include "keys/EntryRules.h"

#include <string_view>

namespace zentrel {
namespace {

// The part of the text a zero-terminated field would hold.
std::string_view Typed(const std::string& text) { return std::string_view(text.c_str()); }

bool LengthInRange(const std::string& text) {
    const auto n = Typed(text).size();
    return n >= 4 && n <= 24;
}

Message Refusal(EntryRule rule) {
    Message m;
    m.buttons = MsgButtons::Ok;
    m.icon = MsgIcon::Error;
    m.owner = MsgOwner::None;
    switch (rule) {
        case EntryRule::DevicePassword:
            m.text = "The Device Password Entered is Invalid.\nPlease check it and try again.";
            m.caption = "Invalid Entry";
            break;
        case EntryRule::NetworkName:
            m.text =
                "The Network Name Entered is Invalid.\nPlease Enter a Network Name between 4 and 24 "
                "characters";
            m.caption = "Invalid Entry";
            break;
        case EntryRule::DevicePasswordFormat:
            m.text = "Bad password format";
            // The program's own name; the pages put the title of the OEM branding in its place.
            m.caption = "Zentrel Utility";
            m.icon = MsgIcon::None;
            break;
        case EntryRule::NamePresent:
            m.text = "Please enter another name.";
            m.caption = "Attention!";
            m.icon = MsgIcon::Warning;
            m.owner = MsgOwner::Dialog;
            break;
    }
    return m;
}

}  // namespace

std::optional<Message> CheckDevicePassword(const std::string& text) {
    if (LengthInRange(text)) return std::nullopt;
    return Refusal(EntryRule::DevicePassword);
}

std::optional<Message> CheckNetworkName(const std::string& text) {
    if (LengthInRange(text)) return std::nullopt;
    return Refusal(EntryRule::NetworkName);
}

std::optional<std::string> CheckPasswordCharacters(const std::string& text) {
    for (unsigned char c : Typed(text)) {
        if (c < 0x20 || c >= 0x80) return "Illegal character in password, CTRL and ALT characters not allowed.\n";
    }
    return std::nullopt;
}

std::optional<Message> CheckDevicePasswordFormat(const std::string& text) {
    const auto typed = Typed(text);
    if (typed.size() == 19 && typed[4] == '-' && typed[9] == '-' && typed[14] == '-') return std::nullopt;
    return Refusal(EntryRule::DevicePasswordFormat);
}

std::optional<Message> CheckNotPlaceholder(const std::string& text) {
    if (Typed(text) != kDevicePasswordPlaceholder) return std::nullopt;
    Message m;
    m.text = "Please enter a Password.";
    m.caption = "Attention!";
    m.icon = MsgIcon::Warning;
    m.owner = MsgOwner::Dialog;
    return m;
}

std::optional<Message> CheckNamePresent(const std::string& text) {
    if (!Typed(text).empty()) return std::nullopt;
    return Refusal(EntryRule::NamePresent);
}

std::optional<Message> CheckFits(bool fits, EntryRule rule) {
    if (fits) return std::nullopt;
    return Refusal(rule);
}

}  // namespace zentrel
