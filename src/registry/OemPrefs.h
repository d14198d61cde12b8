#pragma once
// OEM branding and tuning (OEMPrefs.dat) and the vendor list (OUIList.txt).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zentrel {

inline constexpr char kOemPrefsFile[] = "OEMPrefs.dat";
inline constexpr char kVendorListFile[] = "OUIList.txt";
inline constexpr std::size_t kOemPrefsBytes = 267;

struct OemPrefs {
    std::int32_t ticksPerPhase = 0;   // 0
    std::int16_t qualityStyle = 0;    // 4
    std::int32_t listTextColor = 0;   // 6
    std::int16_t showIcons = 0;       // 10
    std::int16_t debugLevel = 0;      // 12
    std::int16_t reserved14 = 0;      // 14
    std::int16_t autoScan = 0;        // 16
    std::int16_t mainBitmapX = 0;     // 18
    std::int16_t mainBitmapY = 0;     // 20
    std::int16_t aboutBitmapX = 0;    // 22
    std::int16_t aboutBitmapY = 0;    // 24
    std::int16_t reserved26 = 0;      // 26
    std::int16_t reserved28 = 0;      // 28
    std::int16_t use12HourClock = 0;  // 30
    std::string webAddress;           // 32, 64 bytes
    std::string title;                // 96, 64 bytes
    std::uint8_t reserved160[3] = {}; // 160
    std::uint8_t reserved163[24] = {};// 163
    std::string legalNotice;          // 187, 80 bytes
};

struct VendorEntry {
    std::uint8_t oui[3];
    char name[12];
};

// The link-quality wording chosen by qualityStyle: entries from entry 0; levels = 0 means none.
struct QualityWording {
    int levels = 0;
    std::vector<std::string> entries;
};

void DefaultOemPrefs(OemPrefs& prefs);
// OEMPrefs.dat of `directory`; the defaults when it is missing.
OemPrefs ReadOemPrefs(const std::filesystem::path& directory);
// Parses the bytes of an OEMPrefs.dat; a short input leaves the missing fields zero.
OemPrefs ParseOemPrefs(const std::uint8_t* data, std::size_t size);
QualityWording WordingForStyle(int qualityStyle);
// OUIList.txt of `directory` (empty when missing): room for one entry per 20 bytes of the file.
std::vector<VendorEntry> ReadVendorList(const std::filesystem::path& directory);
// The vendor list parsed from the bytes of an OUIList.txt: room for size / 20 entries.
std::vector<VendorEntry> ParseVendorList(const std::uint8_t* data, std::size_t size);

}  // namespace zentrel
