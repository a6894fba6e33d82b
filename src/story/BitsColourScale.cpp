#include "story/BitsColourScale.h"

#include "chart/ChartColors.h"

#include "monitor/HistoryDesign.h"

#include <algorithm>
#include <array>

namespace {

// Fifteen samples of the viridis scale, evenly spaced from its dark purple
// end (1 bit) to its yellow end (15 bits), as 0xRRGGBB.
constexpr std::array<std::uint32_t, BitsColourScaleTop> ScaleRgb{
    0x440154, 0x481A6C, 0x472F7D, 0x414487, 0x39568C, 0x31688E, 0x2A788E, 0x23888E,
    0x1F988B, 0x22A884, 0x35B779, 0x54C568, 0x7AD151, 0xA5DB36, 0xFDE725,
};

}  // namespace

QColor BitsColour(int bits)
{
    if (bits <= 0)
        return ToQColor(design::WaterfallZeroBitsColor);
    const std::uint32_t rgb = ScaleRgb[static_cast<std::size_t>(std::min(bits, BitsColourScaleTop) - 1)];
    return QColor::fromRgb(rgb);
}

QColor FailedPollColour()
{
    return ToQColor(design::TimePlotFailedColor);
}

QColor NoPollColour()
{
    return ToQColor(design::WaterfallNoPollsColor);
}
