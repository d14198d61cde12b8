#include "registry/OemPrefs.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <span>

#include "base/AtomicFile.h"
#include "base/ByteReader.h"

namespace zentrel {
namespace {

constexpr std::size_t kWebAddressBytes = 64;
constexpr std::size_t kTitleBytes = 64;
constexpr std::size_t kLegalNoticeBytes = 80;
constexpr std::size_t kVendorBytesPerLine = 20;
constexpr std::size_t kVendorNameMax = 11;

// A text field up to its terminator; a field without one is taken whole (cut at its width).
bool ReadText(ByteReader& r, std::size_t width, std::string& out) {
    std::vector<char> buf(width);
    if (!r.Read(buf.data(), width)) return false;
    const auto end = std::find(buf.begin(), buf.end(), '\0');
    out.assign(buf.begin(), end);
    return true;
}

bool IsBlank(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

int HexValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One vendor line: three numbers of one or two hexadecimal digits, white space, one word.
bool ParseVendorLine(std::span<const std::uint8_t> line, VendorEntry& entry) {
    std::size_t i = 0;
    for (auto& byte : entry.oui) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        int value = 0, digits = 0;
        while (digits < 2 && i < line.size() && HexValue(line[i]) >= 0) {
            value = value * 16 + HexValue(line[i]);
            ++digits;
            ++i;
        }
        if (digits == 0) return false;
        byte = static_cast<std::uint8_t>(value);
    }
    while (i < line.size() && IsBlank(line[i])) ++i;
    std::size_t n = 0;
    std::memset(entry.name, 0, sizeof entry.name);
    for (; i < line.size() && !IsBlank(line[i]); ++i) {
        if (n < kVendorNameMax) entry.name[n++] = line[i] == '_' ? ' ' : static_cast<char>(line[i]);
    }
    return n > 0;
}

}  // namespace

void DefaultOemPrefs(OemPrefs& prefs) {
    prefs.ticksPerPhase = 30;
    prefs.showIcons = 24;
    prefs.reserved14 = 1;
    prefs.autoScan = 1;
    prefs.mainBitmapX = 10;
    prefs.mainBitmapY = 310;
    prefs.aboutBitmapX = 80;
    prefs.aboutBitmapY = 25;
    prefs.reserved26 = 1;
    prefs.reserved28 = 1;
    prefs.use12HourClock = 1;
    prefs.webAddress = "http://";
    prefs.title = "Zentrel Utility";
    prefs.legalNotice = "Copyright (C) Zentrel. All rights reserved.";
}

OemPrefs ParseOemPrefs(const std::uint8_t* data, std::size_t size) {
    // Fields are taken in order while the input lasts; a field cut short stays zero, and so does
    // every field after it.
    OemPrefs p;
    ByteReader r(std::span<const std::uint8_t>(data, data ? size : 0));
    r.I32(p.ticksPerPhase) && r.I16(p.qualityStyle) && r.I32(p.listTextColor) && r.I16(p.showIcons) &&
        r.I16(p.debugLevel) && r.I16(p.reserved14) && r.I16(p.autoScan) && r.I16(p.mainBitmapX) &&
        r.I16(p.mainBitmapY) && r.I16(p.aboutBitmapX) && r.I16(p.aboutBitmapY) && r.I16(p.reserved26) &&
        r.I16(p.reserved28) && r.I16(p.use12HourClock) && ReadText(r, kWebAddressBytes, p.webAddress) &&
        ReadText(r, kTitleBytes, p.title) && r.Read(p.reserved160, sizeof p.reserved160) &&
        r.Read(p.reserved163, sizeof p.reserved163) && ReadText(r, kLegalNoticeBytes, p.legalNotice);
    return p;
}

OemPrefs ReadOemPrefs(const std::filesystem::path& directory) {
    std::vector<std::uint8_t> bytes;
    if (ReadFilePrefix(directory / kOemPrefsFile, kOemPrefsBytes, bytes)) return ParseOemPrefs(bytes.data(), bytes.size());
    OemPrefs prefs;
    DefaultOemPrefs(prefs);
    return prefs;
}

QualityWording WordingForStyle(int qualityStyle) {
    switch (qualityStyle) {
        case 1: return {4, {"-offline -", "Fair", "Good", "Very Good", "Excellent"}};
        case 2: return {2, {"-", "Bad", "Good"}};
        case 3: return {5, {"-", "o", "oo", "ooo", "oooo", "ooooo"}};
        case 4: return {5, {"#", "##", "####", "######", "########", "##########"}};
        case 5: return {5, {"-", "0-20%", "20-40%", "40-60%", "60-80%", "80-100%"}};
        default: return {0, {}};
    }
}

std::vector<VendorEntry> ParseVendorList(const std::uint8_t* data, std::size_t size) {
    std::vector<VendorEntry> vendors;
    if (!data) return vendors;
    // Room for one entry per 20 bytes of file, the length of an average line.
    const std::size_t capacity = size / kVendorBytesPerLine;
    vendors.reserve(capacity);
    std::size_t pos = 0;
    while (vendors.size() < capacity && pos < size) {
        std::size_t end = pos;
        while (end < size && data[end] != '\n') ++end;
        std::span<const std::uint8_t> line(data + pos, end - pos);
        pos = end + 1;
        if (std::all_of(line.begin(), line.end(), IsBlank)) continue;  // blank lines are skipped
        VendorEntry entry{};
        if (!ParseVendorLine(line, entry)) break;  // a line that does not convert ends the list
        vendors.push_back(entry);
    }
    return vendors;
}

std::vector<VendorEntry> ReadVendorList(const std::filesystem::path& directory) {
    const auto path = directory / kVendorListFile;
    std::error_code ec;
    const auto length = std::filesystem::file_size(path, ec);
    if (ec) return {};
    std::vector<std::uint8_t> bytes;
    // Only as many lines as the table has room for are read, so a huge file costs no more.
    const std::size_t limit = static_cast<std::size_t>(std::min<std::uintmax_t>(length, 16u << 20));
    if (!ReadFilePrefix(path, limit, bytes)) return {};
    const std::size_t capacity = static_cast<std::size_t>(length / kVendorBytesPerLine);
    auto vendors = ParseVendorList(bytes.data(), bytes.size());
    if (vendors.size() > capacity) vendors.resize(capacity);
    return vendors;
}

}  // namespace zentrel
