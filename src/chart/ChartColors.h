#pragma once

#include <QColor>
#include <cstdint>

// Colours are 0x00BBGGRR (red in the low byte). 0xFF0000nn are system colours
// looked up through the application palette when they reach the painter.
using TColor = std::uint32_t;

constexpr TColor clDefault = 0x20000000;  // "the owner's default"; never drawn as such
constexpr TColor clNone = 0x1FFFFFFF;     // null point marker; never drawn

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

// System colours.
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clBtnShadow = 0xFF000010;
constexpr TColor clBtnHighlight = 0xFF000014;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clInfoBk = 0xFF000018;

inline bool IsSystemColor(TColor c)
{
    return (c & 0xFF000000u) == 0xFF000000u;
}

// Resolves system colours to RGB (0x00BBGGRR) through the application palette;
// other values are returned with the high byte cleared.
TColor ColorToRGB(TColor c);

// 0x00BBGGRR (system colours resolved) -> QColor(r, g, b).
QColor ToQColor(TColor c);

// QColor -> 0x00BBGGRR.
TColor FromQColor(const QColor& c);

// The sixteen-colour default palette of the chart (index taken modulo 16).
TColor ChartPaletteColor(int index);
constexpr int ChartPaletteSize = 16;
