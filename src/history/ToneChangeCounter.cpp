#include "history/ToneChangeCounter.h"

void TToneChangeCounter::Add(bool captured, const ToneBits& bits)
{
    if (!captured)
        return;
    if (fCapturedPolls > 0)
        for (std::size_t tone = 0; tone < bits.size(); ++tone)
            if (bits[tone] != fPrevious[tone])
                ++fCounts[tone];
    fPrevious = bits;
    ++fCapturedPolls;
}

ToneChangeCounts CountToneChanges(const std::vector<TToneSample>& polls)
{
    TToneChangeCounter counter;
    for (const TToneSample& poll : polls)
        counter.Add(poll.Captured, poll.Bits);
    return counter.Counts();
}
