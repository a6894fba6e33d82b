#pragma once
// A real time axis: ticks at round local times of a step that fits the span
// and the room, labelled in a form that fits the step, and the mapping
// between times and pixel offsets along the axis.

#include <QString>
#include <QTimeZone>
#include <cstdint>
#include <functional>
#include <vector>

struct TTimeTick {
    std::int64_t TimeUtcMs = 0;
    // Pixel offset from the axis start (0 = the axis' first time).
    int Position = 0;
    QString Text;
    // A tick where a larger unit begins (a new day on an hours axis, ...).
    bool Major = false;
};

// Room kept between two labels unless the caller asks for another.
inline constexpr int TimeTickMinGapPx = 8;

// The ticks of an axis from fromUtcMs to toUtcMs laid along lengthPx pixels,
// in local times of zone. extentOf gives a label's extent along the axis
// (its width on a horizontal axis, the font height on a vertical one). Each
// label is centred on its tick, stays inside [0, lengthPx] and keeps at
// least minGapPx from the next; the step is the smallest of a list of round
// ones (1 s up to 1 year) whose labels fit. A span of 0 gives one label, a
// negative span or length none.
std::vector<TTimeTick> LayOutTimeTicks(std::int64_t fromUtcMs, std::int64_t toUtcMs, int lengthPx,
                                       const std::function<int(const QString&)>& extentOf, const QTimeZone& zone,
                                       int minGapPx = TimeTickMinGapPx);

// The pixel offset of t on an axis from `from` to `to` of lengthPx pixels
// (rounded down; times outside give offsets outside).
int TimeToPosition(std::int64_t t, std::int64_t from, std::int64_t to, int lengthPx);
// The first time that maps to pos: TimeToPosition(PositionToTime(p)) == p
// for every p in [0, lengthPx] when the span has at least one ms per pixel.
std::int64_t PositionToTime(int pos, std::int64_t from, std::int64_t to, int lengthPx);
