#include "story/ToneComparison.h"

#include <algorithm>
#include <limits>

TToneComparison CompareTones(const ToneBits& before, const ToneBits& after)
{
    TToneComparison result;
    result.Before = before;
    result.After = after;
    for (std::size_t tone = 0; tone < static_cast<std::size_t>(ToneCount); ++tone) {
        // Bits come from hostile input: the difference of two int32 values
        // needs 64 bits; the per-tone int saturates, the totals stay exact.
        const std::int64_t was = before[tone];
        const std::int64_t now = after[tone];
        const std::int64_t difference = now - was;
        result.Difference[tone] = static_cast<int>(
            std::clamp<std::int64_t>(difference, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
        result.TotalBefore += was;
        result.TotalAfter += now;
        if (difference > 0)
            result.BitsGained += difference;
        else
            result.BitsLost -= difference;
        if (was <= 0 && now > 0)
            ++result.TonesGained;
        else if (was > 0 && now <= 0)
            ++result.TonesLost;
    }
    return result;
}
