#include "cli/ScanJson.h"

#include <algorithm>
#include <cstring>

#include "base/HexText.h"
#include "cli/CliText.h"
#include "pages/MainStatus.h"
#include "registry/DeviceHistory.h"

namespace zentrel::cli {
namespace {

const char* Bool(bool value) { return value ? "true" : "false"; }

std::string Number(const std::optional<int>& value) { return value ? std::to_string(*value) : "null"; }

std::string MacJson(const std::uint8_t* mac) { return JsonString(FormatMac(mac)); }

std::string HexJson(const std::uint8_t* bytes, std::size_t count) {
    std::string text = "\"";
    for (std::size_t i = 0; i < count; ++i) text += HexByte(bytes[i]);
    text += '"';
    return text;
}

// The history's label and password for a MAC, as the Main page's list shows them.
void AddHistory(const Core& core, StationJsonFields& station) {
    const int position = FindHistoryByMac(core.db, station.mac.data());
    if (position <= 0 || position > kMaxHistory) return;
    const HistoryRecord& record = core.db.history[static_cast<std::size_t>(position - 1)];
    station.label = RecordText(record.label, sizeof record.label);
    station.password = RecordText(record.password, sizeof record.password);
}

}  // namespace

std::string StationJson(const StationJsonFields& s) {
    std::string out = "{\"mac\":";
    out += MacJson(s.mac.data());
    out += ",\"tei\":";
    out += Number(s.tei);
    out += ",\"bridgedMac\":";
    out += s.bridgedMac ? MacJson(s.bridgedMac->data()) : "null";
    out += ",\"txMbps\":";
    out += Number(s.txMbps);
    out += ",\"rxMbps\":";
    out += Number(s.rxMbps);
    out += ",\"label\":";
    out += s.label ? JsonString(*s.label) : "null";
    out += ",\"password\":";
    out += JsonString(s.password);
    out += '}';
    return out;
}

std::string ScanJson(const Core& core, long cycle, std::int64_t now) {
    const Link& link = core.link;
    const int adapters = std::clamp(link.access.adapterCount, 0, kMaxAdapters);
    const int current = std::clamp(link.currentAdapter, 0, kMaxAdapters - 1);
    const StationTable& table = link.tables[static_cast<std::size_t>(current)];
    const bool connected = link.adapters[static_cast<std::size_t>(current)].localFound != 0;

    std::string out = "{\"schemaVersion\":";
    out += std::to_string(kJsonSchemaVersion);
    out += ",\"time\":";
    out += JsonString(IsoTime(now, true));
    out += ",\"cycle\":";
    out += std::to_string(cycle);
    out += ",\"adapters\":[";
    for (int i = 0; i < adapters; ++i) {
        const auto index = static_cast<std::size_t>(i);
        const std::string name = index < link.access.deviceList.size() ? link.access.deviceList[index].name : "";
        if (i) out += ',';
        out += "{\"nic\":" + std::to_string(i + 1);
        out += ",\"name\":";
        out += JsonString(name);
        out += ",\"mac\":";
        out += MacJson(link.access.slots[index].hostMac);
        out += ",\"localFound\":";
        out += Bool(link.adapters[index].localFound != 0);
        out += '}';
    }
    out += "],\"localDevices\":[";
    const ListModel& local = core.views.main.localDevices;
    for (int row = 0; row < local.RowCount(); ++row) {
        const int adapter = std::clamp(local.rows[static_cast<std::size_t>(row)].itemData, 0, kMaxAdapters - 1);
        const auto& record = link.adapters[static_cast<std::size_t>(adapter)];
        const StationTable& own = link.tables[static_cast<std::size_t>(adapter)];
        if (row) out += ',';
        out += "{\"nic\":" + std::to_string(adapter + 1);
        out += ",\"tei\":" + std::to_string(own.network.localTei);
        out += ",\"mac\":";
        out += MacJson(own.localMac);
        out += ",\"firmwareVersion\":";
        out += JsonString(std::string(record.firmwareVersion, strnlen(record.firmwareVersion, sizeof record.firmwareVersion)));
        out += ",\"selected\":";
        out += Bool(local.rows[static_cast<std::size_t>(row)].selected);
        out += '}';
    }
    out += "],\"connected\":";
    out += Bool(connected);
    out += ",\"network\":";
    if (connected) {
        out += "{\"type\":";
        out += IsPublicNetwork(table) ? "\"public\"" : "\"private\"";
        out += ",\"nid\":";
        out += HexJson(table.network.nid, sizeof table.network.nid);
        out += ",\"snid\":" + std::to_string(table.network.snid);
        out += ",\"ccoMac\":";
        out += MacJson(table.network.ccoMac);
        out += ",\"ccoTei\":" + std::to_string(table.network.ccoTei);
        out += '}';
    } else {
        out += "null";
    }
    out += ",\"stationCount\":" + std::to_string(connected ? std::max(table.stationCount, 0) : 0);
    out += ",\"stations\":[";
    const ListModel& list = core.views.main.powerlineDevices;
    bool first = true;
    for (const ListRow& row : list.rows) {
        if (!connected || row.itemData < 0 || row.itemData >= kMaxStations) continue;
        const StationEntry& entry = table.stations[row.itemData];
        StationJsonFields station;
        std::memcpy(station.mac.data(), entry.stationMac, 6);
        station.tei = entry.tei;
        station.bridgedMac.emplace();
        std::memcpy(station.bridgedMac->data(), entry.bridgedMac, 6);
        station.txMbps = SpeedFromRate(entry.avgTxRate);
        station.rxMbps = SpeedFromRate(entry.avgRxRate);
        AddHistory(core, station);
        if (!first) out += ',';
        first = false;
        out += StationJson(station);
    }
    out += "]}";
    return out;
}

}  // namespace zentrel::cli
