// `zentrel report [FILE]`: the diagnostics report after one scan cycle.
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "cli/Command.h"
#include "cli/ScanSession.h"
#include "pages/MainPage.h"
#include "pages/DiagnosticsPage.h"

namespace zentrel::cli {
namespace {

int Run(const std::vector<std::string>& args);

const CommandInfo kInfo{
    "report", "write the diagnostics report",
    "Usage: zentrel report [FILE]\n"
    "\n"
    "Runs one scan cycle, as 'zentrel scan' does, then writes the diagnostics report (host\n"
    "adapters and their local devices, host information, device history) to FILE, as the\n"
    "desktop program's \"Save Report...\" does. Without FILE, or with '-', the report goes\n"
    "to standard output. Like the desktop program, the report records the devices it\n"
    "shows in the device history of plc.data.\n"
    "\n"
    "The report is meant to be passed on: it shows only the last four characters of each\n"
    "stored device password, and FILE is readable by its owner only.\n",
    &Run};
const CommandRegistration reg(kInfo);

int Run(const std::vector<std::string>& args) {
    if (args.size() > 1) return UsageError(kInfo, "takes at most one FILE");
    const std::string target = args.empty() ? "-" : args[0];
    if (target.size() > 1 && target[0] == '-') return UsageError(kInfo, "unknown option '" + target + "'");

    CliContext context;
    Core& core = *context.core;
    OpenMainPage(context);
    ScanOnce(core);
    bool written = true;
    if (target == "-") {
        WriteReportFile(core, stdout);
        errno = 0;
        written = std::fflush(stdout) == 0 && !std::ferror(stdout);
        if (!written) {
            std::fprintf(stderr, "zentrel report: could not write the report to standard output: %s\n",
                         std::generic_category().message(errno != 0 ? errno : EIO).c_str());
        }
    } else {
        written = SaveReport(core, std::filesystem::path(target));
    }
    DestroyMainPage(core);
    return written ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace zentrel::cli
