// Writes the seed corpora: the frames the tests play as devices, plc.data files as the program
// saves them, OEMPrefs.dat and OUIList.txt as shipped, and bitmaps of every layout the decoder
// reads. Run once by hand: fuzz_seed_corpus fuzz/corpus
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/Frames.h"
#include "base/ByteReader.h"
#include "pages/Core.h"
#include "pages/Preferences.h"
#include "pages/Storage.h"
#include "registry/DeviceHistory.h"
#include "registry/Database.h"
#include "support/FakeClock.h"
#include "support/MemoryWire.h"
#include "support/RecordingMessages.h"
#include "BmpWriter.h"
#include "support/TestFrames.h"

namespace {

using namespace zentrel;
using test::Bytes;
namespace fs = std::filesystem;

const Mac kHost0 = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kLocal = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x07};
const Mac kOther = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x08};

void Write(const fs::path& dir, const std::string& name, const Bytes& bytes) {
    fs::create_directories(dir);
    std::ofstream f(dir / name, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The confirmation target's input: state byte, result slot, then framed frames.
Bytes FrameInput(std::uint8_t state, const std::vector<std::pair<int, Bytes>>& frames) {
    Bytes in{state, 3};
    for (const auto& [adapter, frame] : frames) {
        in.push_back(static_cast<std::uint8_t>((adapter ? 0x80 : 0) | ((frame.size() >> 8) & 7)));
        in.push_back(static_cast<std::uint8_t>(frame.size() & 0xFF));
        in.insert(in.end(), frame.begin(), frame.end());
    }
    return in;
}

void FrameSeeds(const fs::path& dir) {
    std::vector<test::StationRecord> two = {
        {{0x00, 0x11, 0x22, 0x33, 0x44, 0x66}, 2, {0x02, 0x00, 0x00, 0xAA, 0xBB, 0xCC}, 0x52, 0x40},
        {{0x00, 0xB0, 0x52, 0x00, 0x00, 0x09}, 3, {}, 0x10, 0x20}};
    std::vector<test::StationRecord> many(40);
    for (std::size_t i = 0; i < many.size(); ++i) {
        many[i].mac = {0x00, 0xB0, 0x52, 0x01, 0x00, static_cast<std::uint8_t>(i + 1)};
        many[i].tei = static_cast<std::uint8_t>(i + 2);
        many[i].avgTxRate = static_cast<std::uint8_t>(i * 5);
    }
    const test::NetworkInfo info;
    Write(dir, "version", FrameInput(0, {{0, test::VersionConfirm(kHost0, kLocal, "INT6000-MAC-4-1-4102")}}));
    Write(dir, "version-two-devices",
          FrameInput(0, {{0, test::VersionConfirm(kHost0, kLocal, "first")},
                         {0, test::VersionConfirm(kHost0, kOther, "second")}}));
    Write(dir, "version-long-text", FrameInput(0, {{0, test::VersionConfirm(kHost0, kLocal, std::string(150, 'v'), 200)}}));
    Write(dir, "version-cut-text", FrameInput(0, {{0, test::VersionConfirm(kHost0, kLocal, "abcdefgh", 27)}}));
    Write(dir, "version-other-host", FrameInput(4, {{1, test::VersionConfirm(kOther, kLocal, "x")}}));
    Write(dir, "netinfo-two", FrameInput(1, {{0, test::NetworkInfoConfirm(kHost0, kLocal, info, two)}}));
    Write(dir, "netinfo-none", FrameInput(1, {{0, test::NetworkInfoConfirm(kHost0, kLocal, info, {})}}));
    Write(dir, "netinfo-forty", FrameInput(1, {{0, test::NetworkInfoConfirm(kHost0, kLocal, info, many)}}));
    Write(dir, "netinfo-count-beyond-frame",
          FrameInput(1, {{1, test::NetworkInfoConfirm(kHost0, kLocal, info, two, std::uint8_t{9}, std::size_t{70})}}));
    Write(dir, "netinfo-broadcast",
          FrameInput(1, {{0, test::NetworkInfoConfirm(test::kBroadcastMac, kLocal, info, two)}}));
    Write(dir, "setkey-ok", FrameInput(2, {{0, test::SetKeyConfirm(kHost0, kLocal, 0)}}));
    Write(dir, "setkey-ok-local-only", FrameInput(2 | 8, {{0, test::SetKeyConfirm(kHost0, kLocal, 0)}}));
    Write(dir, "setkey-refused", FrameInput(2, {{0, test::SetKeyConfirm(kHost0, kLocal, 1)}}));
    Write(dir, "setkey-short", FrameInput(2, {{0, test::SetKeyConfirm(kHost0, kLocal, 0, 20)}}));
    Write(dir, "mixed-traffic",
          FrameInput(1, {{0, test::HomePlug10Frame(kHost0, kLocal)},
                         {0, test::VersionConfirm(kHost0, kLocal, "late")},
                         {0, test::AvFrame(kHost0, kLocal, 0xA0B1)},
                         {0, test::EthernetFrame(kHost0, kLocal, 0x0800)},
                         {0, test::NetworkInfoConfirm(kHost0, kLocal, info, two)}}));
    Write(dir, "nothing-pending", FrameInput(3, {{0, test::NetworkInfoConfirm(kHost0, kLocal, info, two)}}));
    Write(dir, "runt", FrameInput(0, {{0, Bytes{0x00, 0x11, 0x22}}, {0, Bytes(14, 0x88)}}));
}

void DatabaseSeeds(const fs::path& dir) {
    const fs::path scratch = fs::temp_directory_path() / "zentrel-seed-db";
    fs::create_directories(scratch);
    test::FakeClock clock;
    test::MemoryWire wire(clock);
    test::RecordingMessages messages;
    Views views;
    Core core(wire, messages, views, clock, nullptr, scratch);
    ResetDatabase(core.db, core.link);
    auto read = [&] {
        std::ifstream f(scratch / kDatabaseFile, std::ios::binary);
        return Bytes{std::istreambuf_iterator<char>(f), {}};
    };
    SaveDatabase(core);
    Write(dir, "empty-history", read());

    core.link.currentAdapter = 1;
    auto& t = core.link.tables[1];
    std::memcpy(t.localMac, kLocal.data(), 6);
    t.stationCount = 2;
    t.stations[0].present = 1;
    std::memcpy(t.stations[0].stationMac, kOther.data(), 6);
    t.stations[0].rateValue = 107.0;
    for (int i = 0; i < 3; ++i) {
        auto& r = core.db.history[static_cast<std::size_t>(i)];
        SetRecordText(r.label, sizeof r.label, "Device " + std::to_string(i + 1));
        r.mac[0] = 0x00;
        r.mac[5] = static_cast<std::uint8_t>(i + 1);
        SetRecordText(r.password, sizeof r.password, i == 1 ? "ABCD-EFGH-IJKL-MNOP" : "");
        r.lastSeen = 1700000000 + i;
        r.speed = static_cast<std::uint8_t>(i == 0 ? 0xFF : 44);
        r.localMark = static_cast<std::uint8_t>(i == 0 ? 0xFF : 0);
    }
    core.db.historyCount = 3;
    core.db.listLayout.columnOrder = {4, 3, 2, 1, 0};
    SaveDatabase(core);
    const Bytes three = read();
    Write(dir, "three-records", three);

    Bytes v = three;
    v[0] = 0x31;  // 305
    Write(dir, "old-version", v);
    Bytes count = three;
    count[97480] = 33;
    Write(dir, "count-33", count);
    Write(dir, "cut-in-records", Bytes(three.begin(), three.begin() + 97484 + 176 + 50));
    Write(dir, "cut-in-layout", Bytes(three.begin(), three.end() - 30));
    Write(dir, "header-only", Bytes(three.begin(), three.begin() + 8));
    Write(dir, "empty", Bytes{});
    fs::remove_all(scratch);
}

void OemPrefsSeeds(const fs::path& dir) {
    Bytes b;
    ByteWriter w(b);
    w.I32(30);
    w.I16(2);
    w.I32(0x00FF0000);
    w.I16(0);
    w.I16(3);
    w.I16(1);
    w.I16(1);
    w.I16(10);
    w.I16(310);
    w.I16(80);
    w.I16(25);
    w.I16(1);
    w.I16(1);
    w.I16(1);
    auto text = [&](const std::string& s, std::size_t width) {
        Bytes field(width, 0);
        std::memcpy(field.data(), s.data(), std::min(s.size(), width));
        w.Write(field.data(), field.size());
    };
    text("http://www.example.com", 64);
    text("Zentrel Utility", 64);
    text("", 3);
    text("", 24);
    text("Copyright (C) Zentrel. All rights reserved.", 80);
    Write(dir, "shipped", b);
    Bytes unterminated = b;
    std::memset(unterminated.data() + 96, 'T', 64);
    std::memset(unterminated.data() + 187, 'L', 80);
    Write(dir, "unterminated-texts", unterminated);
    Write(dir, "short", Bytes(b.begin(), b.begin() + 40));
    Write(dir, "negative-ticks", Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x00});
    Write(dir, "empty", Bytes{});
}

void VendorSeeds(const fs::path& dir) {
    auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    Write(dir, "list", text("00B052\tSome_Vendor\n0000A1\tMy_Vendor\n00E04C\tNet_Maker_Corp\n001122\tShort\n"));
    Write(dir, "crlf", text("00B052\tSome_Vendor\r\n0000A1\tMy_Vendor\r\n\r\n001122\tX\r\n"));
    Write(dir, "single-digits", text("0 B0 52\tA\nF F F\tB_c\nzz\tbad\n00B052\tafter_bad\n"));
    Write(dir, "long-name", text("00B052\tA_very_long_vendor_name_that_is_cut\n\n\n\n\n"));
    Write(dir, "no-newline", text("00B052\tLast_line_without_end"));
    Write(dir, "empty", Bytes{});
}

// A bitmap of the given layout, through the bitmap writer; palette and pixels from a
// small pattern.
Bytes MakeBmp(int width, int height, int bitCount, std::uint32_t headerSize, std::uint32_t compression,
              const std::vector<std::uint32_t>& masks, int paletteEntries, bool topDown) {
    test::BmpRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.bitCount = bitCount;
    recipe.headerSize = headerSize;
    recipe.compression = compression;
    recipe.masks = masks;
    recipe.topDown = topDown;
    recipe.colorsUsed = static_cast<std::uint32_t>(paletteEntries);
    for (int i = 0; i < paletteEntries; ++i) {
        const auto c = static_cast<std::uint32_t>((i * 37) & 0xFF);
        recipe.palette.push_back((c << 16) | ((255 - c) << 8) | static_cast<std::uint32_t>(i & 0xFF));
    }
    recipe.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 29 + y * 131 + 7) * 0x01010101u; };
    return test::MakeBmp(recipe);
}

void BmpSeeds(const fs::path& dir) {
    Write(dir, "rgb24", MakeBmp(5, 3, 24, 40, 0, {}, 0, false));
    Write(dir, "rgb24-top-down", MakeBmp(3, 4, 24, 40, 0, {}, 0, true));
    Write(dir, "rgb32", MakeBmp(2, 2, 32, 40, 0, {}, 0, false));
    Write(dir, "pal8", MakeBmp(7, 2, 8, 40, 0, {}, 256, false));
    Write(dir, "pal4", MakeBmp(9, 3, 4, 40, 0, {}, 16, false));
    Write(dir, "mono", MakeBmp(17, 2, 1, 40, 0, {}, 2, false));
    Write(dir, "rgb565-bitfields", MakeBmp(3, 3, 16, 40, 3, {0xF800, 0x07E0, 0x001F}, 0, false));
    Write(dir, "rgb555", MakeBmp(3, 3, 16, 40, 0, {}, 0, false));
    Write(dir, "argb32-v5-header", MakeBmp(2, 3, 32, 124, 3, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, 0, false));
    Write(dir, "core-header-pal8", MakeBmp(4, 2, 8, 12, 0, {}, 256, false));
    Bytes cut = MakeBmp(20, 10, 24, 40, 0, {}, 0, false);
    cut.resize(cut.size() / 2);
    Write(dir, "shorter-than-size", cut);
    Write(dir, "header-only", Bytes{'B', 'M', 0x36, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0});
    Write(dir, "empty", Bytes{});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-DIRECTORY\n", argv[0]);
        return 2;
    }
    const fs::path root(argv[1]);
    FrameSeeds(root / "confirmation");
    DatabaseSeeds(root / "database");
    OemPrefsSeeds(root / "oemprefs");
    VendorSeeds(root / "vendorlist");
    BmpSeeds(root / "bmp");
    return 0;
}
