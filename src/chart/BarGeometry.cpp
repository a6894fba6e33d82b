#include "chart/BarGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

void TBarGeometry::Begin(int first, int width, TBarStyle shape, bool outlined)
{
    fFirst = first;
    fWidth = width;
    fShape = shape;
    fOutlined = outlined;
    fBars.clear();  // the storage stays for the next pass
}

bool TBarGeometry::HitAreaContains(const TBar& bar, int width, TBarStyle shape, const TPoint& p)
{
    const int left = bar.Left;
    const int right = left + width;
    if (p.X < left || p.X > right)
        return false;
    const int y1 = std::min(bar.Top, bar.Base);
    const int y0 = std::max(bar.Top, bar.Base);
    switch (shape) {
    case bsPyramid:
    case bsInvPyramid: {
        if (p.Y < y1 || p.Y > y0)
            return false;
        const int height = y0 - y1;
        if (height == 0)
            return true;
        // Half width of the triangle at row p.Y: full at the base, zero at the apex.
        const double half = (right - left) * 0.5;
        const double fromApex = shape == bsPyramid ? p.Y - y1 : y0 - p.Y;
        const double allowed = half * fromApex / height;
        return std::abs(p.X - (left + half)) <= allowed;
    }
    case bsEllipse: {
        const double a = (right - left) * 0.5;
        const double b = (y0 - y1) * 0.5;
        if (a <= 0.0 || b <= 0.0)
            return p.Y >= y1 && p.Y <= y0;
        const double dx = (p.X - (left + a)) / a;
        const double dy = (p.Y - (y1 + b)) / b;
        return dx * dx + dy * dy <= 1.0;
    }
    default:
        return p.Y >= y1 && p.Y <= y0;
    }
}

TBarGeometry::TColumns TBarGeometry::DrawnColumnsOf(const TBar& bar, int width, bool outlined)
{
    const int left = bar.Left;
    const int right = left + width;
    // A bar without height or width is drawn as a line from its left edge,
    // without the line's end pixel.
    if (bar.Top == bar.Base)
        return {left, right - 1};
    if (width == 0)
        return {left, left};
    // A filled rectangle covers left .. right - 1 with an outline and one
    // column less without one.
    return {left, outlined ? right - 1 : right - 2};
}

int TBarGeometry::BarAt(const TPoint& p, int count) const
{
    const int last = std::min(Last(), count - 1);
    for (int i = fFirst; i <= last; ++i) {
        const TBar& bar = Bar(i);
        // The columns first: most bars are passed over on them alone.
        if (p.X < bar.Left || p.X > bar.Left + fWidth)
            continue;
        if (HitAreaContains(bar, fWidth, fShape, p))
            return i;
    }
    return -1;
}

int TBarGeometry::DrawnBarAt(const TPoint& p, int count) const
{
    const int hit = BarAt(p, count);
    if (hit < 0)
        return hit;
    const int last = std::min(Last(), count - 1);
    // Bars stand in rising X order: only bars from the hit on can hold the column.
    for (int i = hit; i <= last; ++i) {
        const TBar& bar = Bar(i);
        if (bar.Left > p.X)
            break;
        const TColumns columns = DrawnColumnsOf(bar, fWidth, fOutlined);
        if (bar.Drawn() && p.X >= columns.First && p.X <= columns.Last && HitAreaContains(bar, fWidth, fShape, p))
            return i;
    }
    return hit;
}
