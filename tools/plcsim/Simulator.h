#pragma once
// The devices' behaviour, free of any I/O: frames in, frames out with the time they are due.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "SimConfig.h"

namespace plcsim {

struct OutFrame {
    std::int64_t dueMs;
    std::vector<std::uint8_t> bytes;
};

struct SimCounters {
    long framesReceived = 0;
    long versionRequests = 0;
    long networkInfoRequests = 0;
    long networkInfoIgnored = 0;
    long setKeyRequests = 0;
    long homePlug10Probes = 0;
    long unansweredWhileSilent = 0;
    long burstFrames = 0;
};

class Simulator {
public:
    explicit Simulator(SimConfig config);

    // One received frame at `nowMs` (milliseconds since the start); replies are appended to `out`.
    void HandleFrame(std::span<const std::uint8_t> frame, std::int64_t nowMs, std::vector<OutFrame>& out);
    // Unrelated traffic of the burst fault.
    void Tick(std::int64_t nowMs, std::vector<OutFrame>& out);

    std::string DumpState(std::int64_t nowMs) const;
    const SimCounters& Counters() const { return counters_; }
    const SimConfig& Config() const { return config_; }
    const Nid& CurrentNid() const { return nid_; }
    // Whether the station is listed in a network-info reply at this time.
    bool Listed(const SimStation& station, std::int64_t nowMs) const;

private:
    bool Answering(std::int64_t nowMs);
    void Reply(std::vector<std::uint8_t> frame, std::int64_t nowMs, std::vector<OutFrame>& out) const;
    std::vector<std::uint8_t> Header(const std::uint8_t* destination, std::uint16_t mmtype) const;
    void AnswerVersion(std::span<const std::uint8_t> frame, std::int64_t nowMs, std::vector<OutFrame>& out);
    void AnswerNetworkInfo(std::span<const std::uint8_t> frame, std::int64_t nowMs, std::vector<OutFrame>& out);
    void AnswerSetKey(std::span<const std::uint8_t> frame, std::int64_t nowMs, std::vector<OutFrame>& out);
    void SetLocalNmk(const Key& nmk);
    std::vector<std::uint8_t> BurstFrame();
    std::vector<std::uint8_t> StrangerFrame(std::uint16_t mmtype, bool ourOui) const;

    SimConfig config_;
    Nid nid_{};
    std::vector<std::int64_t> stationSilentUntil_;
    std::int64_t localSilentUntil_ = 0;
    int networkInfoToIgnore_ = 0;
    // The burst's destination: the last host that asked, before that a made-up unicast address
    // (a promiscuous capture sees it all the same; the burst is never broadcast).
    Mac lastRequester_{0x02, 0x00, 0x00, 0x00, 0x00, 0xFE};
    std::int64_t burstStartMs_ = -1;  // when the burst began, or began again after a stall
    long burstSinceStart_ = 0;        // frames sent since then
    // The burst's frames, sent in turn. MMTYPE 0 stands for a HomePlug 1.0 frame, 1 for the next
    // of the other MMTYPEs.
    struct BurstSlot {
        std::uint16_t mmtype;
        bool stranger;
        bool ourOui;
    };
    std::vector<BurstSlot> burstSlots_;
    std::uint32_t otherMmtypes_ = 0;  // how many of the other MMTYPEs were sent
    SimCounters counters_;
};

}  // namespace plcsim
