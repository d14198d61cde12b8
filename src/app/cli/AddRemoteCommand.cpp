// `zentrel add-remote NAME PASSWORD`: "Add Remote Device to Network", after one scan: whichever
// device on the powerline network holds PASSWORD joins the network NAME.
#include <cstdio>

#include "cli/CliText.h"
#include "cli/Command.h"
#include "cli/KeyChangeNotes.h"
#include "cli/ScanSession.h"
#include "pages/PasswordDialogs.h"
#include "pages/MainPage.h"

namespace zentrel::cli {
namespace {

int Run(const std::vector<std::string>& args);

const CommandInfo kInfo{
    "add-remote", "make the device with a given password join a network",
    "Usage: zentrel add-remote NAME PASSWORD\n"
    "\n"
    "Scans once, then sends the network key of NAME to whichever device on the powerline\n"
    "network holds the device password PASSWORD (4 to 24 characters), through the local\n"
    "device. NAME is held to the rule of every network name: 4 to 24 characters. The device\n"
    "need not be listed: it may still belong to another network. It restarts with the new\n"
    "name and appears in the list (zentrel scan) within a few seconds.\n"
    "\n"
    "Exit status: 0 when a device took the key, 1 when none did, no local device was found\n"
    "or the input was refused, 2 on a usage error.\n",
    &Run};

const CommandRegistration reg(kInfo);

int Run(const std::vector<std::string>& args) {
    Arguments parsed;
    if (const int status = SplitArguments(kInfo, args, {}, parsed)) return status;
    const std::vector<std::string>& positional = parsed.words;
    if (positional.size() != 2) return UsageError(kInfo, "expected NAME and PASSWORD");

    CliContext ctx;
    Core& core = *ctx.core;
    OpenMainPage(ctx);
    ScanOnce(core);
    if (!RequireLocalDevice(kInfo.name, core)) {
        DestroyMainPage(core);
        return kExitFailure;
    }

    OpenAddRemoteDialog(core);
    const auto type = [&core](int id, const std::string& argument) {
        std::string text;
        const bool fits = ArgumentText(argument, text);
        core.views.TypeFieldText(Form::AddRemote, id, text, fits);
    };
    type(kAddRemoteNameField, positional[0]);
    type(kPasswordField, positional[1]);
    const AddRemoteOutcome outcome = ConfirmAddRemote(core);
    if (!Closes(outcome)) CancelAddRemote(core);
    if (outcome == AddRemoteOutcome::NoMatch) HintIfUnanswered(kInfo.name, core);
    DestroyMainPage(core);
    if (outcome != AddRemoteOutcome::Joined) return kExitFailure;
    std::printf("The device with that password took the network name \"%s\": it restarts and appears in the "
                "list (zentrel scan) within a few seconds.\n",
                OutputText(core.views.FieldText(Form::AddRemote, kAddRemoteNameField)).c_str());
    return kExitOk;
}

}  // namespace
}  // namespace zentrel::cli
