// `zentrel key nmk TEXT` / `zentrel key dak TEXT`: the key a network name or device password
// becomes, in the form handed to the set-key request. Useful to check a device's key by hand.
#include <cstdio>

#include "cli/CliSupport.h"
#include "cli/CliText.h"
#include "cli/Command.h"
#include "keys/EntryRules.h"
#include "keys/KeyDerivation.h"

namespace zentrel::cli {
namespace {

int Run(const std::vector<std::string>& args);

const CommandInfo kInfo{
    "key", "print the NMK of a network name or the DAK of a device password",
    "Usage: zentrel key nmk NETWORK-NAME\n"
    "       zentrel key dak DEVICE-PASSWORD\n"
    "\n"
    "Prints the 16-byte key as 32 upper-case hexadecimal digits: the network membership key\n"
    "(nmk) of a network name or the device access key (dak) of a device password, as the\n"
    "desktop program derives it: one byte per character in Latin-1 (see zentrel --help);\n"
    "only the first 64 count. Put -- before a text that begins with a dash.\n"
    "\n"
    "Exit status: 0 when printed, 1 when the text holds a character beyond Latin-1,\n"
    "2 on a usage error.\n",
    &Run};

int Run(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError(kInfo, "missing key kind (nmk or dak)");
    const std::string& kind = args[0];
    if (kind != "nmk" && kind != "dak") return UsageError(kInfo, "unknown key kind '" + kind + "'");
    std::size_t at = 1;
    if (at < args.size() && args[at] == "--") ++at;
    if (at >= args.size()) return UsageError(kInfo, "missing text");
    if (at + 1 < args.size()) return UsageError(kInfo, "too many arguments (quote a text with spaces)");
    const std::string& text = args[at];
    if (at == 1 && !text.empty() && text[0] == '-') {
        return UsageError(kInfo, "unknown option '" + text + "' (put -- before a text that begins with a dash)");
    }
    // No length rule here: any name or password has a key. A character the key cannot be made
    // from gets the message of the rule of the field the text would be typed into.
    std::string bytes;
    StderrMessages messages;
    if (!Passes(messages, CheckFits(ArgumentText(text, bytes),
                                    kind == "nmk" ? EntryRule::NetworkName : EntryRule::DevicePassword)))
        return kExitFailure;
    const std::string key = kind == "nmk" ? NmkText(bytes) : DakText(bytes);
    std::printf("%s\n", key.c_str());
    return kExitOk;
}

const CommandRegistration reg(kInfo);

}  // namespace
}  // namespace zentrel::cli
