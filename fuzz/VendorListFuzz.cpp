// OUIList.txt: the bytes as the file, loaded into the vendor table.
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "pages/Core.h"
#include "pages/Preferences.h"
#include "pages/Storage.h"
#include "registry/HistoryPurge.h"
#include "registry/OemPrefs.h"
#include "support/FakeClock.h"
#include "support/MemoryWire.h"
#include "support/RecordingMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zentrel;
    const auto dir = fuzz::ScratchDir();
    fuzz::WriteInput(dir / kVendorListFile, data, size);
    test::FakeClock clock;
    test::MemoryWire wire(clock);
    test::RecordingMessages messages;
    Views views;
    Core core(wire, messages, views, clock, nullptr, dir);
    LoadVendorList(core);

    // Room for one entry per 20 bytes of file, never more.
    ZENTREL_FUZZ_CHECK(core.vendors.size() <= size / 20);
    for (const auto& v : core.vendors) {
        const void* end = std::memchr(v.name, '\0', sizeof v.name);
        ZENTREL_FUZZ_CHECK(end != nullptr);
    }
    // The parser over the same bytes agrees with the load.
    const auto parsed = ParseVendorList(data, size);
    ZENTREL_FUZZ_CHECK(parsed.size() == core.vendors.size());
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        ZENTREL_FUZZ_CHECK(std::memcmp(&parsed[i], &core.vendors[i], sizeof parsed[i]) == 0);
    }
    return 0;
}
