#include "report/QualityText.h"

#include <cmath>

namespace zentrel {

std::string QualityText(const QualityWording& wording, double rate, std::int32_t rateClass) {
    const int n = wording.levels;
    if (n > 0) {
        const double m = rateClass == 1 ? 14.0 : 85.0;
        double q = (n - 1) * (rate + m / n) / m;
        if (!std::isfinite(q)) q = 0.0;
        // The remainder keeps the sign of the quotient; a negative rate (never a real one) is
        // taken as the first entry instead of indexing before the table.
        long long i = static_cast<long long>(std::fmod(std::trunc(q), static_cast<double>(n)));
        if (i < 0) i = 0;
        const auto entry = static_cast<std::size_t>(i + 1);
        return entry < wording.entries.size() ? wording.entries[entry] : std::string();
    }
    if (std::isnan(rate)) return {};
    double v = rate <= 15.0 ? rate / 2.0 : (rate - 15.0) / 2.0 + 7.0;
    if (v >= 90.0) v = 89.0;
    if (v <= 0.0) return {};
    int bars = static_cast<int>(std::ceil(v));
    if (bars < 1) bars = 1;
    if (bars > 89) bars = 89;
    return std::string(static_cast<std::size_t>(bars), '|');
}

}  // namespace zentrel
