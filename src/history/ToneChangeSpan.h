#pragma once
// The change count of a stretch of polls in a form that stretches can be
// joined by: its own changes, and the first and last captured tables, whose
// difference is what joining two stretches adds. The day summaries of the
// store are such stretches, so that a long period is counted from its days
// and only the part days at its edges from their polls. Same rule as
// TToneChangeCounter: consecutive captured polls, failed polls skipped.

#include "app/ToneBits.h"
#include "history/HistoryPackedValues.h"

#include <cstdint>

class TToneChangeSpan {
public:
    // --- feeding ---------------------------------------------------------------------------
    // One poll after those already in, in time order.
    void Add(bool captured, const ToneBits& bits);
    // A stretch that comes after this one.
    void Join(const TToneChangeSpan& later);

    // --- getters ---------------------------------------------------------------------------
    std::int64_t CapturedPolls() const { return fCapturedPolls; }
    const ToneCountTotals& Changes() const { return fChanges; }
    // The first and last captured tables (meaningless while CapturedPolls is 0).
    const ToneBits& First() const { return fFirst; }
    const ToneBits& Last() const { return fLast; }

    // --- setters ---------------------------------------------------------------------------
    // A stretch as kept: its captured polls (at least 1), changes and edge tables.
    void Set(std::int64_t capturedPolls, const ToneCountTotals& changes, const ToneBits& first, const ToneBits& last);

private:
    // --- data ------------------------------------------------------------------------------
    std::int64_t fCapturedPolls = 0;
    ToneCountTotals fChanges{};
    ToneBits fFirst{};
    ToneBits fLast{};
};
