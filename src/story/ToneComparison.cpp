#include "story/ToneComparison.h"

TToneComparison CompareTones(const ToneBits& before, const ToneBits& after)
{
    TToneComparison result;
    result.Before = before;
    result.After = after;
    for (std::size_t tone = 0; tone < static_cast<std::size_t>(ToneCount); ++tone) {
        const int was = before[tone];
        const int now = after[tone];
        const int difference = now - was;
        result.Difference[tone] = difference;
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
