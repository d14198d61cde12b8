// `zentrel scan [--json]`: one scan cycle, then the Main page's picture.
#include <cstdio>

#include "cli/Command.h"
#include "cli/ScanJson.h"
#include "cli/ScanSession.h"
#include "pages/MainPage.h"

namespace zentrel::cli {
namespace {

int Run(const std::vector<std::string>& args);

const CommandInfo kInfo{
    "scan", "find the local device and list the stations of its powerline network",
    "Usage: zentrel scan [--json]\n"
    "\n"
    "Reads OEMPrefs.dat and plc.data from the current directory, looks for a local\n"
    "powerline device behind every Ethernet adapter, runs one scan cycle and prints the\n"
    "adapters, the local device(s) with their firmware version, the network (CCo MAC,\n"
    "NID, SNID, TEI, network type), the station count and the powerline device list in\n"
    "the desktop program's column order. plc.data is updated as the desktop program does.\n"
    "\n"
    "  --json   print the same as one JSON object (docs/json.md)\n"
    "\n"
    "Exit status: 0 when a local device answered, 1 when none did, 2 on a usage error.\n",
    &Run};
const CommandRegistration reg(kInfo);

int Run(const std::vector<std::string>& args) {
    bool json = false;
    for (const auto& a : args) {
        if (a == "--json") {
            json = true;
        } else {
            return UsageError(kInfo, "unexpected argument '" + a + "'");
        }
    }
    CliContext context;
    OpenMainPage(context);
    const bool found = ScanOnce(*context.core);
    DestroyMainPage(*context.core);
    const std::string text = json ? ScanJson(*context.core, 1, context.clock.Now()) + "\n" : MainPageText(*context.core);
    std::fputs(text.c_str(), stdout);
    return found ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace zentrel::cli
