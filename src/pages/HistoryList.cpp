#include "pages/HistoryList.h"

#include <cstring>

#include "link/StationOps.h"
#include "pages/Core.h"
#include "registry/Database.h"
#include "registry/DeviceHistory.h"

namespace zentrel {
namespace {

constexpr char kAppTitle[] = "Zentrel Utility";

MsgAnswer Show(Core& core, const char* text, const char* caption, MsgButtons buttons) {
    Message message;
    message.text = text;
    message.caption = caption;
    message.icon = MsgIcon::None;
    message.buttons = buttons;
    message.owner = MsgOwner::None;
    return core.messages.Show(message);
}

}  // namespace

int FindRowByMacText(const ListModel& list, const std::uint8_t* mac, int subItem) {
    if (!list.present || !IsMacSet(mac)) return 0;
    const std::string text = FormatMac(mac);
    for (int row = 0; row < list.RowCount(); ++row) {
        if (list.Cell(row, subItem) == text) return row + 1;
    }
    return 0;
}

bool DeleteSelectedHistory(Core& core) {
    const auto& list = core.views.diagnostics.history;
    const int row = list.present ? list.GetSelectedRow() : -1;
    if (row < 0) {
        Show(core, "Please select a List to be deleted.", kAppTitle, MsgButtons::Ok);
        return false;
    }
    const Mac mac = MacFromText(list.Cell(row, 1));
    if (FindRowByMacText(core.views.main.powerlineDevices, mac.data(), 3) != 0 ||
        FindRowByMacText(core.views.main.localDevices, mac.data(), 1) != 0) {
        Show(core, "This device is currently active.", kAppTitle, MsgButtons::Ok);
        return false;
    }
    if (Show(core, "Are you sure to delete it?", "Attention!", MsgButtons::YesNo) == MsgAnswer::No) return false;
    // Row r shows record r + 1, unless a save took in another program's change since the list
    // was built: then the record is the one of the MAC the row shows.
    int position = row + 1;
    if (position > core.db.historyCount || !SameMac(core.db.history[static_cast<std::size_t>(row)].mac, mac.data()))
        position = FindHistoryByMac(core.db, mac.data());
    if (position <= 0) return false;
    DeleteHistoryRecord(core, position);
    return true;
}

void DeleteHistoryRecord(Core& core, int position) { RemoveHistoryRecord(core.db, core.link, position); }

}  // namespace zentrel
