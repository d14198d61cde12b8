#include "link/Confirmations.h"

#include <algorithm>
#include <cstring>

#include "base/MacAddress.h"
#include "link/AdapterAccess.h"
#include "link/ConfirmationCodec.h"
#include "link/Frames.h"
#include "link/Link.h"
#include "link/StationOps.h"

namespace zentrel {
namespace {

constexpr std::uint32_t kSetKeySettleMs = 2;

void TakeVersion(Link& link, int adapter, const VersionConfirmation& version) {
    AdapterRecord& record = link.adapters[static_cast<std::size_t>(adapter)];
    StationTable& table = link.tables[static_cast<std::size_t>(adapter)];

    // Any answer shows that a device sits behind this adapter, even one that is not ours to take.
    record.localFound = 1;
    table.localFound = 1;
    link.currentAdapter = adapter;
    link.replyReceived = 1;

    if (!SameMac(version.destination, table.hostMac)) return;
    if (SameMac(version.source, version.destination)) return;
    if (link.versionTaken[static_cast<std::size_t>(adapter)] != 0) return;

    std::memcpy(record.localMac, version.source, 6);
    std::memcpy(table.localMac, version.source, 6);
    const std::size_t n = std::min(version.firmware.size(), sizeof record.firmwareVersion - 1);
    std::memcpy(record.firmwareVersion, version.firmware.data(), n);
    record.firmwareVersion[n] = '\0';
    link.versionTaken[static_cast<std::size_t>(adapter)] = 1;
}

void TakeNetworkInfo(Link& link, int adapter, const NetworkInformation& info) {
    StationTable& table = link.tables[static_cast<std::size_t>(adapter)];
    link.currentAdapter = adapter;
    table.network = info.summary;
    link.replyReceived = 1;

    table.stationCount = 0;
    for (const NetworkStation& s : info.stations) {
        StationEntry& entry = table.stations[table.stationCount];
        std::memcpy(entry.stationMac, s.mac, 6);
        entry.tei = s.tei;
        std::memcpy(entry.bridgedMac, s.bridgedMac, 6);
        entry.avgTxRate = s.avgTxRate;
        entry.avgRxRate = s.avgRxRate;
        entry.present = 1;
        ++table.stationCount;
    }
    if (link.events) link.events->NetworkStatusChanged();
}

void TakeSetKeyStatus(Link& link, int adapter, std::uint8_t result, std::uint8_t* status) {
    if (status) *status = result;
    link.replyReceived = 1;
    if (result != 0) return;

    // The device restarts with its new key; the next discovery finds it again.
    link.adapters[static_cast<std::size_t>(adapter)].localFound = 0;
    if (link.setKeyLocalOnly != 1 && link.setKeyResultIndex >= 0 &&
        static_cast<std::size_t>(link.setKeyResultIndex) < link.setKeyResults.size()) {
        link.setKeyResults[static_cast<std::size_t>(link.setKeyResultIndex)] = 1;
    }
    ClearStationTables(link);
}

}  // namespace

bool HandleConfirmation(Link& link, int adapter, std::uint8_t* status) {
    const auto received = ReceiveFrame(link, adapter);
    if (!received) return false;
    TakeConfirmation(link, adapter, *received, status);
    return true;
}

bool AnswersPendingRequest(const Link& link, std::span<const std::uint8_t> frame) {
    if (!ManagementType(frame)) return false;
    switch (link.pendingRequestType) {
        case kMmVersionRequest: return DecodeVersionConfirmation(frame).has_value();
        case kMmNetworkInfoRequest: return DecodeNetworkInformation(frame).has_value();
        case kMmSetKeyRequest: return DecodeSetKeyStatus(frame).has_value();
        default: return false;
    }
}

void TakeConfirmation(Link& link, int adapter, std::span<const std::uint8_t> frame, std::uint8_t* status) {
    if (!ManagementType(frame)) return;

    switch (link.pendingRequestType) {
        case kMmVersionRequest:
            if (const auto version = DecodeVersionConfirmation(frame)) TakeVersion(link, adapter, *version);
            break;
        case kMmNetworkInfoRequest:
            if (const auto info = DecodeNetworkInformation(frame)) TakeNetworkInfo(link, adapter, *info);
            break;
        case kMmSetKeyRequest:
            // The device needs a moment after answering before its state settles.
            link.clock.SleepMs(kSetKeySettleMs);
            if (const auto result = DecodeSetKeyStatus(frame)) TakeSetKeyStatus(link, adapter, *result, status);
            break;
        default:
            break;
    }
}

}  // namespace zentrel
