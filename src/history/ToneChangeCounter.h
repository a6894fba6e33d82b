#pragma once
// How unstable each tone is over a period: the number of times its bits
// changed between consecutive captured polls. Failed polls carry no reading
// and are skipped, so a failure between two captures does not count as a
// change to zero and back.

#include "app/ToneBits.h"

#include <array>
#include <vector>

using ToneChangeCounts = std::array<int, ToneCount>;

class TToneChangeCounter {
public:
    // --- feeding ---------------------------------------------------------------------------
    // One poll of the period, in time order (oldest first).
    void Add(bool captured, const ToneBits& bits);

    // --- getters ---------------------------------------------------------------------------
    const ToneChangeCounts& Counts() const { return fCounts; }
    // Captured polls seen; changes need at least two.
    int CapturedPolls() const { return fCapturedPolls; }

private:
    // --- data ------------------------------------------------------------------------------
    ToneChangeCounts fCounts{};
    ToneBits fPrevious{};
    int fCapturedPolls = 0;
};

// One poll of a period as the change count sees it.
struct TToneSample {
    bool Captured = false;
    ToneBits Bits{};
};

// The change count of a whole period given in time order.
ToneChangeCounts CountToneChanges(const std::vector<TToneSample>& polls);
