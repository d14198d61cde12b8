// OEMPrefs.dat: the bytes as the file, through the parser and the derived settings.
#include <cstdint>

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
    const OemPrefs parsed = ParseOemPrefs(data, size);
    // Texts never run past their fields, with or without a terminator in the file.
    ZENTREL_FUZZ_CHECK(parsed.webAddress.size() < 64 + 1);
    ZENTREL_FUZZ_CHECK(parsed.title.size() < 64 + 1);
    ZENTREL_FUZZ_CHECK(parsed.legalNotice.size() < 80 + 1);
    ZENTREL_FUZZ_CHECK(parsed.title.find('\0') == std::string::npos);
    if (size < kOemPrefsBytes) ZENTREL_FUZZ_CHECK(parsed.legalNotice.empty());

    const auto dir = fuzz::ScratchDir();
    fuzz::WriteInput(dir / kOemPrefsFile, data, size);
    test::FakeClock clock;
    test::MemoryWire wire(clock);
    test::RecordingMessages messages;
    Views views;
    Core core(wire, messages, views, clock, nullptr, dir);
    LoadOemPrefs(core);
    SelectQualityWording(core);
    ZENTREL_FUZZ_CHECK(core.prefs.ticksPerPhase >= 1);
    ZENTREL_FUZZ_CHECK(core.scan.ticksPerPhase >= 1 && core.scan.ticksPerPhase <= 0xFFFF);
    ZENTREL_FUZZ_CHECK(core.quality.levels == 0 ||
                       static_cast<std::size_t>(core.quality.levels) + 1 == core.quality.entries.size());
    ZENTREL_FUZZ_CHECK(core.prefs.title == parsed.title);
    ZENTREL_FUZZ_CHECK(messages.shown.empty());
    return 0;
}
