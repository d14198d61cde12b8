// `zentrel version`: the same as --version, for scripts that prefer a subcommand.
#include <cstdio>

#include "cli/Command.h"

namespace zentrel::cli {
namespace {

int Run(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fputs("zentrel version: takes no arguments\n", stderr);
        return kExitUsage;
    }
    std::printf("zentrel %s\n", ZENTREL_VERSION);
    return kExitOk;
}

const CommandRegistration reg({"version", "show the program version",
                               "Usage: zentrel version\n\nPrints the program version.\n", &Run});

}  // namespace
}  // namespace zentrel::cli
