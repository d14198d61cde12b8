#pragma once
// The link rates of the listed stations over time: one sample per station after each scan
// cycle, kept for a day. Memory stays bounded however fast the cycles come: the last hour is
// kept as it came (up to one sample a second on average), older samples are thinned to one a
// minute, and that one is the minute's slowest, so that a short drop stays visible.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "base/MacAddress.h"

namespace zentrel {

struct Core;

struct RateSample {
    std::int64_t time = 0;   // seconds since 1970-01-01 00:00 UTC
    std::uint16_t txMbps = 0;
    std::uint16_t rxMbps = 0;
    std::uint8_t tei = 0;
};

struct RateSeries {
    Mac mac{};
    std::deque<RateSample> thinned;  // older than an hour: one per minute
    std::deque<RateSample> recent;   // the last hour, as sampled
    // Both parts in time order.
    std::size_t Size() const { return thinned.size() + recent.size(); }
    const RateSample& At(std::size_t i) const { return i < thinned.size() ? thinned[i] : recent[i - thinned.size()]; }
    const RateSample& Last() const { return recent.empty() ? thinned.back() : recent.back(); }
};

// A point of a chart line: seconds since 1970 and Mbps.
struct ChartPoint {
    std::int64_t time = 0;
    int mbps = 0;
    bool operator==(const ChartPoint&) const = default;
};

class RateHistory {
public:
    static constexpr std::int64_t kKeepSeconds = 24 * 3600;
    static constexpr std::int64_t kRecentSeconds = 3600;
    static constexpr std::int64_t kThinnedSpacing = 60;
    static constexpr std::size_t kMaxRecent = 3600;
    // Stations seen in a day beyond this many: the one heard from longest ago goes.
    static constexpr std::size_t kMaxSeries = 128;

    // One cycle's samples, all at `now`; then everything older than a day goes.
    struct Input {
        Mac mac{};
        std::uint8_t tei = 0;
        int txMbps = 0;
        int rxMbps = 0;
    };
    void Record(std::int64_t now, const std::vector<Input>& stations);

    const std::vector<RateSeries>& Series() const { return series_; }
    // Counts the cycles recorded, so a view can tell whether there is anything new to draw.
    std::uint64_t Generation() const { return generation_; }
    // The bytes the samples take (the containers' own bookkeeping aside).
    std::size_t SampleBytes() const;

    // The samples from `from` on as CSV: time (ISO 8601, UTC), MAC, TEI, the two speeds; by
    // station, in time order.
    std::string Csv(std::int64_t from) const;

private:
    void Thin(RateSeries& series, std::int64_t now);

    std::vector<RateSeries> series_;
    std::uint64_t generation_ = 0;
};

// A line for a chart of at most about `maxPoints` points from the samples since `from`: where
// there are more, each stretch of samples gives its lowest and its highest, in time order, so
// that neither a drop nor a peak vanishes.
std::vector<ChartPoint> ChartLine(const RateSeries& series, std::int64_t from, bool receive, std::size_t maxPoints);

// A time as ISO 8601: "2026-12-08T01:35:18Z" in UTC, or "2026-12-08T02:35:18+01:00" in the local
// time zone with its offset. Empty for a time the calendar cannot hold.
std::string IsoTime(std::int64_t seconds, bool localOffset);

// The speed shown for an average rate byte: floor(rate x 1.3083) Mbps.
int SpeedFromRate(std::uint8_t rate);

// After a network-info pass: one sample for every station the current adapter lists now.
void RecordListedRates(Core& core);

}  // namespace zentrel
