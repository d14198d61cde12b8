// `zentrel key nmk TEXT` / `zentrel key dak TEXT`: the key a network name or device password
// becomes, in the form handed to the set-key request. Useful to check a device's key by hand.
#include <cstdio>

#include "cli/Command.h"
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
    "(nmk) of a network name or the device access key (dak) of a device password. The text\n"
    "is taken byte for byte as given; only its first 64 bytes count. Put -- before a text\n"
    "that begins with a dash.\n",
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
    const std::string key = kind == "nmk" ? NmkText(text) : DakText(text);
    std::printf("%s\n", key.c_str());
    return kExitOk;
}

const CommandRegistration reg(kInfo);

}  // namespace
}  // namespace zentrel::cli
