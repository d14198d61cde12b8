// `zentrel history [--json]`: the device history of plc.data in the current directory, as the
// Diagnostics page lists it.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "cli/CliSupport.h"
#include "pages/Storage.h"
#include "pages/Preferences.h"
#include "cli/CliText.h"
#include "cli/Command.h"
#include "registry/Database.h"
#include "registry/OemPrefs.h"
#include "report/LastSeen.h"

namespace zentrel::cli {
namespace {

// ISO 8601 in UTC, or null for a time the calendar cannot hold.
std::string IsoTime(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (static_cast<std::int64_t>(t) != seconds || !gmtime_r(&t, &tm) || tm.tm_year + 1900 > 9999 ||
        tm.tm_year + 1900 < 0)
        return "null";
    // The quotes are formatted with the time: GCC 12 at -O3 takes prepending one to the string
    // for an overlapping copy (-Wrestrict).
    char buf[32];
    std::strftime(buf, sizeof buf, "\"%Y-%m-%dT%H:%M:%SZ\"", &tm);
    return buf;
}

int Run(const std::vector<std::string>& args);

const CommandInfo kInfo{"history", "show the device history kept in plc.data",
                        "Usage: zentrel history [--json]\n\n"
                        "Prints the devices recorded in plc.data (current directory): label, MAC\n"
                        "address, device password, speed or \"local device\", and when each was last\n"
                        "seen, in the clock form chosen by OEMPrefs.dat.\n\n"
                        "  --json   print a JSON array instead, with lastSeen in ISO 8601 (UTC)\n",
                        &Run};

int Run(const std::vector<std::string>& args) {
    bool json = false;
    for (const auto& a : args) {
        if (a == "--json") json = true;
        else return UsageError(kInfo, "unknown argument '" + a + "'");
    }
    CliContext ctx;
    Core& core = *ctx.core;
    LoadOemPrefs(core);
    LoadDatabase(core);

    const int count = core.db.historyCount;
    if (json) {
        std::string out = "[";
        for (int i = 0; i < count; ++i) {
            const HistoryRecord& r = core.db.history[static_cast<std::size_t>(i)];
            const bool local = r.speed == 0xFF;
            out += i ? ",\n " : "\n ";
            out += "{\"label\": " + JsonString(RecordText(r.label, sizeof r.label));
            out += ", \"mac\": " + JsonString(FormatMac(r.mac));
            out += ", \"password\": " + JsonString(RecordText(r.password, sizeof r.password));
            out += ", \"speed\": " + (local ? std::string("null") : std::to_string(r.speed));
            out += std::string(", \"localDevice\": ") + (local ? "true" : "false");
            out += ", \"lastSeen\": " + IsoTime(r.lastSeen) + "}";
        }
        out += count ? "\n]\n" : "]\n";
        std::fputs(out.c_str(), stdout);
    } else {
        std::printf("TEI\tMAC Address\tPassword\tSpeed(Mbps)\tLast Seen\n");
        for (int i = 0; i < count; ++i) {
            const HistoryRecord& r = core.db.history[static_cast<std::size_t>(i)];
            const std::string speed = r.speed == 0xFF ? "local device" : std::to_string(r.speed);
            std::printf("%s\t%s\t%s\t%s\t%s\n", OutputText(RecordText(r.label, sizeof r.label)).c_str(),
                        FormatMac(r.mac).c_str(),
                        OutputText(RecordText(r.password, sizeof r.password)).c_str(), speed.c_str(),
                        OutputText(FormatLastSeen(core.prefs, r.lastSeen)).c_str());
        }
    }
    return ctx.messages.warningsOrErrors ? kExitFailure : kExitOk;
}

const CommandRegistration reg(kInfo);

}  // namespace
}  // namespace zentrel::cli
