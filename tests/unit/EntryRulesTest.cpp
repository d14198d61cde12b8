#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "keys/EntryRules.h"
#include "support/RecordingMessages.h"

using namespace zentrel;

namespace {

using Rule = std::function<bool(Messages&, const std::string&)>;

// A rule as a page applies it: its refusal, if any, is shown.
template <std::optional<Message> (*Check)(const std::string&)>
bool Shown(Messages& messages, const std::string& text) {
    return Passes(messages, Check(text));
}

struct RuleCase {
    const char* rule;
    std::string text;
    bool accepted;
};

struct Refusal {
    const char* text;
    const char* caption;
    MsgIcon icon;
    MsgOwner owner;
};

struct RuleInfo {
    Rule check;
    Refusal refusal;
};

const RuleInfo& Info(const std::string& name) {
    static const std::map<std::string, RuleInfo> rules = {
        {"device password",
         {&Shown<CheckDevicePassword>,
          {"The Device Password Entered is Invalid.\nPlease check it and try again.", "Invalid Entry",
           MsgIcon::Error, MsgOwner::None}}},
        {"network name",
         {&Shown<CheckNetworkName>,
          {"The Network Name Entered is Invalid.\nPlease Enter a Network Name between 4 and 24 characters",
           "Invalid Entry", MsgIcon::Error, MsgOwner::None}}},
        {"format",
         {&Shown<CheckDevicePasswordFormat>, {"Bad password format", "Zentrel Utility", MsgIcon::None, MsgOwner::None}}},
        {"placeholder",
         {&Shown<CheckNotPlaceholder>, {"Please enter a Password.", "Attention!", MsgIcon::Warning, MsgOwner::Dialog}}},
        {"name present",
         {&Shown<CheckNamePresent>, {"Please enter another name.", "Attention!", MsgIcon::Warning, MsgOwner::Dialog}}},
    };
    return rules.at(name);
}

std::string WithByte(std::string s, std::size_t at, char c) {
    s[at] = c;
    return s;
}

const std::vector<RuleCase> kCases = {
    // Lengths count bytes, nothing is trimmed.
    {"device password", "abc", false},
    {"device password", "abcd", true},
    {"device password", std::string(24, 'p'), true},
    {"device password", std::string(25, 'p'), false},
    {"device password", std::string("ab\0cdef", 7), false},  // the field ends at its zero byte
    {"network name", "abc", false},
    {"network name", "Home", true},
    {"network name", "\xE9t\xE9s", true},
    {"network name", std::string(24, 'n'), true},
    {"network name", std::string(25, 'n'), false},
    // Only the length and the three dashes count.
    {"format", "ABCD-EFGH-IJKL-MNOP", true},
    {"format", "-------------------", true},
    {"format", "ABCD-EFGH-IJKL-MNO", false},
    {"format", "ABCD-EFGH-IJKL-MNOPQ", false},
    {"format", "ABCDEFGHI-JKL-MNOPQ", false},
    {"format", WithByte("ABCD-EFGH-IJKL-MNOP", 9, 'X'), false},
    {"format", WithByte("ABCD-EFGH-IJKL-MNOP", 14, 'X'), false},
    {"format", "", false},
    // Only an exactly equal text is the placeholder.
    {"placeholder", "TYPE-CODE-INTO-THIS", false},
    {"placeholder", "TYPE-CODE-INTO-THISX", true},
    {"placeholder", "type-code-into-this", true},
    {"placeholder", "TYPE-CODE-INTO-THIZ", true},
    {"name present", "", false},
    {"name present", " ", true},
    {"name present", "x", true},
};

TEST(EntryRules, AcceptOrRefuseWithExactMessage) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.rule) + " on \"" + c.text + "\"");
        const auto& info = Info(c.rule);
        test::RecordingMessages messages;
        EXPECT_EQ(info.check(messages, c.text), c.accepted);
        EXPECT_TRUE(messages.stdoutLines.empty());
        if (c.accepted) {
            EXPECT_TRUE(messages.shown.empty());
            continue;
        }
        ASSERT_EQ(messages.shown.size(), 1u);
        const Message& m = messages.shown[0];
        EXPECT_EQ(m.text, info.refusal.text);
        EXPECT_EQ(m.caption, info.refusal.caption);
        EXPECT_EQ(m.icon, info.refusal.icon);
        EXPECT_EQ(m.owner, info.refusal.owner);
        EXPECT_EQ(m.buttons, MsgButtons::Ok);
    }
}

}  // namespace
