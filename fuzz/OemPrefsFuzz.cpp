// OEMPrefs.dat: the bytes through the parser and the wording its quality style chooses.
#include <cstdint>

#include "FuzzSupport.h"
#include "registry/OemPrefs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zentrel;
    const OemPrefs parsed = ParseOemPrefs(data, size);
    // Texts never run past their fields, with or without a terminator in the file.
    ZENTREL_FUZZ_CHECK(parsed.webAddress.size() < 64 + 1);
    ZENTREL_FUZZ_CHECK(parsed.title.size() < 64 + 1);
    ZENTREL_FUZZ_CHECK(parsed.legalNotice.size() < 80 + 1);
    ZENTREL_FUZZ_CHECK(parsed.title.find('\0') == std::string::npos);
    if (size < kOemPrefsBytes) ZENTREL_FUZZ_CHECK(parsed.legalNotice.empty());
    const QualityWording wording = WordingForStyle(parsed.qualityStyle);
    ZENTREL_FUZZ_CHECK(wording.levels == 0 || static_cast<std::size_t>(wording.levels) + 1 == wording.entries.size());
    return 0;
}
