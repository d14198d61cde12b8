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

void Refuse(Messages& messages, EntryRule rule) {
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
            m.caption = "Quorvan Utility";
            m.icon = MsgIcon::None;
            break;
        case EntryRule::NamePresent:
            m.text = "Please enter another name.";
            m.caption = "Attention!";
            m.icon = MsgIcon::Warning;
            m.owner = MsgOwner::Dialog;
            break;
    }
    messages.Show(m);
}

}  // namespace

bool CheckDevicePassword(Messages& messages, const std::string& text) {
    if (LengthInRange(text)) return true;
    Refuse(messages, EntryRule::DevicePassword);
    return false;
}

bool CheckNetworkName(Messages& messages, const std::string& text) {
    if (LengthInRange(text)) return true;
    Refuse(messages, EntryRule::NetworkName);
    return false;
}

int CheckPasswordCharacters(Messages& messages, const std::string& text) {
    for (unsigned char c : Typed(text)) {
        if (c < 0x20 || c >= 0x80) {
            messages.StandardOutput("Illegal character in password, CTRL and ALT characters not allowed.\n");
            return 0;
        }
    }
    return 1;
}

bool CheckDevicePasswordFormat(Messages& messages, const std::string& text) {
    const auto typed = Typed(text);
    if (typed.size() == 19 && typed[4] == '-' && typed[9] == '-' && typed[14] == '-') return true;
    Refuse(messages, EntryRule::DevicePasswordFormat);
    return false;
}

bool CheckNotPlaceholder(Messages& messages, const std::string& text) {
    if (Typed(text) != kDevicePasswordPlaceholder) return true;
    Message m;
    m.text = "Please enter a Password.";
    m.caption = "Attention!";
    m.icon = MsgIcon::Warning;
    m.owner = MsgOwner::Dialog;
    messages.Show(m);
    return false;
}

bool CheckNamePresent(Messages& messages, const std::string& text) {
    if (!Typed(text).empty()) return true;
    Refuse(messages, EntryRule::NamePresent);
    return false;
}

bool CheckFits(Messages& messages, bool fits, EntryRule rule) {
    if (!fits) Refuse(messages, rule);
    return fits;
}

}  // namespace zentrel
