// plc.data loading: the input is written as the file and loaded into a fresh core. Whatever the
// load kept must then survive a save and a second load unchanged. The whole-file decoder that a
// save uses to take in another program's changes reads the same input, and reads back every
// file a save writes.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "FuzzSupport.h"
#include "pages/Core.h"
#include "pages/Preferences.h"
#include "pages/Storage.h"
#include "registry/HistoryPurge.h"
#include "registry/Database.h"
#include "registry/DatabaseMerge.h"
#include "support/FakeClock.h"
#include "support/MemoryWire.h"
#include "support/RecordingMessages.h"

namespace {

using namespace zentrel;

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto dir = fuzz::ScratchDir();
    const auto path = dir / kDatabaseFile;
    fuzz::WriteInput(path, data, size);

    StoredState stored;
    (void)DecodeStoredState({data, size}, stored);

    test::FakeClock clock;
    test::MemoryWire wire(clock);
    test::RecordingMessages messages;
    Views views;
    Core core(wire, messages, views, clock, nullptr, dir);
    LoadDatabase(core);

    ZENTREL_FUZZ_CHECK(core.link.currentAdapter >= 0 && core.link.currentAdapter < kMaxAdapters);
    ZENTREL_FUZZ_CHECK(core.db.historyCount >= 0 && core.db.historyCount <= kMaxHistory);
    ZENTREL_FUZZ_CHECK(messages.shown.size() <= 1);
    for (int i = 0; i < core.db.historyCount; ++i) {
        const auto& r = core.db.history[static_cast<std::size_t>(i)];
        ZENTREL_FUZZ_CHECK(r.label[sizeof r.label - 1] == '\0');
        ZENTREL_FUZZ_CHECK(r.password[sizeof r.password - 1] == '\0');
    }

    // Save, load the saved file into a second core and save again: both files must be equal.
    SaveDatabase(core);
    const auto first = ReadAll(path);
    ZENTREL_FUZZ_CHECK(first.size() ==
                       kDatabaseBaseBytes + kHistoryRecordBytes * static_cast<std::size_t>(core.db.historyCount));
    ZENTREL_FUZZ_CHECK(DecodeStoredState(first, stored) && stored.historyCount == core.db.historyCount);

    test::RecordingMessages messages2;
    Views views2;
    Core again(wire, messages2, views2, clock, nullptr, dir);
    LoadDatabase(again);
    ZENTREL_FUZZ_CHECK(messages2.shown.empty());
    ZENTREL_FUZZ_CHECK(again.db.historyCount == core.db.historyCount);
    SaveDatabase(again);
    ZENTREL_FUZZ_CHECK(ReadAll(path) == first);
    return 0;
}
