#include "support/RecordingMessages.h"

namespace zentrel::test {

MsgAnswer RecordingMessages::Show(const Message& message) {
    shown.push_back(message);
    if (!answers.empty()) {
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    return message.buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
}

}  // namespace zentrel::test
