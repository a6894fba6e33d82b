#pragma once

#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"
#include "chart/ChartPoint.h"

#include <vector>

// Where the bars of one series stand in one drawing pass: the column of each
// bar, the columns its drawing covers and the pixels that hit it. The pass
// works it out once, after the layout, and draws the bars from it; the hit
// test and the hover readout ask the geometry of the pass the window shows.
//
// A bar stands on the columns Left .. Left + Width and the rows between its
// value end (Top) and its base, either of which may be the upper one. Its hit
// area takes in both end columns and both end rows (shaped for pyramids and
// ellipses). Its drawing covers fewer columns: a filled rectangle ends one
// column short of Left + Width with an outline and two columns short without
// one; a bar without height is a line from Left to Left + Width - 1, a bar
// without width one column.
class TBarGeometry {
public:
    // One bar as the pass places it.
    struct TBar {
        int Left = 0;
        int Top = 0;               // row of the value end
        int Base = 0;              // row of the origin end
        TColor Color = clDefault;  // the point's colour; clNone for a null point, never drawn

        bool Drawn() const { return Color != clNone; }
    };
    // First and last column (inclusive); Last < First when none.
    struct TColumns {
        int First = 0;
        int Last = -1;
    };

    // --- building (once per pass) ----------------------------------------------------------
    // Starts a new geometry for the bars first, first + 1, ... of the given
    // width, hit shape and outline (a visible bar pen); first -1: no bar is visible.
    void Begin(int first, int width, TBarStyle shape, bool outlined);
    void Add(const TBar& bar) { fBars.push_back(bar); }

    // --- the bars -----------------------------------------------------------------------------
    bool Empty() const { return fBars.empty(); }
    int First() const { return fFirst; }
    int Last() const { return fFirst + static_cast<int>(fBars.size()) - 1; }
    bool Holds(int index) const { return index >= fFirst && index <= Last() && !fBars.empty(); }
    int Width() const { return fWidth; }
    TBarStyle Shape() const { return fShape; }
    bool Outlined() const { return fOutlined; }
    const TBar& Bar(int index) const { return fBars[static_cast<std::size_t>(index - fFirst)]; }
    TColumns DrawnColumns(int index) const { return DrawnColumnsOf(Bar(index), fWidth, fOutlined); }

    // --- hit tests (indices at or beyond count, the series' points now, are left out) -----------
    // The lowest index whose hit area holds p, or -1.
    int BarAt(const TPoint& p, int count) const;
    // The bar a user sees under p: where p lies in the drawn columns of a bar
    // whose hit area holds it, that bar; elsewhere BarAt. (The hit area of a
    // bar reaches into the drawn columns of the next one, where BarAt names
    // the lower index.)
    int DrawnBarAt(const TPoint& p, int count) const;

    // --- the rules, for a bar placed anywhere -------------------------------------------------
    static bool HitAreaContains(const TBar& bar, int width, TBarStyle shape, const TPoint& p);
    static TColumns DrawnColumnsOf(const TBar& bar, int width, bool outlined);

private:
    int fFirst = -1;
    int fWidth = 0;
    TBarStyle fShape = bsRectangle;
    bool fOutlined = true;
    std::vector<TBar> fBars;
};
