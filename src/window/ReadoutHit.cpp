#include "window/ReadoutHit.h"

#include "chart/BarSeries.h"
#include "chart/CustomAxisPanel.h"

#include <algorithm>

TBarColumns DrawnBarColumns(TBarSeries& series, int index)
{
    const int left = series.PointPixelX(index);
    const int right = left + series.BarPixelWidth();
    const int top = series.PointPixelY(index);
    const int bottom = series.OriginPixel(index);
    // A bar without height or width is drawn as a line from its left edge,
    // without the line's end pixel.
    if (top == bottom)
        return {left, right - 1};
    if (left == right)
        return {left, left};
    // A filled rectangle covers left .. right - 1 with an outline and one
    // column less without one.
    return {left, series.BarPen().Visible() ? right - 1 : right - 2};
}

int VisibleBarAt(TBarSeries& series, int x, int y)
{
    const int hit = series.PointAt(x, y);
    if (hit < 0)
        return hit;
    if (series.ParentChart() != nullptr)
        series.ParentChart()->Canvas().UnprojectPoint(x, y, 0);
    const TPoint p(x, y);
    const int last = std::min(series.LastVisible(), series.PointCount() - 1);
    // Bars stand in rising X order: only bars from the hit on can hold the column.
    for (int i = hit; i <= last; ++i) {
        if (series.PointPixelX(i) > x)
            break;
        const TBarColumns columns = DrawnBarColumns(series, i);
        if (x >= columns.First && x <= columns.Last && series.PointInBar(i, p))
            return i;
    }
    return hit;
}
