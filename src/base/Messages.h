#pragma once
// Every message the user sees goes through this interface: a Qt message box in the desktop
// program, "caption: text" on stderr in the command-line program, a recorder in tests.
#include <optional>
#include <string>

namespace zentrel {

enum class MsgIcon { None, Information, Warning, Error };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };
// Which window owns the box: none (shown on its own), the dialog in which the text was typed,
// or the page that issued the command.
enum class MsgOwner { None, Dialog, Page };

struct Message {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    MsgOwner owner = MsgOwner::None;
};

class Messages {
public:
    virtual ~Messages() = default;
    virtual MsgAnswer Show(const Message& message) = 0;
    // Diagnostic lines that the original wrote to standard output (e.g. the character rule).
    virtual void StandardOutput(const std::string& line);
};

// Shows the message a check returned, if any. True when there was none: the check passed.
bool Passes(Messages& messages, const std::optional<Message>& refusal);

}  // namespace zentrel
