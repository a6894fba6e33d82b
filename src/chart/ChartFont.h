#pragma once

#include "chart/ChartColors.h"

#include <QFont>
#include <functional>
#include <string>

// Font of a chart part: name, size in points (or height in pixels), colour and
// style. The pixel size depends on the pixels-per-inch of the surface the font
// is used on, so text keeps its point size on any target.
class TChartFont {
public:
    // The default chart font: "Arial", 8 points, black. On a system whose
    // primary language is Japanese the name is that of the framework's default
    // font, and the size the one its height gives at the screen's vertical
    // resolution.
    TChartFont();
    TChartFont(const TChartFont& other);
    TChartFont& operator=(const TChartFont& other);  // copies settings, keeps OnChange

    // getters
    const std::string& Name() const { return fName; }
    int Size() const;    // points
    int Height() const;  // platform height: negative = character height in pixels
    TColor Color() const { return fColor; }
    int Style() const { return fStyle; }  // TFontStyleBits
    int PixelsPerInch() const { return fPixelsPerInch; }
    int PixelSize() const;  // character height in pixels at PixelsPerInch

    // setters (notify OnChange when the value changes)
    void SetName(const std::string& v);
    void SetSize(int points);
    void SetHeight(int h);
    void SetColor(TColor v);
    void SetStyle(int v);
    void SetPixelsPerInch(int v);  // keeps the point size

    // Qt font with the pixel size at PixelsPerInch.
    QFont ToQFont() const;

    bool SameAs(const TChartFont& other) const;

    // Replaces the test of the system's primary language used by the default
    // font (an empty function restores the system's own test).
    static void SetJapaneseSystemCheck(std::function<bool()> check);

    std::function<void()> OnChange;

private:
    void Changed();

    std::string fName;
    int fHeight;  // stored as platform height at fPixelsPerInch (negative: character height)
    TColor fColor;
    int fStyle;
    int fPixelsPerInch;
};
