#pragma once
// Which bar the hover readout names. The bar series' hit test gives each bar
// the columns from its left edge to left + bar width inclusive, so with the
// invisible bar pen (a bar is then filled one column narrower) the hit area
// of one bar reaches into the drawn column of the next, and the lowest index
// wins there. The readout names the bar the user sees instead: when the
// mouse's column holds a drawn bar whose hit area contains the point, that
// bar wins; everywhere else the series' hit test stands.

class TBarSeries;

// First and last column (inclusive) that the bar at index covers on screen,
// as of the last paint. last < first when the bar covers no column.
struct TBarColumns {
    int First;
    int Last;
};
TBarColumns DrawnBarColumns(TBarSeries& series, int index);

// The index of the bar under chart pixel (x, y), or -1.
int VisibleBarAt(TBarSeries& series, int x, int y);
