#pragma once

#include "chart/ChartFont.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// The fonts and texts a canvas has met, kept across passes: each font's Qt
// font and metrics, each text's characters and width, and its glyphs once it
// is drawn on a raster target. Labels come back every pass, so they are
// converted, measured and shaped once.
class TCanvasTextCache {
public:
    // One text in one font.
    struct TText {
        QString Text;
        int Width = 0;
        bool Shaped = false;
        QList<QGlyphRun> Glyphs;  // positions relative to the baseline origin
    };
    // One font: its Qt font, metrics and measured texts. The serial tells
    // fonts apart for the painter state (never reused).
    struct TFont {
        std::string Name;
        int PixelSize = 0;
        int Style = 0;
        QFont Font;
        QFontMetrics Metrics{QFont()};
        int Ascent = 0;
        int Descent = 0;
        int Height = 0;
        std::uint64_t Serial = 0;
        std::unordered_map<std::string, TText> Texts;
    };

    // The entry of the chart font (name, pixel size, style), made on first use.
    TFont& FontOf(const TChartFont& font);
    // The text in the font, converted and measured on first use.
    TText& TextOf(TFont& font, const std::string& text);
    // The glyphs the painter places for the text drawn with its baseline
    // origin at (0, 0), shaped on first use.
    const QList<QGlyphRun>& GlyphsOf(const TFont& font, TText& text);

private:
    std::vector<std::unique_ptr<TFont>> fFonts;
    TFont* fLast = nullptr;
    std::uint64_t fNextSerial = 1;
};
