#include "story/ValueScale.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Room kept between two value labels.
constexpr int LabelGapPx = 4;

// The smallest of 1, 2, 5 times a power of ten at or above value (> 0).
double NiceStepAtLeast(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= value * (1 - 1e-12))
            return factor * power;
    return 10 * power;
}

double NextNiceStep(double step)
{
    return NiceStepAtLeast(step * 1.5);
}

}  // namespace

TValueScale FitValueScale(double lowest, double highest, int lengthPx, int labelExtentPx)
{
    if (!std::isfinite(lowest) || !std::isfinite(highest))
        return {};
    if (highest < lowest)
        std::swap(lowest, highest);
    if (highest == lowest) {
        // A flat series: a range of about one per cent around it (at least
        // ten), so that a later dip of a few bits out of thousands still shows.
        const double half = std::max(10.0, std::abs(lowest) * 0.005);
        lowest -= half;
        highest += half;
    }
    const double range = highest - lowest;
    const int room = std::max(1, labelExtentPx + LabelGapPx);
    const int labels = std::max(2, lengthPx / room);
    double step = NiceStepAtLeast(range / (labels - 1));
    TValueScale scale;
    for (int attempt = 0; attempt < 64; ++attempt) {
        scale.Step = step;
        scale.Min = std::floor(lowest / step) * step;
        scale.Max = std::ceil(highest / step) * step;
        if (scale.Max <= scale.Min)
            scale.Max = scale.Min + step;
        const double steps = std::round((scale.Max - scale.Min) / step);
        if (steps <= 1 || lengthPx / steps >= room)
            break;
        step = NextNiceStep(step);
    }
    scale.Decimals = scale.Step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(scale.Step) - 1e-9));
    return scale;
}
