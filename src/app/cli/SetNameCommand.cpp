// `zentrel set-name NAME [--all]` and `zentrel set-name --public [--all]`: the Privacy page's
// "Set Local Device Only" / "Set All Devices", after one scan so that the device list holds what
// the desktop program would show.
#include <cstdio>

#include "cli/CliText.h"
#include "cli/Command.h"
#include "cli/KeyChangeNotes.h"
#include "cli/ScanSession.h"
#include "pages/PrivacyPage.h"
#include "pages/MainPage.h"

namespace zentrel::cli {
namespace {

int Run(const std::vector<std::string>& args);

const CommandInfo kInfo{
    "set-name", "change the network name of the local device or of every known device",
    "Usage: zentrel set-name NAME [--all]\n"
    "       zentrel set-name --public [--all]\n"
    "\n"
    "Scans once, then puts the network name NAME (4 to 24 characters) on the local device.\n"
    "With --all, every listed device whose password was entered (zentrel password) gets the\n"
    "name first, one by one, and the local device last; this takes about 1.5 s per device.\n"
    "--public uses the default name, which makes the network public.\n"
    "Put -- before a NAME that begins with a dash.\n"
    "Each device restarts with the new name and is back in the list within a few seconds.\n"
    "\n"
    "Exit status: 0 when every device took the name, 1 when a failure was reported or no\n"
    "local device was found, 2 on a usage error.\n",
    &Run};

const CommandRegistration reg(kInfo);

int Run(const std::vector<std::string>& args) {
    Arguments parsed;
    if (const int status = SplitArguments(kInfo, args, {"--all", "--public"}, parsed)) return status;
    const bool all = parsed.Has("--all");
    const bool usePublic = parsed.Has("--public");
    const std::vector<std::string>& names = parsed.words;
    if (usePublic && !names.empty()) return UsageError(kInfo, "give either NAME or --public");
    if (!usePublic && names.size() != 1) return UsageError(kInfo, "expected one NAME");

    CliContext ctx;
    Core& core = *ctx.core;
    OpenMainPage(ctx);
    ScanOnce(core);
    if (!RequireLocalDevice(kInfo.name, core)) {
        DestroyMainPage(core);
        return kExitFailure;
    }

    ActivatePrivacyPage(core);
    if (usePublic) {
        UseDefaultNetworkName(core);
    } else {
        std::string name;
        const bool fits = ArgumentText(names.front(), name);
        core.views.TypeFieldText(Form::Privacy, kPrivacyNameField, name, fits);
    }
    if (all && RemoteDevicesToVisit(core) == 0) {
        std::fprintf(stderr,
                     "zentrel set-name: no listed device has a stored device password (zentrel password MAC "
                     "PASSWORD): only the local device will change.\n");
    }
    const SetNameOutcome outcome = SetNetworkName(
        core, all ? SetNameScope::AllDevices : SetNameScope::LocalOnly, [](const RemoteProgress& p) {
            if (!p.done) return;
            std::fprintf(stderr, "device %d of %d: %s ... %s\n", p.index, p.count, p.mac.c_str(),
                         p.ok ? "done" : "failed");
        });
    if (outcome == SetNameOutcome::LocalFailed) HintIfUnanswered(kInfo.name, core);
    DeactivatePrivacyPage(core);
    DestroyMainPage(core);
    return outcome == SetNameOutcome::Success ? kExitOk : kExitFailure;
}

}  // namespace
}  // namespace zentrel::cli
