#include "link/Confirmations.h"

#include <cstring>
#include <span>

#include "link/AdapterAccess.h"
#include "link/Frames.h"
#include "link/StationOps.h"
#include "base/ByteReader.h"
#include "base/MacAddress.h"
#include "link/Link.h"

namespace zentrel {
namespace {

using Frame = std::span<const std::uint8_t>;

constexpr std::size_t kMmHeaderBytes = 17;  // through the MMTYPE
constexpr std::size_t kOuiOffset = 17;
constexpr std::size_t kVersionTextOffset = 23;
constexpr std::size_t kMaxVersionChars = 99;
constexpr std::size_t kNetworkInfoFixedBytes = 39;  // through the record count
constexpr std::size_t kStationRecordBytes = 15;
constexpr std::size_t kSetKeyConfirmBytes = 21;  // through the status byte
constexpr std::uint32_t kSetKeySettleMs = 2;

std::uint16_t MmType(Frame frame) {
    return static_cast<std::uint16_t>(frame[15] | (frame[16] << 8));
}

// Every device of this family answers with its vendor OUI. Any host on the segment can send
// confirmations too; one with another OUI never becomes the local device, a station list or a
// key change's result.
bool FromOurFamily(Frame frame) {
    return frame.size() >= kOuiOffset + sizeof kVendorOui &&
           std::memcmp(frame.data() + kOuiOffset, kVendorOui, sizeof kVendorOui) == 0;
}

void TakeVersion(Link& link, int adapter, Frame frame) {
    AdapterRecord& record = link.adapters[static_cast<std::size_t>(adapter)];
    StationTable& table = link.tables[static_cast<std::size_t>(adapter)];

    // Any answer shows that a device sits behind this adapter, even one that is not ours to take.
    record.localFound = 1;
    table.localFound = 1;
    link.currentAdapter = adapter;
    link.replyReceived = 1;

    const std::uint8_t* destination = frame.data();
    const std::uint8_t* source = frame.data() + 6;
    if (!SameMac(destination, table.hostMac)) return;
    if (SameMac(source, destination)) return;
    if (link.versionTaken[static_cast<std::size_t>(adapter)] != 0) return;

    std::memcpy(record.localMac, source, 6);
    std::memcpy(table.localMac, source, 6);
    std::size_t n = 0;
    if (frame.size() > kVersionTextOffset) {
        const Frame text = frame.subspan(kVersionTextOffset);
        while (n < text.size() && n < kMaxVersionChars && text[n] != 0) ++n;
        std::memcpy(record.firmwareVersion, text.data(), n);
    }
    record.firmwareVersion[n] = '\0';
    link.versionTaken[static_cast<std::size_t>(adapter)] = 1;
}

void TakeNetworkInfo(Link& link, int adapter, Frame frame) {
    if (frame.size() < kNetworkInfoFixedBytes) return;  // too short to hold the network information
    StationTable& table = link.tables[static_cast<std::size_t>(adapter)];

    link.currentAdapter = adapter;
    table.stationCount = 0;

    ByteReader r(frame);
    std::uint8_t count = 0;
    r.Skip(21);
    r.Read(table.nid, sizeof table.nid);
    r.U8(table.snid);
    r.U8(table.localTei);
    r.U8(table.reserved12173);
    r.Read(table.ccoMac, sizeof table.ccoMac);
    r.U8(table.ccoTei);
    r.U8(count);
    link.replyReceived = 1;

    for (int k = 0; k < count && k < kMaxStations; ++k) {
        if (r.Remaining() < kStationRecordBytes) break;  // records past the frame's end are not there
        StationEntry& entry = table.stations[k];
        r.Read(entry.stationMac, 6);
        r.U8(entry.tei);
        r.Read(entry.bridgedMac, 6);
        r.U8(entry.avgTxRate);
        r.U8(entry.avgRxRate);
        entry.present = 1;
        ++table.stationCount;
    }
    if (link.events) link.events->NetworkStatusChanged();
}

void TakeSetKeyStatus(Link& link, int adapter, Frame frame, std::uint8_t* status) {
    // The device needs a moment after answering before its state settles.
    link.clock.SleepMs(kSetKeySettleMs);
    if (MmType(frame) != kMmSetKeyConfirm || !FromOurFamily(frame)) return;
    if (frame.size() < kSetKeyConfirmBytes) return;
    const std::uint8_t result = frame[20];
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
    const Frame frame = *received;

    if (frame.size() < kMmHeaderBytes) return true;
    const std::uint16_t etherType = static_cast<std::uint16_t>((frame[12] << 8) | frame[13]);
    if (etherType != kEtherTypeHomePlugAv) return true;
    static constexpr std::uint8_t kBroadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    if (SameMac(frame.data(), kBroadcast)) return true;

    switch (link.pendingRequestType) {
        case kMmVersionRequest:
            if (MmType(frame) == kMmVersionConfirm && FromOurFamily(frame)) TakeVersion(link, adapter, frame);
            break;
        case kMmNetworkInfoRequest:
            if (MmType(frame) == kMmNetworkInfoConfirm && FromOurFamily(frame))
                TakeNetworkInfo(link, adapter, frame);
            break;
        case kMmSetKeyRequest:
            TakeSetKeyStatus(link, adapter, frame, status);
            break;
        default:
            break;
    }
    return true;
}

}  // namespace zentrel
