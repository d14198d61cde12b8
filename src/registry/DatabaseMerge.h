#pragma once
// Two programs in one directory (the desktop program and `zentrel`) each keep plc.data in
// memory and rewrite it whole. Before a save, what the other program changed in the file since
// this one last read or wrote it is taken in, so that neither silently undoes the other.
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "link/StationTable.h"
#include "registry/Database.h"

namespace zentrel {

struct Link;

// The parts of plc.data that a save merges with what another program wrote.
struct StoredState {
    std::array<std::array<char, sizeof(StationTable::networkName)>, kMaxAdapters> networkNames{};
    std::array<HistoryRecord, kMaxHistory> history{};
    int historyCount = 0;
    ListLayout listLayout;
    std::int32_t sortAscending = 0;
    std::int32_t sortColumn = 0;
};

// Only a whole file as a save writes it decodes; anything else (cut, old version, a count out of
// range) gives false.
bool DecodeStoredState(std::span<const std::uint8_t> bytes, StoredState& state);

// Takes into the database and the link's tables what the file `onDisk` changed against `base` (the file as this program
// last read or wrote it; empty when there was none):
// - history records, matched by MAC: a record removed there is removed here; a field changed
//   there takes the value from there (it wins over a change made here); a record added there
//   is added; a record removed here stays removed unless it was changed there. Beyond 32
//   records the ones seen longest ago are dropped. The caller brings the powerline device list's
//   password column up to date (`taken`), so that the next history update does not write an old
//   password back, and applies a layout that came from the file (`layoutChanged`).
// - each adapter's network name, the list layout and the sort state, where changed there.
// The station tables otherwise, the current adapter and everything the scan finds stay this
// program's own. A file that does not decode is kept as plc.data.damaged (when it holds
// anything) and nothing is taken from it.
StoredChanges TakeInStoredChanges(DeviceDatabase& db, Link& link, const std::filesystem::path& directory,
                                  const std::vector<std::uint8_t>& base, const std::vector<std::uint8_t>& onDisk);

}  // namespace zentrel
