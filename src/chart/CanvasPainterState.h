#pragma once

#include "chart/CanvasBrush.h"
#include "chart/CanvasPen.h"
#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <cstdint>

class QPaintEngine;

// What the canvas last gave its target painter (pen, brush, composition,
// background, font, render hint), so that a setting is sent only when it
// differs. A new target, a painter begun again (a new paint engine) or code
// that changed the painter behind the canvas' back make it forget
// everything, and the next setting of each kind is sent again. It also keeps
// the Qt colours of the canvas' pen and brush colours, converted when they
// change (and forgotten with the rest: system colours follow the palette).
class TCanvasPainterState {
public:
    // --- what is known --------------------------------------------------------------------
    // Forgets every setting; target (may be null) is the painter drawn on next.
    void Forget(QPainter* target);
    // Forgets when the target paints with another engine than the one the
    // settings were kept for.
    void Check(QPainter& target)
    {
        if (target.paintEngine() != fEngine)
            Forget(&target);
    }
    bool Svg() const { return fSvg; }        // the vector recorder: no composition modes
    bool Raster() const { return fRaster; }  // the raster engine: texts from shaped glyphs

    // --- settings sent to the target --------------------------------------------------------
    // Pen, brush, composition of the pen's mode and the text background.
    void ApplyPen(QPainter& target, const TCanvasPen& pen, const TCanvasBrush& brush, int backMode, TColor backColor);
    // Plain composition, transparent background, the font (known by its
    // serial) and a pen of colour c.
    void ApplyText(QPainter& target, const QFont& font, std::uint64_t fontSerial, TColor c);
    void ApplyComposition(QPainter& target, QPainter::CompositionMode mode)
    {
        if (!fHintsSet || fComposition != mode)
            SetHintsAndComposition(target, mode);
    }
    void ApplyNoPen(QPainter& target);
    // Hatched brushes show the text background behind their lines in opaque mode.
    void ApplyBackground(QPainter& target, int backMode, TColor backColor);

    // --- colours ---------------------------------------------------------------------------------
    const QColor& PenColor(TColor c)
    {
        if (c != fPenColorKey)
            ConvertPenColor(c);
        return fPenColor;
    }
    const QColor& BrushColor(TColor c)
    {
        if (c != fBrushColorKey)
            ConvertBrushColor(c);
        return fBrushColor;
    }

    // --- the canvas' settings as Qt's ----------------------------------------------------------------
    static QPen MakePen(const TCanvasPen& pen);
    static QBrush MakeBrush(const TCanvasBrush& brush);
    static QPainter::CompositionMode CompositionFor(TPenMode mode)
    {
        switch (mode) {
        case pmNotCopy:
            return QPainter::RasterOp_NotSource;
        case pmXor:
            return QPainter::RasterOp_SourceXorDestination;
        case pmNotXor:
            return QPainter::RasterOp_NotSourceXorDestination;
        case pmMerge:
            return QPainter::RasterOp_SourceOrDestination;
        case pmMask:
            return QPainter::RasterOp_SourceAndDestination;
        case pmCopy:
        default:
            return QPainter::CompositionMode_SourceOver;
        }
    }

private:
    void SetHintsAndComposition(QPainter& target, QPainter::CompositionMode mode);
    void ConvertPenColor(TColor c);
    void ConvertBrushColor(TColor c);

    // the target
    QPaintEngine* fEngine = nullptr;
    bool fSvg = false;
    bool fRaster = false;
    // what it was given
    bool fHintsSet = false;
    int fComposition = -1;
    int fPenKind = 0;  // 0 unknown, 1 none, 2 drawing pen, 3 text pen
    TColor fPenStateColor = 0;
    int fPenWidth = 0;
    TPenStyle fPenStyle = psSolid;
    bool fPenAlternate = false;
    bool fBrushKnown = false;
    TColor fBrushStateColor = 0;
    TBrushStyle fBrushStyle = bsSolid;
    qint64 fBrushBitmap = 0;
    int fBackMode = -1;
    TColor fBackColor = 0;
    std::uint64_t fFontSerial = 0;
    // colour conversions
    TColor fPenColorKey = clNone;
    QColor fPenColor;
    TColor fBrushColorKey = clNone;
    QColor fBrushColor;
};
