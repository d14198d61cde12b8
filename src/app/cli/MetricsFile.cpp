#include "cli/MetricsFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "base/AtomicFile.h"

namespace zentrel::cli {
namespace {

// A label value with the three characters the format escapes.
std::string LabelValue(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    out += '"';
    return out;
}

void Family(std::string& out, const char* name, const char* type, const char* help) {
    out += "# HELP ";
    out += name;
    out += ' ';
    out += help;
    out += "\n# TYPE ";
    out += name;
    out += ' ';
    out += type;
    out += '\n';
}

void Sample(std::string& out, const char* name, const std::string& labels, const std::string& value) {
    out += name;
    if (!labels.empty()) {
        out += '{';
        out += labels;
        out += '}';
    }
    out += ' ';
    out += value;
    out += '\n';
}

}  // namespace

std::string MetricsText(const Core& core, long cycles, std::int64_t lastCycle) {
    const Link& link = core.link;
    const int adapters = std::clamp(link.access.adapterCount, 0, kMaxAdapters);
    const int current = std::clamp(link.currentAdapter, 0, kMaxAdapters - 1);
    auto adapterLabel = [&](int index) {
        const auto i = static_cast<std::size_t>(index);
        return "adapter=" + LabelValue(i < link.access.deviceList.size() ? link.access.deviceList[i].name : "");
    };
    const bool connected = current < adapters && link.adapters[static_cast<std::size_t>(current)].localFound != 0;
    const StationTable& table = link.tables[static_cast<std::size_t>(current)];

    std::string stationLabels[kMaxStations];
    if (connected) {
        for (int slot = 0; slot < kMaxStations; ++slot) {
            const StationEntry& entry = table.stations[slot];
            if (!entry.present || !IsMacSet(entry.stationMac)) continue;
            stationLabels[slot] = adapterLabel(current) + ",mac=" + LabelValue(FormatMac(entry.stationMac)) +
                                  ",tei=" + LabelValue(std::to_string(entry.tei));
        }
    }
    std::string out;
    const struct {
        const char* name;
        const char* help;
        bool receive;
    } speeds[] = {
        {"zentrel_station_tx_bytes_per_second",
         "Average PHY rate from the local device to the powerline station, as the Main page shows it "
         "(Mbps x 125000).", false},
        {"zentrel_station_rx_bytes_per_second",
         "Average PHY rate from the powerline station to the local device (Mbps x 125000).", true},
    };
    for (const auto& speed : speeds) {
        Family(out, speed.name, "gauge", speed.help);
        for (int slot = 0; slot < kMaxStations; ++slot) {
            if (stationLabels[slot].empty()) continue;
            const StationEntry& entry = table.stations[slot];
            const long mbps = SpeedFromRate(speed.receive ? entry.avgRxRate : entry.avgTxRate);
            // Prometheus' base unit is the byte, not the bit: promtool refuses *_bits_*.
            Sample(out, speed.name, stationLabels[slot], std::to_string(mbps * 125000L));
        }
    }
    Family(out, "zentrel_stations", "gauge", "Powerline stations the local device reported in the last cycle.");
    if (connected) Sample(out, "zentrel_stations", adapterLabel(current), std::to_string(std::max(table.stationCount, 0)));
    Family(out, "zentrel_local_device_up", "gauge", "1 when a local powerline device answers on the adapter, else 0.");
    for (int i = 0; i < adapters; ++i) {
        Sample(out, "zentrel_local_device_up", adapterLabel(i),
               link.adapters[static_cast<std::size_t>(i)].localFound ? "1" : "0");
    }
    Family(out, "zentrel_last_cycle_timestamp_seconds", "gauge", "When the last scan cycle completed, in Unix time.");
    Sample(out, "zentrel_last_cycle_timestamp_seconds", "", std::to_string(lastCycle));
    Family(out, "zentrel_scan_cycles_total", "counter", "Scan cycles completed since zentrel watch started.");
    Sample(out, "zentrel_scan_cycles_total", "", std::to_string(cycles));
    return out;
}

bool WriteMetricsFile(const std::filesystem::path& path, const std::string& text) {
    ReplacementFile file(path);
    if (!file.Stream()) return false;
    // Unlike the files that hold device passwords, this one is for a collector that runs as
    // another user: readable by everyone.
    if (::fchmod(::fileno(file.Stream()), S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH) != 0) return false;
    if (std::fwrite(text.data(), 1, text.size(), file.Stream()) != text.size()) return false;
    return file.Commit();
}

}  // namespace zentrel::cli
