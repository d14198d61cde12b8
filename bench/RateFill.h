#pragma once
// A day of rate samples as the scan cycle leaves them: `stations` stations, a cycle every
// `cycleSeconds`, each station's speed moving in a slow wave with a little jitter.
#include <cmath>
#include <cstdint>
#include <vector>

#include "pages/RateHistory.h"

namespace zentrel::bench {

inline void FillDay(RateHistory& history, int stations, std::int64_t end, double cycleSeconds) {
    const auto cycles = static_cast<long>(RateHistory::kKeepSeconds / cycleSeconds);
    std::vector<RateHistory::Input> inputs(static_cast<std::size_t>(stations));
    for (long c = 0; c < cycles; ++c) {
        const std::int64_t now = end - RateHistory::kKeepSeconds + static_cast<std::int64_t>(c * cycleSeconds);
        for (int s = 0; s < stations; ++s) {
            auto& in = inputs[static_cast<std::size_t>(s)];
            in.mac = {0x00, 0xB0, 0x52, 0x5A, 0x01, static_cast<std::uint8_t>(s)};
            in.tei = static_cast<std::uint8_t>(s + 2);
            const double wave = std::sin(static_cast<double>(now) / 900.0 + s);
            in.txMbps = 60 + static_cast<int>(40 * wave) + static_cast<int>((c * 7 + s) % 11);
            in.rxMbps = in.txMbps * 3 / 4;
        }
        history.Record(now, inputs);
    }
}

}  // namespace zentrel::bench
