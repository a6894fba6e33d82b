#pragma once

#include <QRect>

// Rectangle in integer pixels: (Left, Top, Right, Bottom), right and bottom
// exclusive for the drawing operations.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    // Same pixels as QRect (which stores an inclusive right/bottom).
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }

    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

// Intersection of two rectangles; false (and out untouched) when they do not overlap.
bool IntersectRect(const TRect& a, const TRect& b, TRect& out);
