#include "link/ConfirmationCodec.h"

#include <algorithm>
#include <cstring>

#include "base/ByteReader.h"
#include "link/Frames.h"
#include "link/StationTable.h"

namespace zentrel {
namespace {

constexpr std::size_t kMmHeaderBytes = 17;  // through the MMTYPE
constexpr std::size_t kOuiOffset = 17;
constexpr std::size_t kVersionTextOffset = 23;
constexpr std::size_t kMaxVersionChars = 99;
constexpr std::size_t kNetworkInfoFixedBytes = 39;  // through the record count
constexpr std::size_t kNetworkInfoOffset = 21;      // the NID
constexpr std::size_t kStationRecordBytes = 15;
constexpr std::size_t kSetKeyConfirmBytes = 21;  // through the status byte
constexpr std::size_t kSetKeyStatusOffset = 20;

std::uint16_t MmType(FrameBytes frame) { return static_cast<std::uint16_t>(frame[15] | (frame[16] << 8)); }

bool IsConfirmation(FrameBytes frame, std::int32_t type) {
    return ManagementType(frame) == type && FromOurFamily(frame);
}

}  // namespace

std::optional<std::uint16_t> ManagementType(FrameBytes frame) {
    if (frame.size() < kMmHeaderBytes) return std::nullopt;
    const auto etherType = static_cast<std::uint16_t>((frame[12] << 8) | frame[13]);
    if (etherType != kEtherTypeHomePlugAv) return std::nullopt;
    if (std::all_of(frame.begin(), frame.begin() + 6, [](std::uint8_t b) { return b == 0xFF; })) return std::nullopt;
    return MmType(frame);
}

bool FromOurFamily(FrameBytes frame) {
    return frame.size() >= kOuiOffset + sizeof kVendorOui &&
           std::memcmp(frame.data() + kOuiOffset, kVendorOui, sizeof kVendorOui) == 0;
}

std::optional<VersionConfirmation> DecodeVersionConfirmation(FrameBytes frame) {
    if (!IsConfirmation(frame, kMmVersionConfirm)) return std::nullopt;
    VersionConfirmation v{};
    std::memcpy(v.destination, frame.data(), 6);
    std::memcpy(v.source, frame.data() + 6, 6);
    if (frame.size() > kVersionTextOffset) {
        const FrameBytes text = frame.subspan(kVersionTextOffset);
        std::size_t n = 0;
        while (n < text.size() && n < kMaxVersionChars && text[n] != 0) ++n;
        v.firmware.assign(reinterpret_cast<const char*>(text.data()), n);
    }
    return v;
}

std::optional<NetworkInformation> DecodeNetworkInformation(FrameBytes frame) {
    if (!IsConfirmation(frame, kMmNetworkInfoConfirm) || frame.size() < kNetworkInfoFixedBytes) return std::nullopt;
    NetworkInformation info{};
    ByteReader r(frame);
    std::uint8_t count = 0;
    r.Skip(kNetworkInfoOffset);
    NetworkSummary& n = info.summary;
    r.Read(n.nid, sizeof n.nid);
    r.U8(n.snid);
    r.U8(n.localTei);
    r.U8(n.reserved);
    r.Read(n.ccoMac, sizeof n.ccoMac);
    r.U8(n.ccoTei);
    r.U8(count);
    for (int k = 0; k < count && k < kMaxStations; ++k) {
        if (r.Remaining() < kStationRecordBytes) break;  // records past the frame's end are not there
        NetworkStation s{};
        r.Read(s.mac, 6);
        r.U8(s.tei);
        r.Read(s.bridgedMac, 6);
        r.U8(s.avgTxRate);
        r.U8(s.avgRxRate);
        info.stations.push_back(s);
    }
    return info;
}

std::optional<std::uint8_t> DecodeSetKeyStatus(FrameBytes frame) {
    if (!IsConfirmation(frame, kMmSetKeyConfirm) || frame.size() < kSetKeyConfirmBytes) return std::nullopt;
    return frame[kSetKeyStatusOffset];
}

}  // namespace zentrel
