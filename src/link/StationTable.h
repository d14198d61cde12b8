#pragma once
// What the program knows about each host adapter, its local device and the stations of that
// device's powerline network. StationTable and StationEntry are stored byte for byte in plc.data,
// so their layout is a file format: every offset is asserted below.
#include <array>
#include <cstddef>
#include <cstdint>

namespace zentrel {

inline constexpr int kMaxAdapters = 8;
inline constexpr int kMaxStations = 32;

struct StationEntry {
    std::int32_t present;
    std::uint8_t stationMac[6];
    std::uint8_t reserved10[50];
    std::int8_t missesTillDrop;
    std::uint8_t reserved61[3];
    std::int32_t deviceClass;
    std::uint8_t reserved68[244];
    std::int32_t dropCount;
    std::uint8_t reserved316[12];
    double rateValue;
    std::uint8_t reserved336[16];
    std::uint8_t listed;
    std::uint8_t reserved353[7];
    std::uint8_t bridgedMac[6];
    std::uint8_t tei;
    std::uint8_t avgTxRate;
    std::uint8_t avgRxRate;
    std::uint8_t reserved369[7];
};

// Bytes 21..37 of a network-info confirmation: the network the local device is in and its
// coordinator. The table keeps one copy of them; the decoder returns the same struct.
struct NetworkSummary {
    std::uint8_t nid[7];
    std::uint8_t snid;
    std::uint8_t localTei;
    std::uint8_t reserved;
    std::uint8_t ccoMac[6];
    std::uint8_t ccoTei;
};
static_assert(sizeof(NetworkSummary) == 17 && alignof(NetworkSummary) == 1);

struct StationTable {
    std::uint8_t hostMac[6];
    char networkName[26];
    std::int32_t localFound;
    std::int32_t localAux;
    std::uint8_t localMac[6];
    std::uint8_t reserved46[26];
    StationEntry stations[kMaxStations];
    std::int32_t readCount;
    std::int32_t readBytes;
    std::int32_t writeCount;
    std::int32_t writeBytes;
    std::uint8_t reserved12120[40];
    std::int32_t stationCount;
    NetworkSummary network;
    std::uint8_t reserved12181[3];
};

static_assert(sizeof(StationEntry) == 376);
static_assert(offsetof(StationEntry, present) == 0);
static_assert(offsetof(StationEntry, stationMac) == 4);
static_assert(offsetof(StationEntry, missesTillDrop) == 60);
static_assert(offsetof(StationEntry, deviceClass) == 64);
static_assert(offsetof(StationEntry, dropCount) == 312);
static_assert(offsetof(StationEntry, rateValue) == 328);
static_assert(offsetof(StationEntry, listed) == 352);
static_assert(offsetof(StationEntry, bridgedMac) == 360);
static_assert(offsetof(StationEntry, tei) == 366);
static_assert(offsetof(StationEntry, avgTxRate) == 367);
static_assert(offsetof(StationEntry, avgRxRate) == 368);
static_assert(offsetof(StationEntry, reserved369) == 369);

static_assert(sizeof(StationTable) == 12184);
static_assert(offsetof(StationTable, hostMac) == 0);
static_assert(offsetof(StationTable, networkName) == 6);
static_assert(offsetof(StationTable, localFound) == 32);
static_assert(offsetof(StationTable, localAux) == 36);
static_assert(offsetof(StationTable, localMac) == 40);
static_assert(offsetof(StationTable, stations) == 72);
static_assert(offsetof(StationTable, readCount) == 12104);
static_assert(offsetof(StationTable, readBytes) == 12108);
static_assert(offsetof(StationTable, writeCount) == 12112);
static_assert(offsetof(StationTable, writeBytes) == 12116);
static_assert(offsetof(StationTable, stationCount) == 12160);
static_assert(offsetof(StationTable, network) == 12164);
static_assert(offsetof(StationTable, network) + offsetof(NetworkSummary, snid) == 12171);
static_assert(offsetof(StationTable, network) + offsetof(NetworkSummary, localTei) == 12172);
static_assert(offsetof(StationTable, network) + offsetof(NetworkSummary, ccoMac) == 12174);
static_assert(offsetof(StationTable, network) + offsetof(NetworkSummary, ccoTei) == 12180);
static_assert(offsetof(StationTable, reserved12181) == 12181);

inline constexpr std::size_t kStationTableBytes = sizeof(StationTable);
inline constexpr std::size_t kStationBlockBytes = kStationTableBytes * kMaxAdapters;  // 97472
static_assert(kStationBlockBytes == 97472);

using StationTables = std::array<StationTable, kMaxAdapters>;

// Memory-only record per adapter.
struct AdapterRecord {
    std::uint8_t hostMac[6];
    char firmwareVersion[100];
    std::int32_t localAux;
    std::uint8_t localMac[6];
    std::int32_t localFound;
};

// The local-device block of one adapter, as LocalDeviceOf returns it.
struct LocalDevice {
    std::int32_t localAux;
    std::uint8_t localMac[6];
    std::int32_t localFound;
};


}  // namespace zentrel
