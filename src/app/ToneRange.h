#pragma once
// The tone ranges the monitor plots and the spacing of the tones. The window
// chooses a range with its radio buttons; the session polls and plots it.

#include "app/ToneBits.h"

#include <array>

namespace tones {

// A range of tones, first to last, both included.
struct ToneRange {
    int FirstTone;
    int LastTone;

    constexpr int BarCount() const { return LastTone - FirstTone + 1; }
    // The series numbers its points from 0, so the axis ends at the last index.
    constexpr double AxisMaximum() const { return BarCount() - 1; }
    constexpr bool operator==(const ToneRange&) const = default;
};

inline constexpr ToneRange RangeLow{0, 255};  // selected at start
inline constexpr ToneRange RangeHigh{256, 512};
inline constexpr ToneRange RangeAll{0, 512};

// The three ranges in the order of their buttons.
inline constexpr std::array<ToneRange, 3> Ranges{RangeLow, RangeHigh, RangeAll};

// Distance between neighbouring tones in kHz: tone n sits at n times this.
inline constexpr double ToneSpacingKHz = 4.3125;

}  // namespace tones
