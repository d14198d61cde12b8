#include "cli/ScanSession.h"
#include "pages/Storage.h"
#include "pages/Preferences.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "cli/CliText.h"
#include "pages/ScanCycle.h"
#include "registry/Database.h"
#include "pages/MainPage.h"
#include "registry/OemPrefs.h"

#include "link/pcap/PcapWire.h"

namespace zentrel::cli {
namespace {

// A core text for a line of the picture: control characters as '?', so a device cannot move the
// cursor or break the columns. Still 8-bit: the whole picture becomes UTF-8 at the end.
std::string Printable(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) out += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
    return out;
}

int AdapterCountOf(const Core& core) { return std::clamp(core.link.access.adapterCount, 0, kMaxAdapters); }

std::string AdapterName(const Core& core, int index) {
    const auto& list = core.link.access.deviceList;
    return static_cast<std::size_t>(index) < list.size() ? list[static_cast<std::size_t>(index)].name : std::string();
}

std::string Firmware(const Core& core, int adapter) {
    const auto& record = core.link.adapters[static_cast<std::size_t>(adapter)];
    return std::string(record.firmwareVersion, strnlen(record.firmwareVersion, sizeof record.firmwareVersion));
}

// The adapter a local device list row shows (its item data).
int RowAdapter(const ListModel& list, int row) {
    const int adapter = list.rows[static_cast<std::size_t>(row)].itemData;
    return std::clamp(adapter, 0, kMaxAdapters - 1);
}

}  // namespace

void OpenMainPage(CliContext& context) {
    Core& core = *context.core;
    core.link.captureLibraryVersion = CaptureLibraryVersion();
    LoadOemPrefs(core);
    core.views.main.localDevices.present = true;
    core.views.main.powerlineDevices.present = true;
    LoadDatabase(core);
    LoadVendorList(core);
    core.quality = WordingForStyle(core.prefs.qualityStyle);
    SetupLocalDeviceList(core);
    SetupPowerlineDeviceList(core);
}

bool ScanOnce(Core& core) {
    RestartScanning(core);
    RunScanCycle(core);
    return LocalDeviceFound(core);
}

bool LocalDeviceFound(const Core& core) {
    const int count = AdapterCountOf(core);
    for (int i = 0; i < count; ++i) {
        if (core.link.adapters[static_cast<std::size_t>(i)].localFound) return true;
    }
    return false;
}

std::string MainPageText(const Core& core) {
    const auto& view = core.views.main;
    std::string out;
    char line[512];
    out += "Adapters:\n";
    const int count = AdapterCountOf(core);
    if (count == 0) out += "  (none)\n";
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "  NIC #%d %s MAC = %s\n", i + 1, AdapterName(core, i).c_str(),
                      FormatMac(core.link.access.slots[static_cast<std::size_t>(i)].hostMac).c_str());
        out += line;
    }
    out += "Local Device(s) on your computer:\n";
    const auto& local = view.localDevices;
    if (local.RowCount() == 0) out += "  (none)\n";
    for (int row = 0; row < local.RowCount(); ++row) {
        const int adapter = RowAdapter(local, row);
        std::snprintf(line, sizeof line, "  TEI %s  MAC Address %s  on NIC #%d  FW Version: %s\n",
                      local.Cell(row, 0).c_str(), local.Cell(row, 1).c_str(), adapter + 1,
                      Printable(Firmware(core, adapter)).c_str());
        out += line;
    }
    out += view.connection + "\n";
    out += "CCo Mac Address: " + view.ccoMac + "\n";
    out += "NID: " + view.nid + "\n";
    out += "SNID: " + view.snid + "\n";
    out += "TEI: " + view.ccoTei + "\n";
    out += view.networkType + "\n";
    out += view.stationCountText + "\n";

    const auto& list = view.powerlineDevices;
    if (list.columns.empty()) return OutputText(out);
    std::vector<std::size_t> widths;
    for (const int sub : list.columnOrder) {
        std::size_t width = list.columns[static_cast<std::size_t>(sub)].header.size();
        for (int row = 0; row < list.RowCount(); ++row) width = std::max(width, list.Cell(row, sub).size());
        widths.push_back(width);
    }
    auto emit = [&](auto cellOf) {
        std::string text;
        for (std::size_t k = 0; k < list.columnOrder.size(); ++k) {
            std::string cell = cellOf(list.columnOrder[k]);
            if (k + 1 < list.columnOrder.size()) cell.resize(widths[k] + 2, ' ');
            text += cell;
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out += text + "\n";
    };
    out += "\n";
    emit([&](int sub) { return list.columns[static_cast<std::size_t>(sub)].header; });
    for (int row = 0; row < list.RowCount(); ++row) {
        emit([&](int sub) { return Printable(list.Cell(row, sub)); });
    }
    return OutputText(out);
}

bool ParseMacArgument(const std::string& text, std::string& upper) {
    if (text.size() != 17) return false;
    upper.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i % 3 == 2) {
            if (c != ':' && c != '-') return false;
            upper += ':';
        } else {
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return true;
}

}  // namespace zentrel::cli
