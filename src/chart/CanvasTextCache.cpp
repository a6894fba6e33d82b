#include "chart/CanvasTextCache.h"

#include "text/QtText.h"

#include <QTextLayout>
#include <algorithm>

TCanvasTextCache::TFont& TCanvasTextCache::FontOf(const TChartFont& font)
{
    const int pixelSize = std::max(1, font.PixelSize());
    const auto matches = [&](const TFont& e) {
        return e.PixelSize == pixelSize && e.Style == font.Style() && e.Name == font.Name();
    };
    if (fLast && matches(*fLast))
        return *fLast;
    for (const std::unique_ptr<TFont>& e : fFonts) {
        if (matches(*e)) {
            fLast = e.get();
            return *e;
        }
    }
    // A chart uses a handful of fonts; a canvas that meets ever new ones starts afresh.
    constexpr std::size_t mostFonts = 32;
    if (fFonts.size() >= mostFonts)
        fFonts.clear();
    auto e = std::make_unique<TFont>();
    e->Name = font.Name();
    e->PixelSize = pixelSize;
    e->Style = font.Style();
    e->Font = font.ToQFont();
    e->Metrics = QFontMetrics(e->Font);
    e->Ascent = e->Metrics.ascent();
    e->Descent = e->Metrics.descent();
    e->Height = e->Metrics.height();
    e->Serial = fNextSerial++;
    fFonts.push_back(std::move(e));
    fLast = fFonts.back().get();
    return *fLast;
}

TCanvasTextCache::TText& TCanvasTextCache::TextOf(TFont& font, const std::string& text)
{
    const auto found = font.Texts.find(text);
    if (found != font.Texts.end())
        return found->second;
    // Labels repeat from pass to pass; texts that never do are not kept for ever.
    constexpr std::size_t mostTexts = 4096;
    if (font.Texts.size() >= mostTexts)
        font.Texts.clear();
    TText& e = font.Texts[text];
    // Chart texts are 8-bit characters; every byte maps to one character.
    e.Text = QStringFromLatin1(text);
    e.Width = font.Metrics.horizontalAdvance(e.Text);
    return e;
}

const QList<QGlyphRun>& TCanvasTextCache::GlyphsOf(const TFont& font, TText& text)
{
    if (text.Shaped)
        return text.Glyphs;
    text.Shaped = true;
    // Laid out once on one line and moved up by its ascent.
    QTextLayout layout(text.Text, font.Font);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return text.Glyphs;
    }
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    const qreal ascent = line.ascent();
    text.Glyphs = layout.glyphRuns();
    for (QGlyphRun& run : text.Glyphs) {
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions)
            p.ry() -= ascent;
        run.setPositions(positions);
    }
    return text.Glyphs;
}
