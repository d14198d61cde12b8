// `zentrel password MAC PASSWORD`: "Set Device Password" for the listed device with that MAC,
// after one scan. The password is stored in plc.data and used by `zentrel set-name --all`.
#include <cstdio>

#include "cli/CliText.h"
#include "cli/Command.h"
#include "cli/ScanSession.h"
#include "pages/PasswordDialogs.h"
#include "pages/MainPage.h"

namespace zentrel::cli {
namespace {

int Run(const std::vector<std::string>& args);

const CommandInfo kInfo{
    "password", "record the device password of a listed device",
    "Usage: zentrel password MAC PASSWORD\n"
    "\n"
    "Scans once, then records PASSWORD (the 19-character code printed on the device, as\n"
    "XXXX-XXXX-XXXX-XXXX) for the device with address MAC (00:11:22:33:44:55) in the\n"
    "powerline device list. Nothing is sent to the device; `zentrel set-name --all` uses it.\n"
    "\n"
    "Exit status: 0 when stored, 1 when the device is not listed, the password was refused\n"
    "or plc.data could not be written, 2 on a usage error.\n",
    &Run};

const CommandRegistration reg(kInfo);

int Run(const std::vector<std::string>& args) {
    Arguments parsed;
    if (const int status = SplitArguments(kInfo, args, {}, parsed)) return status;
    const std::vector<std::string>& positional = parsed.words;
    if (positional.size() != 2) return UsageError(kInfo, "expected MAC and PASSWORD");
    std::string mac;
    if (!ParseMacArgument(positional[0], mac)) {
        return UsageError(kInfo, "'" + positional[0] + "' is not a MAC address like 00:11:22:33:44:55");
    }

    CliContext ctx;
    Core& core = *ctx.core;
    OpenMainPage(ctx);
    ScanOnce(core);

    ListModel& list = core.views.main.powerlineDevices;
    int row = -1;
    for (int r = 0; r < list.RowCount() && row < 0; ++r) {
        if (list.Cell(r, 3) == mac) row = r;
    }
    if (row < 0) {
        std::fprintf(stderr, "zentrel password: %s is not in the powerline device list\n", mac.c_str());
        DestroyMainPage(core);
        return kExitFailure;
    }
    list.SelectRow(row);
    if (!OpenSetPasswordDialog(core)) return kExitFailure;
    std::string password;
    const bool fits = ArgumentText(positional[1], password);
    core.views.TypeFieldText(Form::SetPassword, kPasswordField, password, fits);
    const SetPasswordOutcome outcome = ConfirmSetPassword(core);
    if (!Closes(outcome)) CancelSetPassword(core);
    DestroyMainPage(core);
    if (outcome != SetPasswordOutcome::Stored) return kExitFailure;
    // A password that only lives in memory is no password stored: the failed save is told last.
    if (!SaveFailures().empty()) return kExitFailure;
    std::printf("Stored the device password of %s in plc.data. Nothing was sent to the device: "
                "zentrel set-name --all uses it.\n",
                mac.c_str());
    return kExitOk;
}

}  // namespace
}  // namespace zentrel::cli
