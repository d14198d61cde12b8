#include "ui/QtMessages.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/UiText.h"

namespace zentrel::ui {

bool QtMessages::AutoAnswerFromEnvironment() {
    const char* value = std::getenv("ZENTREL_AUTO_ANSWER");
    return value && std::strcmp(value, "1") == 0;
}

std::unique_ptr<QMessageBox> QtMessages::BuildBox(const Message& message, QWidget* owner) {
    auto box = std::make_unique<QMessageBox>(owner);
    box->setWindowTitle(FromCore(message.caption));
    box->setText(FromCore(message.text));
    box->setTextFormat(Qt::PlainText);
    switch (message.icon) {
        case MsgIcon::None: box->setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Information: box->setIcon(QMessageBox::Information); break;
        case MsgIcon::Warning: box->setIcon(QMessageBox::Warning); break;
        case MsgIcon::Error: box->setIcon(QMessageBox::Critical); break;
    }
    if (message.buttons == MsgButtons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
    }
    return box;
}

MsgAnswer QtMessages::Show(const Message& message) {
    shown.push_back(message);
    if (onShow) onShow(message);
    if (!nextAnswers.empty()) {
        const MsgAnswer answer = nextAnswers.front();
        nextAnswers.pop_front();
        return answer;
    }
    if (answerAll) return message.buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
    if (AutoAnswerFromEnvironment()) {
        std::fprintf(stderr, "%s: %s\n", message.caption.c_str(), message.text.c_str());
        std::fflush(stderr);
        return message.buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
    }

    QWidget* owner = nullptr;
    if (message.owner == MsgOwner::Dialog) owner = QApplication::activeModalWidget();
    if (message.owner == MsgOwner::Page) owner = page_;
    auto box = BuildBox(message, owner);
    const int result = box->exec();
    if (message.buttons == MsgButtons::YesNo) return result == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    return MsgAnswer::Ok;
}

void QtMessages::StandardOutput(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace zentrel::ui
