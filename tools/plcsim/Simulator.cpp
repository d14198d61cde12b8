#include "Simulator.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "SimKeys.h"

namespace plcsim {
namespace {

constexpr std::uint16_t kEtherTypeAv = 0x88E1;
constexpr std::uint16_t kEtherType10 = 0x887B;
constexpr std::uint16_t kVersionRequest = 0xA000;
constexpr std::uint16_t kNetworkInfoRequest = 0xA038;
constexpr std::uint16_t kSetKeyRequest = 0xA050;
constexpr std::uint16_t kConfirmations[] = {kVersionRequest | 1, kNetworkInfoRequest | 1, kSetKeyRequest | 1};
constexpr std::uint8_t kOurOui[3] = {0x00, 0xB0, 0x52};
constexpr std::uint8_t kForeignOui[3] = {0x0A, 0x0B, 0x0C};
constexpr std::uint16_t kBurstHomePlug10 = 0;
constexpr std::uint16_t kBurstOtherMmtype = 1;
constexpr std::uint8_t kManagementMac[6] = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x01};
constexpr std::size_t kMinimumFrame = 60;
constexpr std::size_t kSetKeyEnd = 60;  // the request's payload runs to byte 59
constexpr std::uint8_t kNoStationMatched = 0x01;
constexpr std::size_t kVersionField = 64;  // the firmware text's fixed field, NUL-padded
constexpr std::size_t kMaximumFrame = 1514;
// A station record of the HomePlug AV 1.1 network-info confirmation.
constexpr std::size_t kV11StationSize = 24;

bool Same(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) { return std::memcmp(a, b, n) == 0; }

void PutLe16(std::vector<std::uint8_t>& frame, unsigned value) {
    frame.push_back(static_cast<std::uint8_t>(value & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(value >> 8));
}

}  // namespace

Simulator::Simulator(SimConfig config)
    : config_(std::move(config)),
      stationSilentUntil_(config_.stations.size(), 0),
      networkInfoToIgnore_(config_.faults.ignoreNetworkInfo) {
    nid_ = config_.local.nid ? *config_.local.nid : NidFromNmk(config_.local.nmk);
    const unsigned kinds = config_.faults.burstKinds;
    if ((kinds & kBurstUnrelated) || kinds == 0) {
        // A vendor message nobody asked for: MMTYPE 0xA0FE is no confirmation the host expects.
        burstSlots_.push_back({0xA0FE, false, true});
        burstSlots_.push_back({kBurstHomePlug10, false, true});
    }
    for (const std::uint16_t mmtype : kConfirmations) {
        if (kinds & kBurstForeign) burstSlots_.push_back({mmtype, true, false});
    }
    if (kinds & kBurstMmtypes) burstSlots_.push_back({kBurstOtherMmtype, true, true});
    for (const std::uint16_t mmtype : kConfirmations) {
        if (kinds & kBurstSpoofed) burstSlots_.push_back({mmtype, true, true});
    }
}

bool Simulator::Listed(const SimStation& station, std::int64_t nowMs) const {
    const auto index = static_cast<std::size_t>(&station - config_.stations.data());
    return station.nmk == config_.local.nmk && index < stationSilentUntil_.size() &&
           nowMs >= stationSilentUntil_[index];
}

bool Simulator::Answering(std::int64_t nowMs) {
    const SimFaults& faults = config_.faults;
    if (faults.stopAfterSeconds > 0 && nowMs >= static_cast<std::int64_t>(faults.stopAfterSeconds * 1000)) {
        ++counters_.unansweredWhileSilent;
        return false;
    }
    if (nowMs < localSilentUntil_) {
        ++counters_.unansweredWhileSilent;
        return false;
    }
    return true;
}

std::vector<std::uint8_t> Simulator::Header(const std::uint8_t* destination, std::uint16_t mmtype) const {
    std::vector<std::uint8_t> frame(20, 0);
    std::memcpy(frame.data(), destination, 6);
    std::memcpy(frame.data() + 6, config_.local.mac.data(), 6);
    frame[12] = kEtherTypeAv >> 8;
    frame[13] = kEtherTypeAv & 0xFF;
    frame[14] = 0x00;
    frame[15] = static_cast<std::uint8_t>(mmtype & 0xFF);
    frame[16] = static_cast<std::uint8_t>(mmtype >> 8);
    frame[17] = 0x00;
    frame[18] = 0xB0;
    frame[19] = 0x52;
    return frame;
}

void Simulator::Reply(std::vector<std::uint8_t> frame, std::int64_t nowMs, std::vector<OutFrame>& out) const {
    if (frame.size() < kMinimumFrame) frame.resize(kMinimumFrame, 0);
    out.push_back(OutFrame{nowMs + config_.faults.delayMs, std::move(frame)});
}

void Simulator::HandleFrame(std::span<const std::uint8_t> frame, std::int64_t nowMs, std::vector<OutFrame>& out) {
    ++counters_.framesReceived;
    if (frame.size() < 14) return;
    const std::uint16_t etherType = static_cast<std::uint16_t>((frame[12] << 8) | frame[13]);
    if (etherType == kEtherType10) {
        ++counters_.homePlug10Probes;
        return;
    }
    if (etherType != kEtherTypeAv || frame.size() < 17) return;
    const std::uint16_t mmtype = static_cast<std::uint16_t>(frame[15] | (frame[16] << 8));
    // The local device answers at its own MAC and, like a real one, at the local management
    // address, whatever its own MAC is.
    const std::uint8_t* destination = frame.data();
    if (!Same(destination, config_.local.mac.data(), 6) && !Same(destination, kManagementMac, 6)) return;
    switch (mmtype) {
        case kVersionRequest:
            ++counters_.versionRequests;
            if (Answering(nowMs)) AnswerVersion(frame, nowMs, out);
            break;
        case kNetworkInfoRequest:
            ++counters_.networkInfoRequests;
            if (networkInfoToIgnore_ > 0) {
                --networkInfoToIgnore_;
                ++counters_.networkInfoIgnored;
                return;
            }
            if (Answering(nowMs)) AnswerNetworkInfo(frame, nowMs, out);
            break;
        case kSetKeyRequest:
            ++counters_.setKeyRequests;
            if (Answering(nowMs)) AnswerSetKey(frame, nowMs, out);
            break;
        default:
            break;
    }
}

void Simulator::AnswerVersion(std::span<const std::uint8_t> frame, std::int64_t nowMs,
                              std::vector<OutFrame>& out) {
    std::copy_n(frame.data() + 6, 6, lastRequester_.begin());
    std::vector<std::uint8_t> reply = Header(frame.data() + 6, kVersionRequest | 1);
    const std::string& firmware = config_.local.firmware;
    const std::size_t textLength = std::min(firmware.size(), kVersionField - 1);
    reply.push_back(0x00);  // status
    reply.push_back(0x01);  // device kind
    reply.push_back(static_cast<std::uint8_t>(textLength + 1));
    // The text and its NUL in a fixed field, then the "upgradable" flag (not upgradable).
    reply.insert(reply.end(), firmware.begin(), firmware.begin() + static_cast<std::ptrdiff_t>(textLength));
    reply.resize(reply.size() + kVersionField - textLength, 0x00);
    reply.push_back(0x00);
    Reply(std::move(reply), nowMs, out);
}

void Simulator::AnswerNetworkInfo(std::span<const std::uint8_t> frame, std::int64_t nowMs,
                                  std::vector<OutFrame>& out) {
    const std::uint8_t mmv = frame[14];
    if (mmv > 1) return;  // a later layout we cannot know
    std::copy_n(frame.data() + 6, 6, lastRequester_.begin());
    const SimLocal& local = config_.local;
    const Mac cco = local.ccoMac ? *local.ccoMac : local.mac;
    const std::uint8_t ccoTei = local.ccoTei ? *local.ccoTei : local.tei;
    // HomePlug AV 1.1 puts the fragment fields (one fragment: zero) between MMTYPE and OUI, five
    // reserved bytes after the OUI, reserved room in the records and 16-bit rates.
    const bool v11 = mmv == 1;
    std::vector<std::uint8_t> reply = Header(frame.data() + 6, kNetworkInfoRequest | 1);
    if (v11) {
        reply[14] = 0x01;
        reply.insert(reply.begin() + 17, 2, 0x00);
        reply.insert(reply.end(), 5, 0x00);
    }
    reply.push_back(0x01);  // one network
    reply.insert(reply.end(), nid_.begin(), nid_.end());
    if (v11) reply.insert(reply.end(), 2, 0x00);
    reply.push_back(local.snid);
    reply.push_back(local.tei);
    if (v11) reply.insert(reply.end(), 4, 0x00);
    reply.push_back(local.role);
    reply.insert(reply.end(), cco.begin(), cco.end());
    reply.push_back(ccoTei);
    if (v11) reply.insert(reply.end(), 3, 0x00);
    const std::size_t countAt = reply.size();
    reply.push_back(0);
    if (v11) reply.insert(reply.end(), 5, 0x00);
    std::uint8_t count = 0;
    for (const SimStation& station : config_.stations) {
        if (!Listed(station, nowMs)) continue;
        if (v11 && reply.size() + kV11StationSize > kMaximumFrame) break;  // what fits in one frame
        reply.insert(reply.end(), station.mac.begin(), station.mac.end());
        reply.push_back(station.tei);
        if (v11) reply.insert(reply.end(), 3, 0x00);
        reply.insert(reply.end(), station.bridgedMac.begin(), station.bridgedMac.end());
        const RatePoint rates = RatesAt(station, nowMs);
        if (v11) {
            PutLe16(reply, rates.tx);
            reply.push_back(0x00);  // coupling: primary both ways
            reply.push_back(0x00);
            PutLe16(reply, rates.rx);
            reply.insert(reply.end(), 2, 0x00);
        } else {
            reply.push_back(rates.tx);
            reply.push_back(rates.rx);
        }
        ++count;
    }
    reply[countAt] = count;
    Reply(std::move(reply), nowMs, out);
}

void Simulator::SetLocalNmk(const Key& nmk) {
    config_.local.nmk = nmk;
    nid_ = NidFromNmk(nmk);
}

void Simulator::AnswerSetKey(std::span<const std::uint8_t> frame, std::int64_t nowMs, std::vector<OutFrame>& out) {
    // Too short to carry the keys, or a later version whose payload sits elsewhere: not a request
    // we know, and reading it at these offsets would store a wrong key.
    if (frame.size() < kSetKeyEnd || frame[14] != 0) return;
    Key nmk{};
    std::copy_n(frame.data() + 21, nmk.size(), nmk.begin());
    Key dak{};
    std::copy_n(frame.data() + 44, dak.size(), dak.begin());
    const bool dakGiven = std::any_of(frame.data() + 38, frame.data() + 60, [](std::uint8_t b) { return b != 0; });
    // Bytes 38..43 name the remote station: all ones (or zero) for whichever holds that DAK, or
    // one station's MAC, which must then also match.
    const std::uint8_t* target = frame.data() + 38;
    const bool anyStation = std::all_of(target, target + 6, [](std::uint8_t b) { return b == 0xFF; }) ||
                            std::all_of(target, target + 6, [](std::uint8_t b) { return b == 0x00; });

    std::uint8_t status = config_.faults.setKeyStatusAll;
    bool restartLocal = false;
    if (status == 0) {
        if (!dakGiven) {
            SetLocalNmk(nmk);
            restartLocal = true;
        } else {
            bool matched = false;
            for (std::size_t i = 0; i < config_.stations.size(); ++i) {
                SimStation& station = config_.stations[i];
                if (DakFromPassword(station.password) != dak) continue;
                if (!anyStation && !Same(target, station.mac.data(), 6)) continue;
                matched = true;
                if (station.setKeyStatus != 0) {
                    if (status == 0) status = station.setKeyStatus;
                    continue;
                }
                station.nmk = nmk;
                stationSilentUntil_[i] = nowMs + station.restartMs;
            }
            if (!matched) status = kNoStationMatched;
        }
    }
    std::vector<std::uint8_t> reply = Header(frame.data() + 6, kSetKeyRequest | 1);
    reply.push_back(status);
    Reply(std::move(reply), nowMs, out);
    // The device restarts with its new key once the confirmation is out.
    if (restartLocal) localSilentUntil_ = nowMs + config_.faults.delayMs + config_.local.restartMs;
}

void Simulator::Tick(std::int64_t nowMs, std::vector<OutFrame>& out) {
    const double rate = config_.faults.burstRate;
    if (rate <= 0) return;
    if (burstStartMs_ < 0) {
        burstStartMs_ = nowMs;
        burstSinceStart_ = 0;
    }
    // Frames owed are the rate times the time since the burst began (the first one at once), so
    // several go out in one tick when the rate is above one per millisecond. After a stall the
    // backlog is capped at a tenth of a second's worth and the count starts again from here,
    // rather than a long pause turning into one huge burst.
    const auto owedTotal =
        static_cast<long>(1 + rate * static_cast<double>(nowMs - burstStartMs_) / 1000.0);
    long owed = owedTotal - burstSinceStart_;
    const long cap = std::max(1L, static_cast<long>(rate / 10));
    if (owed > cap) {
        owed = cap;
        burstStartMs_ = nowMs;
        burstSinceStart_ = 1 - cap;  // the frames sent now count as the one due at the new start
    }
    for (long i = 0; i < owed; ++i) {
        out.push_back(OutFrame{nowMs, BurstFrame()});
        ++counters_.burstFrames;
        ++burstSinceStart_;
    }
}

std::vector<std::uint8_t> Simulator::BurstFrame() {
    const BurstSlot slot = burstSlots_[static_cast<std::size_t>(counters_.burstFrames) % burstSlots_.size()];
    std::vector<std::uint8_t> frame;
    if (slot.mmtype == kBurstHomePlug10) {
        frame.assign(18, 0);
        std::copy(lastRequester_.begin(), lastRequester_.end(), frame.begin());
        std::copy(config_.local.mac.begin(), config_.local.mac.end(), frame.begin() + 6);
        frame[12] = kEtherType10 >> 8;
        frame[13] = kEtherType10 & 0xFF;
        frame[14] = 0x01;
        frame[15] = 0x07;
    } else if (slot.mmtype == kBurstOtherMmtype) {
        // An odd step visits every MMTYPE once in 65536, in a scrambled order.
        std::uint16_t mmtype = 0;
        do {
            mmtype = static_cast<std::uint16_t>(otherMmtypes_++ * 40503u);
        } while (std::find(std::begin(kConfirmations), std::end(kConfirmations), mmtype) !=
                 std::end(kConfirmations));
        frame = StrangerFrame(mmtype, true);
    } else if (slot.stranger) {
        frame = StrangerFrame(slot.mmtype, slot.ourOui);
    } else {
        frame = Header(lastRequester_.data(), slot.mmtype);
        frame.push_back(0x5A);
    }
    frame.resize(std::max(frame.size(), kMinimumFrame), 0);
    return frame;
}

// What a stranger on the segment sends to the host: a version confirmation naming itself, a
// network-info confirmation with its own made-up station, a set-key confirmation reporting
// success; any other MMTYPE with nothing after the header.
std::vector<std::uint8_t> Simulator::StrangerFrame(std::uint16_t mmtype, bool ourOui) const {
    std::vector<std::uint8_t> frame = Header(lastRequester_.data(), mmtype);
    std::copy(kStrangerMac.begin(), kStrangerMac.end(), frame.begin() + 6);
    std::copy_n(ourOui ? kOurOui : kForeignOui, 3, frame.begin() + 17);
    if (mmtype == (kVersionRequest | 1)) {
        static const char kText[] = "STRANGER-1.0";
        frame.insert(frame.end(), {0x00, 0x01, sizeof kText});
        frame.insert(frame.end(), kText, kText + sizeof kText);
    } else if (mmtype == (kNetworkInfoRequest | 1)) {
        frame.insert(frame.end(), {0x01, 0x5E, 0x5E, 0x5E, 0x5E, 0x5E, 0x5E, 0x0E, 0x0E, 0x01, 0x02});
        frame.insert(frame.end(), kStrangerMac.begin(), kStrangerMac.end());
        frame.insert(frame.end(), {0x01, 0x01});  // CCo TEI, one station
        frame.insert(frame.end(), kStrangerStationMac.begin(), kStrangerStationMac.end());
        frame.push_back(0x02);
        frame.insert(frame.end(), kStrangerMac.begin(), kStrangerMac.end());
        frame.insert(frame.end(), {0x50, 0x50});
    } else if (mmtype == (kSetKeyRequest | 1)) {
        frame.push_back(0x00);
    }
    return frame;
}

std::string Simulator::DumpState(std::int64_t nowMs) const {
    std::ostringstream text;
    const SimLocal& local = config_.local;
    text << "plcsim state at " << nowMs << " ms\n";
    text << "local mac=" << FormatMac(local.mac) << " tei=" << int(local.tei) << " snid=" << int(local.snid)
         << " nmk=" << HexText(local.nmk.data(), local.nmk.size()) << " nid=" << HexText(nid_.data(), nid_.size())
         << (nowMs < localSilentUntil_ ? " restarting" : "") << "\n";
    for (const SimStation& station : config_.stations) {
        text << "station mac=" << FormatMac(station.mac) << " tei=" << int(station.tei)
             << " nmk=" << HexText(station.nmk.data(), station.nmk.size())
             << (Listed(station, nowMs) ? " listed" : " not-listed");
        const RatePoint rates = RatesAt(station, nowMs);
        text << " rates=" << int(rates.tx) << "/" << int(rates.rx) << "\n";
    }
    text << "counters frames=" << counters_.framesReceived << " version=" << counters_.versionRequests
         << " network-info=" << counters_.networkInfoRequests << " network-info-ignored=" << counters_.networkInfoIgnored
         << " set-key=" << counters_.setKeyRequests << " homeplug10=" << counters_.homePlug10Probes
         << " unanswered=" << counters_.unansweredWhileSilent << " burst=" << counters_.burstFrames << "\n";
    return text.str();
}

}  // namespace plcsim
