#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
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

const zentrel::cli::CommandInfo* FindCommand(const std::string& name) {
    for (const auto& c : zentrel::cli::CommandTable()) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

void PrintHelp(std::FILE* out) {
    using zentrel::cli::CommandTable;
    auto line = [out](const char* text) {
        std::fputs(text, out);
        std::fputc('\n', out);
    };
    line("Usage: zentrel COMMAND [ARGS...]");
    line("       zentrel help [COMMAND]");
    line("");
    line("Command-line companion of Zentrel Utility: finds the powerline adapter on this");
    line("host, lists the stations of its network and changes network names and keys.");
    line("Files (plc.data, OEMPrefs.dat, OUIList.txt, scan.log) are read from and written");
    line("to the current directory, as the desktop program does.");
    line("");
    line("Network names and passwords are stored and hashed as 8-bit text, one byte per");
    line("character: an argument is read in the locale's character set (UTF-8 under the C");
    line("locale) and must fit Latin-1; a byte that is no character of that set is taken");
    line("as it is. Stored texts are printed as UTF-8, read as Windows-1252.");
    line("");
    line("Commands:");
    auto commands = CommandTable();
    std::sort(commands.begin(), commands.end(),
              [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
    for (const auto& c : commands) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
    line("");
    line("Options:");
    line("  -h, --help     show this help (also after a command)");
    line("  -V, --version  show the program version");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zentrel::cli;
    if (argc < 2) {
        PrintHelp(stderr);
        return kExitUsage;
    }
    const std::string first = argv[1];
    if (first == "help" && argc > 2) {
        const CommandInfo* command = FindCommand(argv[2]);
        if (!command || argc > 3) {
            std::string problem = "takes one COMMAND";
            if (argc == 3) {
                problem = "unknown command '";
                problem += argv[2];
                problem += "'";
            }
            std::fprintf(stderr, "zentrel help: %s\nTry 'zentrel --help'.\n", problem.c_str());
            return kExitUsage;
        }
        std::fputs(command->usage, stdout);
        return kExitOk;
    }
    if (first == "-h" || first == "--help" || first == "help") {
        PrintHelp(stdout);
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
            // Saves that failed are told after everything the command itself said.
            return ReportSaveFailures(c.run(args));
        }
    }
    std::fprintf(stderr, "zentrel: unknown command '%s'\nTry 'zentrel --help'.\n", first.c_str());
    return kExitUsage;
}
