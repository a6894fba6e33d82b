#include "history/ToneChangeSpan.h"

void TToneChangeSpan::Add(bool captured, const ToneBits& bits)
{
    if (!captured)
        return;
    if (fCapturedPolls == 0) {
        fFirst = bits;
    } else {
        for (std::size_t tone = 0; tone < bits.size(); ++tone)
            if (bits[tone] != fLast[tone])
                ++fChanges[tone];
    }
    fLast = bits;
    ++fCapturedPolls;
}

void TToneChangeSpan::Join(const TToneChangeSpan& later)
{
    if (later.fCapturedPolls == 0)
        return;
    if (fCapturedPolls == 0) {
        *this = later;
        return;
    }
    for (std::size_t tone = 0; tone < fChanges.size(); ++tone)
        fChanges[tone] += later.fChanges[tone] + (later.fFirst[tone] != fLast[tone] ? 1 : 0);
    fLast = later.fLast;
    fCapturedPolls += later.fCapturedPolls;
}

void TToneChangeSpan::Set(std::int64_t capturedPolls, const ToneCountTotals& changes, const ToneBits& first,
                          const ToneBits& last)
{
    fCapturedPolls = capturedPolls;
    fChanges = changes;
    fFirst = first;
    fLast = last;
}
