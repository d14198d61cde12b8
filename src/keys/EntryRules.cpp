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

void Refuse(Messages& messages, const char* text, const char* caption, MsgIcon icon, MsgOwner owner) {
    Message m;
    m.text = text;
    m.caption = caption;
    m.icon = icon;
    m.buttons = MsgButtons::Ok;
    m.owner = owner;
    messages.Show(m);
}

}  // namespace

bool CheckDevicePassword(Messages& messages, const std::string& text) {
    if (LengthInRange(text)) return true;
    Refuse(messages, "The Device Password Entered is Invalid.\nPlease check it and try again.", "Invalid Entry",
           MsgIcon::Error, MsgOwner::None);
    return false;
}

bool CheckNetworkName(Messages& messages, const std::string& text) {
    if (LengthInRange(text)) return true;
    Refuse(messages,
           "The Network Name Entered is Invalid.\nPlease Enter a Network Name between 4 and 24 characters",
           "Invalid Entry", MsgIcon::Error, MsgOwner::None);
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
    Refuse(messages, "Bad password format", "Quorvan Utility", MsgIcon::None, MsgOwner::None);
    return false;
}

bool CheckNotPlaceholder(Messages& messages, const std::string& text) {
    if (Typed(text) != kDevicePasswordPlaceholder) return true;
    Refuse(messages, "Please enter a Password.", "Attention!", MsgIcon::Warning, MsgOwner::Dialog);
    return false;
}

bool CheckNamePresent(Messages& messages, const std::string& text) {
    if (!Typed(text).empty()) return true;
    Refuse(messages, "Please enter another name.", "Attention!", MsgIcon::Warning, MsgOwner::Dialog);
    return false;
}

}  // namespace zentrel
