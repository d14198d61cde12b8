#include "link/Frames.h"

#include <cstring>

#include "link/AdapterAccess.h"
#include "base/MacAddress.h"
#include "link/Link.h"

namespace zentrel {
namespace {

bool ValidIndex(int adapter) {
    return adapter >= 0 && adapter < kMaxAdapters;
}

void WriteEthernetHeader(std::uint8_t* buffer, const std::uint8_t* source, const std::uint8_t* destination,
                         std::uint16_t etherType) {
    std::memcpy(buffer, destination, 6);
    std::memcpy(buffer + 6, source, 6);
    buffer[12] = static_cast<std::uint8_t>(etherType >> 8);
    buffer[13] = static_cast<std::uint8_t>(etherType & 0xFF);
}

void WriteMmHeader(std::uint8_t (&buffer)[kAvFrameBytes], std::int32_t mmType) {
    buffer[14] = 0x00;  // MMV
    buffer[15] = static_cast<std::uint8_t>(mmType & 0xFF);
    buffer[16] = static_cast<std::uint8_t>((mmType >> 8) & 0xFF);
    std::memcpy(buffer + 17, kVendorOui, 3);
}

// A key as 32 hexadecimal digits; digits missing from a short text count as zero.
void KeyFromText(const std::string& text, std::uint8_t* out) {
    auto digit = [&](std::size_t i) {
        return i < text.size() ? HexDigitValue(static_cast<unsigned char>(text[i])) : 0;
    };
    for (std::size_t i = 0; i < 16; ++i) {
        out[i] = static_cast<std::uint8_t>(16 * digit(2 * i) + digit(2 * i + 1));
    }
}

void SendAvRequest(Link& link, int adapter, std::uint8_t (&buffer)[kAvFrameBytes], std::int32_t mmType) {
    link.pendingRequestType = mmType;
    SendFrame(link, adapter, buffer, kAvFrameBytes);
}

}  // namespace

void BuildAvHeader(std::uint8_t (&buffer)[kAvFrameBytes], const std::uint8_t* source,
                   const std::uint8_t* destination) {
    std::memset(buffer, 0, kAvFrameBytes);
    WriteEthernetHeader(buffer, source, destination, kEtherTypeHomePlugAv);
}

void BuildHomePlug10Header(std::uint8_t (&buffer)[kHomePlug10FrameBytes], const std::uint8_t* source,
                           const std::uint8_t* destination) {
    std::memset(buffer, 0, kHomePlug10FrameBytes);
    WriteEthernetHeader(buffer, source, destination, kEtherTypeHomePlug10);
}

void SendVersionRequest(Link& link, int adapter) {
    if (!ValidIndex(adapter)) return;
    std::uint8_t buffer[kAvFrameBytes];
    BuildAvHeader(buffer, link.adapters[static_cast<std::size_t>(adapter)].hostMac, kLocalManagementMac);
    WriteMmHeader(buffer, kMmVersionRequest);
    SendAvRequest(link, adapter, buffer, kMmVersionRequest);
}

void SendNetworkInfoRequest(Link& link, int adapter) {
    if (!ValidIndex(adapter)) return;
    const AdapterRecord& record = link.adapters[static_cast<std::size_t>(adapter)];
    std::uint8_t buffer[kAvFrameBytes];
    BuildAvHeader(buffer, record.hostMac, record.localMac);
    WriteMmHeader(buffer, kMmNetworkInfoRequest);
    SendAvRequest(link, adapter, buffer, kMmNetworkInfoRequest);
}

void SendSetKeyRequest(Link& link, int adapter, const std::string& nmkText, int mode,
                       const std::string* dakText) {
    if (!ValidIndex(adapter)) return;
    const AdapterRecord& record = link.adapters[static_cast<std::size_t>(adapter)];
    std::uint8_t buffer[kAvFrameBytes];
    BuildAvHeader(buffer, record.hostMac, record.localMac);
    WriteMmHeader(buffer, kMmSetKeyRequest);
    buffer[20] = 0x01;
    KeyFromText(nmkText, buffer + 21);
    buffer[37] = mode == 1 ? 0x0F : 0x00;
    if (dakText) {
        KeyFromText(*dakText, buffer + 44);
        std::memset(buffer + 38, 0xFF, 6);
    }
    SendAvRequest(link, adapter, buffer, kMmSetKeyRequest);
}

void SendStationProbe(Link& link, int adapter, const std::uint8_t* source, const std::uint8_t* destination) {
    std::uint8_t buffer[kHomePlug10FrameBytes];
    BuildHomePlug10Header(buffer, source, destination);
    buffer[14] = 0x01;  // one management entry follows
    buffer[15] = 0x07;  // entry type 7, version 0
    SendFrame(link, adapter, buffer, kHomePlug10FrameBytes);
}

void ProbeStations(Link& link, int adapter) {
    const int current = link.currentAdapter;
    if (!ValidIndex(current)) return;
    std::uint8_t source[6];
    std::memcpy(source, link.adapters[static_cast<std::size_t>(current)].hostMac, 6);
    const StationTable& table = link.tables[static_cast<std::size_t>(current)];
    for (const StationEntry& entry : table.stations) {
        // An empty address would turn the probe into a broadcast.
        if (entry.present != 0 && IsMacSet(entry.stationMac)) {
            SendStationProbe(link, adapter, source, entry.stationMac);
        }
    }
}

}  // namespace zentrel
