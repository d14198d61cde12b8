#pragma once
// Messages for tests: records every box shown and answers from a script (Ok/Yes by default).
#include <deque>
#include <string>
#include <vector>

#include "base/Messages.h"

namespace zentrel::test {

class RecordingMessages : public Messages {
public:
    MsgAnswer Show(const Message& message) override;
    void StandardOutput(const std::string& line) override { stdoutLines.push_back(line); }

    std::vector<Message> shown;
    std::vector<std::string> stdoutLines;
    std::deque<MsgAnswer> answers;  // next answers for Yes/No boxes
};

}  // namespace zentrel::test
