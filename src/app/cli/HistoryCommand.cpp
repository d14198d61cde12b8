// `zentrel history [--json]`: the device history of plc.data in the current directory, as the
// Diagnostics page lists it.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "cli/CliSupport.h"
#include "pages/Storage.h"
#include "pages/Preferences.h"
#include "cli/CliText.h"
#include "cli/Command.h"
#include "cli/ScanJson.h"
#include "registry/Database.h"
#include "registry/OemPrefs.h"
#include "report/LastSeen.h"

namespace zentrel::cli {
namespace {

int Run(const std::vector<std::string>& args);

const CommandInfo kInfo{"history", "show the device history kept in plc.data",
                        "Usage: zentrel history [--json]\n\n"
                        "Prints the devices recorded in plc.data (current directory): label, MAC\n"
                        "address, device password, speed or \"local device\", and when each was last\n"
                        "seen, in the clock form chosen by OEMPrefs.dat.\n\n"
                        "  --json   print one JSON object instead (docs/json.md)\n",
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
        std::string out = "{\"schemaVersion\":" + std::to_string(kJsonSchemaVersion) + ",\"devices\":[";
        for (int i = 0; i < count; ++i) {
            const HistoryRecord& r = core.db.history[static_cast<std::size_t>(i)];
            const bool local = r.speed == 0xFF;
            StationJsonFields station;
            std::memcpy(station.mac.data(), r.mac, 6);
            if (!local) station.txMbps = r.speed;
            station.label = RecordText(r.label, sizeof r.label);
            station.password = RecordText(r.password, sizeof r.password);
            std::string device = StationJson(station);
            device.pop_back();  // the station's closing brace: the record's own fields follow
            device += std::string(",\"localDevice\":") + (local ? "true" : "false");
            const std::string seen = IsoTime(r.lastSeen, true);
            device += ",\"lastSeen\":";
            device += seen.empty() ? "null" : JsonString(seen);
            out += i ? ",\n " : "\n ";
            out += device + "}";
        }
        out += count ? "\n]}\n" : "]}\n";
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
