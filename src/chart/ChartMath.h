#pragma once

#include "chart/ChartRect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

// Plain calculations of the chart engine, kept free of any window or canvas so
// that tests can call them directly.

// RoundHalfEven for values beyond +-2^51 and NaN.
int RoundHalfEvenFar(double x);

// Nearest integer, a half going to the even neighbour (12.5 -> 12, 13.5 -> 14).
// Values beyond the int range are clamped, NaN gives 0.
inline int RoundHalfEven(double x)
{
    // Below 2^51 in magnitude, adding 1.5 * 2^52 leaves no fraction bits: the
    // sum is rounded to an integer, halves to even, and the subtraction is exact.
    constexpr double shift = 6755399441055744.0;  // 1.5 * 2^52
    if (!(std::fabs(x) < 2251799813685248.0))     // 2^51; false for NaN too
        return RoundHalfEvenFar(x);
    const double r = (x + shift) - shift;
    if (r >= 2147483647.0)
        return 2147483647;
    if (r <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(r);
}

// Pixel of an axis end plus or minus an offset, computed without overflow and
// kept within +-2^28, far outside any drawing surface, so that sums and widths
// of drawn rectangles cannot overflow either.
inline int OffsetPixel(int basePixel, double offset, bool subtract)
{
    constexpr std::int64_t limit = std::int64_t{1} << 28;
    const std::int64_t delta = RoundHalfEven(offset);
    const std::int64_t pixel = subtract ? basePixel - delta : basePixel + delta;
    return static_cast<int>(std::clamp(pixel, -limit, limit));
}

// a * b / c rounded to the nearest integer (halves away from zero); -1 when c is 0.
int MulDiv(int a, int b, int c);

// Next step of the 1-2-5 sequence above s (1 -> 2, 2 -> 5, 3 -> 5, 5 -> 10, 0.1 -> 0.2).
double NextNiceStep(double s);

// How many labels of the given size (along the axis, pixels) fit on a span.
// Returns 1 when size is 0.
int MaxLabelCount(int pixelSize, int labelSize, int labelsSeparation);

// Label increment for at most maxLabels labels on a working range: starts from
// increment (when positive) or 1 / 1e-12 and climbs the 1-2-5 sequence until
// the labels fit (only when labelsSeparation > 0).
double StepForLabelCount(int maxLabels, double workRange, double increment, int labelsSeparation);

// Plot rectangle of a pass before titles and axes take room: bounds less the
// border and the percentage margins (left/right of the width, top/bottom of the height).
TRect MarginPlotRect(const TRect& bounds, int borderWidth, int marginLeft, int marginTop, int marginRight,
                     int marginBottom);

// Repairs a collapsed plot rectangle: left/top not before the bounds' left/top;
// right <= left becomes left + 1 (or left + fallbackWidth when equal); likewise bottom.
TRect NormalizeRect(const TRect& r, const TRect& bounds, int fallbackWidth, int fallbackHeight);

// Number formatting in the "#,##0.###" picture style: '0' forced digit, '#'
// optional digit, ',' thousands separator, '.' decimal point, quoted or other
// characters copied; ';' separates the positive, negative and zero sections.
std::string FormatFloat(const std::string& format, double value);
