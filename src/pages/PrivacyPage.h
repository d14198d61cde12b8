#pragma once
// The Privacy page: choosing the network name and putting it on the local device alone or on
// every device whose password is known. The Qt page only forwards its field text and clicks;
// every step and its order live here.
#include <cstddef>
#include <functional>
#include <string>

namespace zentrel {

struct Core;
struct ListModel;
struct StationTable;

// Shared by the Privacy page and the password dialogs.
inline constexpr std::size_t kListTextMaxChars = 79;
// The table of `currentAdapter` (kept within the eight tables).
StationTable& CurrentStationTable(Core& core);
// A text as a fixed-size edit buffer would read it: up to the first NUL, at most `maxChars`.
std::string ClipFieldText(const std::string& text, std::size_t maxChars);
// A list cell as the pages read it, at most kListTextMaxChars characters.
std::string ListText(const ListModel& list, int row, int subItem);

inline constexpr int kPrivacyNameField = 1028;  // the network name edit of Form::Privacy
inline constexpr std::size_t kPrivacyNameMaxChars = 78;

// Suspends the periodic scan (remembering whether it ran), writes the default name into the
// current adapter's table when it holds none, and shows the name in the field with the focus.
void ActivatePrivacyPage(Core& core);
// Restores the periodic scan as activation found it.
void DeactivatePrivacyPage(Core& core);
// "Use Default (Public Network)": remembers the default name at once; nothing is sent.
void UseDefaultNetworkName(Core& core);

enum class SetNameScope { LocalOnly, AllDevices };

enum class SetNameOutcome {
    NotRun,          // no powerline device list: the buttons do nothing
    Refused,         // the name broke a rule; its message was shown, nothing stored or sent
    Success,         // "Change network name successfully!..."
    RemoteFailed,    // local device changed, some remote device failed twice
    LocalFailed,     // "Change network name failed."
};
// When any device failed under "Set All Devices", the final box ends with a line "N of M devices
// changed.", M counting the local device.

// Told about each remote device that has a password, before its request (done = false) and
// after its last attempt (done = true, with `ok`). `index` counts from 1 to `count`, where
// `count` is the number of remote devices that will be visited.
struct RemoteProgress {
    int index = 0;
    int count = 0;
    std::string mac;
    bool done = false;
    bool ok = false;
};
using RemoteProgressFn = std::function<void(const RemoteProgress&)>;

// How many remote devices "Set All Devices" would visit now: listed rows with a password.
int RemoteDevicesToVisit(Core& core);

// The handler shared by "Set Local Device Only" and "Set All Devices". Blocks for the whole
// run: about 1.4 s per remote device with a password, plus the local exchange and 200 ms.
//
// The devices visited are the first stationCount rows of the powerline device list. When the
// list holds fewer rows than that (it is rebuilt by the scan and the count is taken from the
// table), only the rows that exist are read; a missing row is never treated as a device.
SetNameOutcome SetNetworkName(Core& core, SetNameScope scope, const RemoteProgressFn& progress = {});

}  // namespace zentrel
