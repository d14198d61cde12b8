#include <gtest/gtest.h>

#include <cstring>

#include "link/StationTable.h"

using namespace zentrel;

namespace {
std::vector<std::uint8_t> Encode(const StationTables& t) {
    std::vector<std::uint8_t> out;
    EncodeStationTables(t, out);
    return out;
}
}  // namespace

TEST(StationTableLayout, FileOffsetsOfTheEightTables) {
    auto tables = std::make_unique<StationTables>();
    std::memset(tables.get(), 0, sizeof(StationTables));
    tables->at(7).hostMac[0] = 0xA7;
    const std::uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::memcpy(tables->at(2).stations[5].stationMac, mac, 6);
    tables->at(1).stations[3].rateValue = 1.5;
    tables->at(4).stationCount = 0x01020304;
    tables->at(0).stations[0].missesTillDrop = -1;

    const auto bytes = Encode(*tables);
    ASSERT_EQ(bytes.size(), 97472u);
    EXPECT_EQ(bytes[85288], 0xA7);  // table 7 starts at 85288
    EXPECT_EQ(0, std::memcmp(&bytes[26324], mac, 6));  // table 2, slot 5, MAC
    EXPECT_EQ(bytes[4 * 12184 + 12160], 0x04);  // little-endian count
    EXPECT_EQ(bytes[4 * 12184 + 12163], 0x01);
    EXPECT_EQ(bytes[72 + 60], 0xFF);  // signed aging counter
    double rate;
    std::memcpy(&rate, &bytes[12184 + 72 + 3 * 376 + 328], 8);
    EXPECT_EQ(rate, 1.5);
}

TEST(StationTableLayout, DecodeKeepsEveryByteIncludingReserved) {
    std::vector<std::uint8_t> bytes(97472);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
    auto tables = std::make_unique<StationTables>();
    ASSERT_TRUE(DecodeStationTables(bytes, *tables));
    EXPECT_EQ(Encode(*tables), bytes);
}

TEST(StationTableLayout, DecodeRefusesAWrongSizeAndLeavesTablesAlone) {
    auto tables = std::make_unique<StationTables>();
    std::memset(tables.get(), 0, sizeof(StationTables));
    tables->at(0).stationCount = 9;
    std::vector<std::uint8_t> shortBlock(97471, 0xEE);
    EXPECT_FALSE(DecodeStationTables(shortBlock, *tables));
    EXPECT_EQ(tables->at(0).stationCount, 9);
}
