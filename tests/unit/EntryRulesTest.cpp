#include <gtest/gtest.h>

#include "keys/EntryRules.h"
#include "support/RecordingMessages.h"

namespace zentrel::test {
namespace {

using Rule = std::optional<Message> (*)(const std::string&);

TEST(EntryRules, AcceptOrRefuseWithExactMessage) {
    const std::string invalidName =
        "The Network Name Entered is Invalid.\nPlease Enter a Network Name between 4 and 24 characters";
    const struct {
        Rule rule;
        std::vector<std::string> accepted, refused;
        Message refusal;
    } rules[] = {
        // Lengths count bytes, nothing is trimmed; the field ends at its zero byte.
        {CheckDevicePassword, {"abcd", std::string(24, 'p')}, {"abc", std::string(25, 'p'), std::string("ab\0cdef", 7)},
         {"The Device Password Entered is Invalid.\nPlease check it and try again.", "Invalid Entry", MsgIcon::Error,
          MsgButtons::Ok, MsgOwner::None}},
        {CheckNetworkName, {"Home", "\xE9t\xE9s", std::string(24, 'n')}, {"abc", std::string(25, 'n')},
         {invalidName, "Invalid Entry", MsgIcon::Error, MsgButtons::Ok, MsgOwner::None}},
        // Only the length and the three dashes count.
        {CheckDevicePasswordFormat, {"ABCD-EFGH-IJKL-MNOP", "-------------------"},
         {"ABCD-EFGH-IJKL-MNO", "ABCD-EFGH-IJKL-MNOPQ", "ABCDEFGHI-JKL-MNOPQ", "ABCD-EFGHXIJKL-MNOP", "ABCD-EFGH-IJKLXMNOP", ""},
         {"Bad password format", "Zentrel Utility", MsgIcon::None, MsgButtons::Ok, MsgOwner::None}},
        // Only an exactly equal text is the placeholder.
        {CheckNotPlaceholder, {"TYPE-CODE-INTO-THISX", "type-code-into-this", "TYPE-CODE-INTO-THIZ"}, {"TYPE-CODE-INTO-THIS"},
         {"Please enter a Password.", "Attention!", MsgIcon::Warning, MsgButtons::Ok, MsgOwner::Dialog}},
        {CheckNamePresent, {" ", "x"}, {""},
         {"Please enter another name.", "Attention!", MsgIcon::Warning, MsgButtons::Ok, MsgOwner::Dialog}},
    };
    for (const auto& r : rules) {
        for (const auto& text : r.accepted) EXPECT_FALSE(r.rule(text).has_value()) << text;
        for (const auto& text : r.refused) {
            SCOPED_TRACE("\"" + text + "\"");
            // As a page applies it: the refusal is shown, nothing printed.
            RecordingMessages messages;
            EXPECT_FALSE(Passes(messages, r.rule(text)));
            EXPECT_TRUE(messages.stdoutLines.empty());
            ASSERT_EQ(messages.shown.size(), 1u);
            const Message& m = messages.shown[0];
            EXPECT_EQ(m.text, r.refusal.text);
            EXPECT_EQ(m.caption, r.refusal.caption);
            EXPECT_EQ(m.icon, r.refusal.icon);
            EXPECT_EQ(m.owner, r.refusal.owner);
            EXPECT_EQ(m.buttons, MsgButtons::Ok);
        }
    }
}

}  // namespace
}  // namespace zentrel::test
