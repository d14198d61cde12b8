#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "registry/OemPrefs.h"
#include "report/LastSeen.h"

using namespace zentrel;

namespace {

// In UTC, as every test here that prints times runs.
TEST(LastSeenTest, BothClockForms) {
    setenv("TZ", "UTC", 1);
    tzset();
    OemPrefs prefs;
    struct Case {
        std::int64_t t;
        const char* twelve;
        const char* twentyFour;
    };
    const Case cases[] = {
        {0, "Jan 01 00:00 AM", "Jan 01 00:00"},                   // midnight keeps hour 00
        {30 * 60, "Jan 01 00:30 AM", "Jan 01 00:30"},
        {12 * 3600 + 30 * 60, "Jan 01 12:30 AM", "Jan 01 12:30"},  // half past noon still reads AM
        {13 * 3600 + 7 * 60, "Jan 01 01:07 PM", "Jan 01 13:07"},
        {4 * 86400 + 3 * 3600 + 7 * 60 + 59, "Jan 05 03:07 AM", "Jan 05 03:07"},  // zero-padded day
        {1700000000, "Nov 14 10:13 PM", "Nov 14 22:13"},
        {-86400, "Dec 31 00:00 AM", "Dec 31 00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        prefs.use12HourClock = 1;
        EXPECT_EQ(FormatLastSeen(prefs, c.t), c.twelve);
        prefs.use12HourClock = 0;
        EXPECT_EQ(FormatLastSeen(prefs, c.t), c.twentyFour);
    }
}

}  // namespace
