#pragma once
// Two readings compared tone by tone.

#include "app/ToneBits.h"

#include <array>
#include <cstdint>

struct TToneComparison {
    ToneBits Before{};
    ToneBits After{};
    // After minus before, per tone.
    std::array<int, ToneCount> Difference{};
    std::int64_t TotalBefore = 0;
    std::int64_t TotalAfter = 0;
    // Sums of the positive and of the negative differences (both >= 0).
    std::int64_t BitsGained = 0;
    std::int64_t BitsLost = 0;
    // Tones that went from 0 to bits, and from bits to 0.
    int TonesGained = 0;
    int TonesLost = 0;
};

TToneComparison CompareTones(const ToneBits& before, const ToneBits& after);
