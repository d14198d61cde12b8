// `zentrel forget MAC [--yes]`: the Diagnostics page's Delete command for one device.
#include <cstdio>

#include "cli/Command.h"
#include "pages/Storage.h"
#include "cli/ScanSession.h"
#include "registry/Database.h"
#include "pages/MainPage.h"
#include "pages/DiagnosticsPage.h"
#include "pages/HistoryList.h"

namespace zentrel::cli {
namespace {

int Run(const std::vector<std::string>& args);

const CommandInfo kInfo{
    "forget", "remove a device from the device history",
    "Usage: zentrel forget MAC [--yes]\n"
    "\n"
    "Removes the device with that MAC address (six hexadecimal pairs separated by colons)\n"
    "from the device history in plc.data, with its station entry. A scan cycle runs first:\n"
    "a device that it sees is in use and is not removed (\"This device is currently\n"
    "active.\"). The removal asks for confirmation (y/N) on a terminal; --yes answers it, and\n"
    "without a terminal it must be given.\n"
    "\n"
    "Exit status: 0 when the device was removed, 1 when it was not, 2 on a usage error.\n",
    &Run};
const CommandRegistration reg(kInfo);

int Run(const std::vector<std::string>& args) {
    bool yes = false;
    std::string macArgument;
    for (const auto& a : args) {
        if (a == "--yes" || a == "-y") {
            yes = true;
        } else if (!a.empty() && a[0] == '-') {
            return UsageError(kInfo, "unknown option '" + a + "'");
        } else if (macArgument.empty()) {
            macArgument = a;
        } else {
            return UsageError(kInfo, "takes one MAC");
        }
    }
    if (macArgument.empty()) return UsageError(kInfo, "missing MAC");
    std::string macText;
    if (!ParseMacArgument(macArgument, macText)) {
        return UsageError(kInfo, "'" + macArgument + "' is not a MAC address such as 00:B0:52:00:00:01");
    }

    CliContext context(yes);
    Core& core = *context.core;
    OpenMainPage(context);
    ScanOnce(core);
    InitDiagnosticsPage(core);
    GenerateDiagnostics(core, &core.views.diagnostics, nullptr);

    auto& history = core.views.diagnostics.history;
    int row = -1;
    for (int r = 0; r < history.RowCount(); ++r) {
        if (history.Cell(r, 1) == macText) {
            row = r;
            break;
        }
    }
    if (row < 0) {
        DestroyMainPage(core);
        std::fprintf(stderr, "zentrel forget: %s is not in the device history\n", macText.c_str());
        return kExitFailure;
    }
    history.SelectRow(row);
    const bool deleted = DeleteSelectedHistory(core);
    GenerateDiagnostics(core, &core.views.diagnostics, nullptr);
    SaveDatabase(core);
    DestroyMainPage(core);
    if (deleted) std::printf("Removed %s from the device history.\n", macText.c_str());
    return deleted ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace zentrel::cli
