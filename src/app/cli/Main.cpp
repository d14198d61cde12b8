#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Command.h"

namespace zentrel::cli {

std::vector<CommandInfo>& CommandTable() {
    static std::vector<CommandInfo> table;
    return table;
}

bool WantsHelp(const CommandInfo& info, const std::vector<std::string>& args) {
    for (const auto& a : args) {
        if (a == "-h" || a == "--help") {
            std::fputs(info.usage, stdout);
            return true;
        }
    }
    return false;
}

int UsageError(const CommandInfo& info, const std::string& problem) {
    std::fprintf(stderr, "zentrel %s: %s\n", info.name, problem.c_str());
    std::fprintf(stderr, "Try 'zentrel %s --help'.\n", info.name);
    return kExitUsage;
}

bool Arguments::Has(const std::string& flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

int SplitArguments(const CommandInfo& info, const std::vector<std::string>& args,
                   const std::vector<std::string>& known, Arguments& out) {
    bool optionsEnd = false;
    for (const auto& a : args) {
        if (!optionsEnd && a == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && std::find(known.begin(), known.end(), a) != known.end()) {
            out.flags.push_back(a);
        } else if (!optionsEnd && a.size() > 1 && a[0] == '-') {
            return UsageError(info, "unknown option '" + a + "'");
        } else {
            out.words.push_back(a);
        }
    }
    return kExitOk;
}

}  // namespace zentrel::cli

namespace {

void PrintHelp() {
    using zentrel::cli::CommandTable;
    std::puts("Usage: zentrel COMMAND [ARGS...]");
    std::puts("");
    std::puts("Command-line companion of Zentrel Utility: finds the powerline adapter on this");
    std::puts("host, lists the stations of its network and changes network names and keys.");
    std::puts("Files (plc.data, OEMPrefs.dat, OUIList.txt, scan.log) are read from and written");
    std::puts("to the current directory, as the desktop program does.");
    std::puts("");
    std::puts("Network names and passwords are stored and hashed as 8-bit text, one byte per");
    std::puts("character: an argument is read in the locale's character set (UTF-8 under the C");
    std::puts("locale) and must fit Latin-1; a byte that is no character of that set is taken");
    std::puts("as it is. Stored texts are printed as UTF-8, read as Windows-1252.");
    std::puts("");
    std::puts("Commands:");
    auto commands = CommandTable();
    std::sort(commands.begin(), commands.end(),
              [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
    for (const auto& c : commands) std::printf("  %-12s %s\n", c.name, c.summary);
    std::puts("");
    std::puts("Options:");
    std::puts("  -h, --help     show this help (also after a command)");
    std::puts("  -V, --version  show the program version");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zentrel::cli;
    if (argc < 2) {
        PrintHelp();
        return kExitUsage;
    }
    const std::string first = argv[1];
    if (first == "-h" || first == "--help" || first == "help") {
        PrintHelp();
        return kExitOk;
    }
    if (first == "-V" || first == "--version") {
        std::printf("zentrel %s\n", ZENTREL_VERSION);
        return kExitOk;
    }
    for (const auto& c : CommandTable()) {
        if (first == c.name) {
            std::vector<std::string> args(argv + 2, argv + argc);
            if (WantsHelp(c, args)) return kExitOk;
            return c.run(args);
        }
    }
    std::fprintf(stderr, "zentrel: unknown command '%s'\nTry 'zentrel --help'.\n", first.c_str());
    return kExitUsage;
}
