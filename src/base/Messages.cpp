#include "base/Messages.h"

#include <cstdio>

namespace zentrel {

void Messages::StandardOutput(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace zentrel
