// plc.data: the input through the codec. Whatever the decoder took must survive an encode and a
// second decode unchanged, and the whole-file decoder that a save uses to take in another
// program's changes reads the same input and every file an encode writes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "registry/Database.h"
#include "registry/DatabaseMerge.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zentrel;
    const std::span<const std::uint8_t> bytes(data, size);
    StoredState stored;
    (void)DecodeStoredState(bytes, stored);

    DatabaseImage image;
    (void)DecodeDatabase(bytes, image);
    ZENTREL_FUZZ_CHECK(image.currentAdapter >= 0 && image.currentAdapter < kMaxAdapters);
    ZENTREL_FUZZ_CHECK(image.historyCount >= 0 && image.historyCount <= kMaxHistory);
    for (int i = 0; i < image.historyCount; ++i) {
        const auto& r = image.history[static_cast<std::size_t>(i)];
        ZENTREL_FUZZ_CHECK(r.label[sizeof r.label - 1] == '\0');
        ZENTREL_FUZZ_CHECK(r.password[sizeof r.password - 1] == '\0');
    }

    const std::vector<std::uint8_t> first = EncodeDatabase(image);
    ZENTREL_FUZZ_CHECK(first.size() ==
                       kDatabaseBaseBytes + kHistoryRecordBytes * static_cast<std::size_t>(image.historyCount));
    ZENTREL_FUZZ_CHECK(DecodeStoredState(first, stored) && stored.historyCount == image.historyCount);

    DatabaseImage again;
    ZENTREL_FUZZ_CHECK(DecodeDatabase(first, again) == DatabaseStatus::Whole);
    ZENTREL_FUZZ_CHECK(again.historyCount == image.historyCount);
    ZENTREL_FUZZ_CHECK(EncodeDatabase(again) == first);
    return 0;
}
