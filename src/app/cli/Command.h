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

}  // namespace zentrel::cli
