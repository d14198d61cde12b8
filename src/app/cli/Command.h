#pragma once
// Subcommands of `zentrel`. Each lives in its own file and registers itself with a static
// CommandRegistration, so adding one touches no other file.
#include <string>
#include <vector>

namespace zentrel::cli {

// Exit statuses shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the operation showed a failure message
inline constexpr int kExitUsage = 2;

struct CommandInfo {
    const char* name;
    const char* summary;
    const char* usage;  // full --help text of the subcommand
    int (*run)(const std::vector<std::string>& args);
};

std::vector<CommandInfo>& CommandTable();

struct CommandRegistration {
    explicit CommandRegistration(const CommandInfo& info) { CommandTable().push_back(info); }
};

// True when args hold -h or --help; prints the usage then.
bool WantsHelp(const CommandInfo& info, const std::vector<std::string>& args);
int UsageError(const CommandInfo& info, const std::string& problem);

// The arguments of a subcommand that takes words and a few flags.
struct Arguments {
    std::vector<std::string> words;
    std::vector<std::string> flags;  // the known flags given, in order
    bool Has(const std::string& flag) const;
};
// Splits `args`: "--" ends the options; before it, a flag in `known` is taken and any other word
// of two or more characters beginning with a dash is refused. Returns kExitOk, or the status of
// the usage error it printed.
int SplitArguments(const CommandInfo& info, const std::vector<std::string>& args,
                   const std::vector<std::string>& known, Arguments& out);

}  // namespace zentrel::cli
