#include "pages/RateHistory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "link/Link.h"
#include "pages/Core.h"

namespace zentrel {
namespace {

std::int64_t MinuteOf(std::int64_t time) { return time >= 0 ? time / 60 : (time - 59) / 60; }

}  // namespace

int SpeedFromRate(std::uint8_t rate) { return rate * 13083 / 10000; }

std::string IsoTime(std::int64_t seconds, bool localOffset) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (static_cast<std::int64_t>(t) != seconds || !(localOffset ? localtime_r(&t, &tm) : gmtime_r(&t, &tm)) ||
        tm.tm_year + 1900 > 9999 || tm.tm_year + 1900 < 0)
        return {};
    char text[40];
    if (!localOffset) {
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
        return text;
    }
    // strftime writes the offset as +hhmm; ISO 8601 in its extended form wants +hh:mm.
    char offset[8];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
    std::strftime(offset, sizeof offset, "%z", &tm);
    std::string out = text;
    out.append(offset, 3);
    out += ':';
    out.append(offset + 3);
    return out;
}

void RateHistory::Record(std::int64_t now, const std::vector<Input>& stations) {
    for (const Input& input : stations) {
        auto found = std::find_if(series_.begin(), series_.end(),
                                  [&](const RateSeries& s) { return s.mac == input.mac; });
        if (found == series_.end()) {
            if (series_.size() >= kMaxSeries) {
                auto oldest = std::min_element(series_.begin(), series_.end(), [](const auto& a, const auto& b) {
                    return a.Last().time < b.Last().time;
                });
                series_.erase(oldest);
            }
            series_.push_back(RateSeries{});
            series_.back().mac = input.mac;
            found = series_.end() - 1;
        }
        RateSample sample;
        sample.time = now;
        sample.txMbps = static_cast<std::uint16_t>(std::clamp(input.txMbps, 0, 0xFFFF));
        sample.rxMbps = static_cast<std::uint16_t>(std::clamp(input.rxMbps, 0, 0xFFFF));
        sample.tei = input.tei;
        found->recent.push_back(sample);
    }
    for (RateSeries& series : series_) Thin(series, now);
    std::erase_if(series_, [](const RateSeries& s) { return s.Size() == 0; });
    ++generation_;
}

void RateHistory::Thin(RateSeries& series, std::int64_t now) {
    while (!series.recent.empty() &&
           (series.recent.front().time < now - kRecentSeconds || series.recent.size() > kMaxRecent)) {
        const RateSample sample = series.recent.front();
        series.recent.pop_front();
        if (!series.thinned.empty() && MinuteOf(series.thinned.back().time) >= MinuteOf(sample.time)) {
            if (sample.txMbps < series.thinned.back().txMbps) series.thinned.back() = sample;
        } else {
            series.thinned.push_back(sample);
        }
    }
    const std::int64_t oldest = now - kKeepSeconds;
    while (!series.thinned.empty() && series.thinned.front().time < oldest) series.thinned.pop_front();
    while (!series.recent.empty() && series.recent.front().time < oldest) series.recent.pop_front();
}

std::size_t RateHistory::SampleBytes() const {
    std::size_t count = 0;
    for (const RateSeries& series : series_) count += series.Size();
    return count * sizeof(RateSample) + series_.size() * sizeof(RateSeries);
}

std::string RateHistory::Csv(std::int64_t from) const {
    std::string out = "time,mac,tei,tx_mbps,rx_mbps\r\n";
    char line[96];
    for (const RateSeries& series : series_) {
        const std::string mac = FormatMac(series.mac);
        for (std::size_t i = 0; i < series.Size(); ++i) {
            const RateSample& s = series.At(i);
            if (s.time < from) continue;
            std::snprintf(line, sizeof line, ",%s,%d,%d,%d\r\n", mac.c_str(), s.tei, s.txMbps, s.rxMbps);
            out += IsoTime(s.time, false);
            out += line;
        }
    }
    return out;
}

std::vector<ChartPoint> ChartLine(const RateSeries& series, std::int64_t from, bool receive, std::size_t maxPoints) {
    std::size_t first = 0;
    std::size_t count = series.Size();
    while (count > 0) {  // the first sample at or after `from`, by halving
        const std::size_t half = count / 2;
        if (series.At(first + half).time < from) {
            first += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    auto point = [&](std::size_t i) {
        const RateSample& s = series.At(i);
        return ChartPoint{s.time, receive ? s.rxMbps : s.txMbps};
    };
    std::vector<ChartPoint> line;
    const std::size_t n = series.Size() - first;
    if (n <= maxPoints || maxPoints < 2) {
        for (std::size_t i = first; i < series.Size(); ++i) line.push_back(point(i));
        return line;
    }
    const std::size_t buckets = maxPoints / 2;
    line.reserve(buckets * 2);
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t begin = first + n * b / buckets;
        const std::size_t end = first + n * (b + 1) / buckets;
        std::size_t low = begin, high = begin;
        for (std::size_t i = begin; i < end; ++i) {
            if (point(i).mbps < point(low).mbps) low = i;
            if (point(i).mbps > point(high).mbps) high = i;
        }
        line.push_back(point(std::min(low, high)));
        if (low != high) line.push_back(point(std::max(low, high)));
    }
    return line;
}

void RecordListedRates(Core& core) {
    std::vector<RateHistory::Input> stations;
    const int current = core.link.currentAdapter;
    if (current >= 0 && current < kMaxAdapters && core.link.adapters[static_cast<std::size_t>(current)].localFound) {
        for (const StationEntry& entry : core.link.tables[static_cast<std::size_t>(current)].stations) {
            if (!entry.present || !IsMacSet(entry.stationMac)) continue;
            RateHistory::Input input;
            std::memcpy(input.mac.data(), entry.stationMac, 6);
            input.tei = entry.tei;
            input.txMbps = SpeedFromRate(entry.avgTxRate);
            input.rxMbps = SpeedFromRate(entry.avgRxRate);
            stations.push_back(input);
        }
    }
    core.rates.Record(core.clock.Now(), stations);
}

}  // namespace zentrel
