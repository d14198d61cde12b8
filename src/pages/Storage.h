#pragma once
// plc.data as the application object keeps it: loading and saving through the registry, with the
// powerline device list's layout and passwords kept in step, and the history brought up to date
// from what the lists show.
#include <string>
#include <vector>

namespace zentrel {

struct Core;
struct ListModel;

void LoadDatabase(Core& core);
void SaveDatabase(Core& core);
// A save that the scan cycle makes: while a SaveBatch lives it is put off to the batch's end, so
// that a cycle replaces plc.data once, however often its steps save; otherwise made at once.
// The batch's save holds what the scan refreshed, which the next cycle writes again: its rename
// is left to the file system's next commit (Durability::Deferred). Saves of what the user typed
// are made at once and forced to disk.
void SaveDatabaseSoon(Core& core);
class SaveBatch {
public:
    explicit SaveBatch(Core& core);
    ~SaveBatch();
    SaveBatch(const SaveBatch&) = delete;
    SaveBatch& operator=(const SaveBatch&) = delete;

private:
    Core& core_;
};
// Records the local devices and the listed stations in the history, then saves.
void UpdateHistory(Core& core);
// The MAC texts the local device list (column 1) and the powerline device list (column 3) show.
std::vector<std::string> ShownMacs(const Core& core);
void ApplyListLayout(Core& core, ListModel& list);
void CaptureListLayout(Core& core, const ListModel& list);

}  // namespace zentrel
