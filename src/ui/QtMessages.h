#pragma once
// Message boxes of the desktop program. Tests script the answers through the "next answer"
// hook, so that no modal box ever waits for a click under the offscreen platform.
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "base/Messages.h"

namespace zentrel::ui {

class QtMessages : public Messages {
public:
    MsgAnswer Show(const Message& message) override;
    void StandardOutput(const std::string& line) override;

    // The box exactly as Show presents it: caption, text, icon and buttons.
    static std::unique_ptr<QMessageBox> BuildBox(const Message& message, QWidget* owner);

    // The page that issues commands (owner of MsgOwner::Page boxes).
    void SetPageOwner(QWidget* page) { page_ = page; }

    // Test hook: while answers are queued, each box takes the next one instead of being shown;
    // with `answerAll` set, every further box takes Ok or Yes.
    std::deque<MsgAnswer> nextAnswers;
    bool answerAll = false;
    std::vector<Message> shown;
    // Test hook: told of every message as it is shown, before it is answered.
    std::function<void(const Message&)> onShow;

    // Test hook for the whole program, which a test cannot script from inside: with
    // ZENTREL_AUTO_ANSWER=1 in the environment no box is shown; each message is printed on stderr
    // as "caption: text" and answered at once with Ok (Yes for a question). Not for users.
    static bool AutoAnswerFromEnvironment();

private:
    QPointer<QWidget> page_;
};

}  // namespace zentrel::ui
