#pragma once
// What plcsim plays: one local device and the remote stations of the mains network behind it,
// plus the faults it injects.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plcsim {

using Mac = std::array<std::uint8_t, 6>;
using Key = std::array<std::uint8_t, 16>;
using Nid = std::array<std::uint8_t, 7>;

inline constexpr const char* kDefaultNetworkName = "HomePlugAV";

// From `atMs` after the start the station's average rates are `tx` and `rx` (bytes as the
// network-info reply carries them).
struct RatePoint {
    std::int64_t atMs = 0;
    std::uint8_t tx = 0;
    std::uint8_t rx = 0;
    bool operator==(const RatePoint&) const = default;
};

// How the rates get from one point of a schedule to the next.
enum class RateShape { Step, Ramp };

struct SimStation {
    Mac mac{};
    std::uint8_t tei = 0;
    Mac bridgedMac{};
    std::uint8_t txRate = 0;
    std::uint8_t rxRate = 0;
    // The rates over time, by strictly increasing time; before the first point (or without any),
    // txRate and rxRate. With a period the schedule starts over every period.
    std::vector<RatePoint> rates;
    std::int64_t ratesPeriodMs = 0;
    RateShape ratesShape = RateShape::Step;
    std::string password;  // device password; its DAK is what a set-key request must carry
    Key nmk{};
    int restartMs = 0;        // absent from network-info replies this long after taking a new NMK
    std::uint8_t setKeyStatus = 0;  // non-zero: a set-key request for this station fails with it
};

struct SimLocal {
    Mac mac{};
    std::string firmware;
    std::optional<Nid> nid;  // fixed NID until the NMK changes; derived from the NMK otherwise
    std::uint8_t snid = 0;
    std::uint8_t tei = 0;
    std::uint8_t role = 0;
    std::optional<Mac> ccoMac;  // defaults to the local device itself
    std::optional<std::uint8_t> ccoTei;
    Key nmk{};
    int restartMs = 0;  // silence after it took a new NMK of its own
};

// What the burst fault sends, any combination of these bits.
enum BurstKind : unsigned {
    kBurstUnrelated = 1,  // vendor MMTYPE 0xA0FE and HomePlug 1.0 frames, from the local device
    kBurstForeign = 2,    // 0xA001, 0xA039 and 0xA051 confirmations with another vendor's OUI
    kBurstMmtypes = 4,    // every other MMTYPE in turn, with this family's OUI
    kBurstSpoofed = 8,    // 0xA001, 0xA039 and 0xA051 confirmations with this family's OUI
};
// The host on the segment that sends all but the unrelated kind, and the station it makes up.
inline constexpr Mac kStrangerMac{0x02, 0x66, 0x00, 0x00, 0x00, 0x01};
inline constexpr Mac kStrangerStationMac{0x02, 0x66, 0x00, 0x00, 0x00, 0x02};

struct SimFaults {
    int ignoreNetworkInfo = 0;      // the first N network-info requests get no answer
    int delayMs = 0;                // every reply waits this long
    std::uint8_t setKeyStatusAll = 0;  // non-zero: every set-key request is answered with it
    double burstRate = 0;           // frames per second nobody asked for
    unsigned burstKinds = kBurstUnrelated;  // what they are
    double stopAfterSeconds = 0;    // > 0: no reply at all after this many seconds
};

struct SimConfig {
    SimLocal local;
    std::vector<SimStation> stations;
    SimFaults faults;
};

// One local device and three remote stations, all in the default network.
SimConfig DefaultConfig();

// Reads the INI text (format in plcsim --help). False with a message naming the line on error.
bool ParseConfig(const std::string& text, SimConfig& config, std::string& error);
// The local device and the stations as INI text that ParseConfig reads back the same.
std::string FormatConfig(const SimConfig& config);

// The rates in force `nowMs` after the start.
RatePoint RatesAt(const SimStation& station, std::int64_t nowMs);
// Makes every station's rates swing in a triangle wave of `periodMs` between its tx_rate/rx_rate
// and a quarter of them, each station a period / (number of stations) later than the one before,
// so that no two stations rise and fall together. Replaces any schedule the stations had.
void VaryRates(SimConfig& config, std::int64_t periodMs);

// A schedule as "0s 82/64, 30s 20/15"; false on an unreadable one, times not strictly
// increasing or out of range.
bool ParseRates(const std::string& text, std::vector<RatePoint>& points);
std::string FormatRates(const std::vector<RatePoint>& points);
// A time as "90s", "1.5s", "500ms", "2m" or a bare number of seconds, at most a week.
bool ParseDuration(const std::string& text, std::int64_t& ms);
// Whole seconds as "90s", anything else as "1500ms", so that it reads back the same.
std::string FormatDuration(std::int64_t ms);

bool ParseMac(const std::string& text, Mac& mac);
// A comma-separated list of unrelated, foreign, mmtypes, spoofed. False on an unknown or empty one.
bool ParseBurstKinds(const std::string& text, unsigned& kinds);
bool ParseHexBytes(const std::string& text, std::uint8_t* out, std::size_t count);
std::string FormatMac(const Mac& mac);
std::string HexText(const std::uint8_t* bytes, std::size_t count);

}  // namespace plcsim
