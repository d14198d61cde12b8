// `zentrel history [--json]`: the device history of plc.data in the current directory, as the
// Diagnostics page lists it.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "cli/CliSupport.h"
#include "cli/Command.h"
#include "registry/Database.h"
#include "registry/OemPrefs.h"
#include "report/LastSeen.h"

namespace zentrel::cli {
namespace {

// A JSON string literal. Valid UTF-8 passes through; any other byte is taken as Latin-1, so that
// whatever a label or password holds comes out as valid JSON.
std::string JsonString(const std::string& s) {
    std::string out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    char buf[8];
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else {
            std::size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
            bool valid = len != 0 && i + len <= n;
            for (std::size_t k = 1; valid && k < len; ++k) valid = (p[i + k] & 0xC0) == 0x80;
            if (valid) {
                std::uint32_t cp = c & (0x7F >> len);
                for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (p[i + k] & 0x3F);
                const std::uint32_t minimum = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
                valid = cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
            }
            if (valid) {
                out.append(s, i, len);
                i += len;
            } else {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
                ++i;
            }
        }
    }
    out += '"';
    return out;
}

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
            std::printf("%s\t%s\t%s\t%s\t%s\n", RecordText(r.label, sizeof r.label).c_str(), FormatMac(r.mac).c_str(),
                        RecordText(r.password, sizeof r.password).c_str(), speed.c_str(),
                        FormatLastSeen(core, r.lastSeen).c_str());
        }
    }
    return ctx.messages.warningsOrErrors ? kExitFailure : kExitOk;
}

const CommandRegistration reg(kInfo);

}  // namespace
}  // namespace zentrel::cli
