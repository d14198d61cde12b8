#include "report/ScanLog.h"

#include <cstdio>

#include "base/MacAddress.h"
#include "link/Link.h"

namespace zentrel {

std::string StandardDateText(const std::tm& when) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* day = when.tm_wday >= 0 && when.tm_wday < 7 ? kDays[when.tm_wday] : "???";
    const char* month = when.tm_mon >= 0 && when.tm_mon < 12 ? kMonths[when.tm_mon] : "???";
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %d\n", day, month, when.tm_mday, when.tm_hour,
                  when.tm_min, when.tm_sec, when.tm_year + 1900);
    return text;
}

void WriteScanLog(std::FILE*& logFile, const std::filesystem::path& path, const Link& link, std::int64_t now) {
    if (!logFile) {
        std::FILE* file = std::fopen(path.c_str(), "w");
        if (!file) return;  // tried again at the next cycle
        logFile = file;
        const auto started = static_cast<std::time_t>(now);
        std::tm local{};
        if (localtime_r(&started, &local)) {
            std::fputs(StandardDateText(local).c_str(), file);
        } else {
            std::fputs("\n", file);
        }
        std::fputs("\tdevice\t\t\tpresent\tmisseTillDrop\n\n", file);
    }
    std::FILE* file = logFile;
    int count = link.access.adapterCount;
    if (count > kMaxAdapters) count = kMaxAdapters;
    for (int e = 0; e < count; ++e) {
        const auto& table = link.tables[static_cast<std::size_t>(e)];
        std::fprintf(file, "NIC #%d:\t%s\tPresent=%d\n", e, FormatMac(table.hostMac).c_str(),
                     static_cast<int>(table.localFound));
        if (!table.localFound) continue;
        for (const auto& entry : table.stations) {
            if (!IsMacSet(entry.stationMac)) continue;
            std::fprintf(file, "\t%s\t%d\t%d\n", FormatMac(entry.stationMac).c_str(), static_cast<int>(entry.present),
                         static_cast<int>(entry.missesTillDrop));
        }
        std::fputs("\n", file);
    }
    std::fflush(file);
}

}  // namespace zentrel
