#include "report/LastSeen.h"

#include <cstdio>
#include <ctime>

#include "registry/OemPrefs.h"

namespace zentrel {
namespace {

// The standard 24-character date text ("Www Mmm dd hh:mm:ss yyyy"), with a zero-padded day and
// English names whatever the locale, so that the list and the report read the same everywhere.
std::string DateText(const std::tm& tm) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int wday = (tm.tm_wday >= 0 && tm.tm_wday < 7) ? tm.tm_wday : 0;
    const int mon = (tm.tm_mon >= 0 && tm.tm_mon < 12) ? tm.tm_mon : 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %s %02d %02d:%02d:%02d %d", kDays[wday], kMonths[mon], tm.tm_mday, tm.tm_hour,
                  tm.tm_min, tm.tm_sec, tm.tm_year + 1900);
    return buf;
}

}  // namespace

std::string FormatLastSeen(const OemPrefs& prefs, std::int64_t lastSeen) {
    const std::time_t t = static_cast<std::time_t>(lastSeen);
    if (static_cast<std::int64_t>(t) != lastSeen) return "unknown";
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return "unknown";
    if (prefs.use12HourClock != 0) {
        // Hours up to 12 keep their number and read "AM": 00:30 is "00 .. AM", 12:30 is "12 .. AM".
        const char* suffix = "AM";
        if (tm.tm_hour > 12) {
            tm.tm_hour -= 12;
            suffix = "PM";
        }
        return DateText(tm).substr(4, 12) + " " + suffix;
    }
    return DateText(tm).substr(4, 12);
}

}  // namespace zentrel
