#include "pages/Storage.h"
#include "registry/DeviceHistory.h"

#include <algorithm>

#include "pages/Core.h"
#include "registry/Database.h"

namespace zentrel {
namespace {

// Texts taken from the list views are read as through a 256-character buffer.
constexpr std::size_t kListTextLimit = 255;

std::string ListCell(const ListModel& list, int row, int subItem) {
    std::string s = list.Cell(row, subItem);
    if (s.size() > kListTextLimit) s.resize(kListTextLimit);
    return s;
}

void AddShown(const ListModel& list, int subItem, std::vector<std::string>& macs) {
    if (!list.present) return;
    for (int r = 0; r < list.RowCount(); ++r) macs.push_back(list.Cell(r, subItem));
}

// The list shows each device's stored password; UpdateHistory writes it back from there.
void RefreshListedPasswords(Core& core) {
    ListModel& list = core.views.main.powerlineDevices;
    if (!list.present) return;
    for (int row = 0; row < list.RowCount(); ++row) {
        const int position = FindHistoryByMacText(core.db, list.Cell(row, 3));
        const auto* record = position > 0 ? &core.db.history[static_cast<std::size_t>(position - 1)] : nullptr;
        list.SetCell(row, 4, record ? RecordText(record->password, sizeof record->password) : std::string());
    }
}

}  // namespace

void LoadDatabase(Core& core) {
    if (ReadDatabase(core.db, core.link, core.messages, core.directory))
        ApplyListLayout(core, core.views.main.powerlineDevices);
}

namespace {

void Save(Core& core, Durability durability) {
    core.savePending = false;
    CaptureListLayout(core, core.views.main.powerlineDevices);
    const StoredChanges changes = WriteDatabase(core.db, core.link, core.directory, durability);
    if (changes.writeError != 0 && core.onSaveFailure) core.onSaveFailure(core.FilePath(kDatabaseFile), changes.writeError);
    if (changes.taken) RefreshListedPasswords(core);
    if (changes.layoutChanged) ApplyListLayout(core, core.views.main.powerlineDevices);
}

}  // namespace

void SaveDatabase(Core& core) { Save(core, Durability::Immediate); }

void SaveDatabaseSoon(Core& core) {
    if (core.saveBatches == 0) {
        SaveDatabase(core);
        return;
    }
    // What the save would change in memory happens now; only the file waits.
    CaptureListLayout(core, core.views.main.powerlineDevices);
    TidyHistoryForWrite(core.db);
    core.savePending = true;
}

SaveBatch::SaveBatch(Core& core) : core_(core) { ++core_.saveBatches; }

SaveBatch::~SaveBatch() {
    if (--core_.saveBatches == 0 && core_.savePending) Save(core_, Durability::Deferred);
}

std::vector<std::string> ShownMacs(const Core& core) {
    std::vector<std::string> macs;
    AddShown(core.views.main.localDevices, 1, macs);
    AddShown(core.views.main.powerlineDevices, 3, macs);
    return macs;
}


void UpdateHistory(Core& core) {
    std::vector<ListedStation> listed;
    const ListModel& list = core.views.main.powerlineDevices;
    if (list.present) {
        for (int row = 0; row < list.RowCount(); ++row) {
            listed.push_back({ListCell(list, row, 3), ListCell(list, row, 0), ListCell(list, row, 1),
                              ListCell(list, row, 4)});
        }
    }
    UpdateHistory(core.db, core.link, listed, ShownMacs(core), core.clock.Now());
    SaveDatabaseSoon(core);
}

void ApplyListLayout(Core& core, ListModel& list) {
    if (!list.present) return;
    const auto& layout = core.db.listLayout;
    // The order is taken only when it names each of the list's five columns once.
    if (list.columns.size() == layout.columnOrder.size()) {
        std::array<bool, 5> seen{};
        bool valid = true;
        for (auto v : layout.columnOrder) {
            if (v < 0 || v >= 5 || seen[static_cast<std::size_t>(v)]) {
                valid = false;
                break;
            }
            seen[static_cast<std::size_t>(v)] = true;
        }
        if (valid) list.columnOrder.assign(layout.columnOrder.begin(), layout.columnOrder.end());
    }
    for (std::size_t i = 0; i < layout.columnWidths.size() && i < list.columns.size(); ++i)
        list.columns[i].width = static_cast<std::int16_t>(layout.columnWidths[i] & 0xFFFF);
}

void CaptureListLayout(Core& core, const ListModel& list) {
    if (!list.present) return;
    auto& layout = core.db.listLayout;
    if (list.columnOrder.size() == layout.columnOrder.size())
        std::copy(list.columnOrder.begin(), list.columnOrder.end(), layout.columnOrder.begin());
    for (std::size_t i = 0; i < layout.columnWidths.size() && i < list.columns.size(); ++i)
        layout.columnWidths[i] = list.columns[i].width;
}

}  // namespace zentrel
