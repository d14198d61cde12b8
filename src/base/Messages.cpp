#include "base/Messages.h"

#include <cstdio>

namespace zentrel {

void Messages::StandardOutput(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

bool Passes(Messages& messages, const std::optional<Message>& refusal) {
    if (!refusal) return true;
    messages.Show(*refusal);
    return false;
}

}  // namespace zentrel
