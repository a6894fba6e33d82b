#include "chart/CanvasPainterState.h"

#include <QPaintEngine>

void TCanvasPainterState::Forget(QPainter* target)
{
    *this = TCanvasPainterState();
    if (target) {
        fEngine = target->paintEngine();
        const QPaintEngine::Type type = fEngine ? fEngine->type() : QPaintEngine::User;
        fSvg = type == QPaintEngine::SVG;
        fRaster = type == QPaintEngine::Raster;
    }
}

// --- settings ---------------------------------------------------------------------------------------

void TCanvasPainterState::SetHintsAndComposition(QPainter& target, QPainter::CompositionMode mode)
{
    if (!fHintsSet) {
        target.setRenderHint(QPainter::Antialiasing, false);
        fHintsSet = true;
    }
    // The vector recorder knows no composition modes.
    if (!fSvg && fComposition != mode) {
        target.setCompositionMode(mode);
        fComposition = mode;
    }
}

void TCanvasPainterState::ApplyNoPen(QPainter& target)
{
    if (fPenKind != 1) {
        target.setPen(Qt::NoPen);
        fPenKind = 1;
    }
}

void TCanvasPainterState::ApplyBackground(QPainter& target, int backMode, TColor backColor)
{
    if (backMode == tbmOpaque) {
        if (fBackMode != Qt::OpaqueMode) {
            target.setBackgroundMode(Qt::OpaqueMode);
            fBackMode = Qt::OpaqueMode;
            fBackColor = clNone;
        }
        if (fBackColor != backColor) {
            target.setBackground(ToQColor(backColor));
            fBackColor = backColor;
        }
    } else if (fBackMode != Qt::TransparentMode) {
        target.setBackgroundMode(Qt::TransparentMode);
        fBackMode = Qt::TransparentMode;
    }
}

void TCanvasPainterState::ApplyPen(QPainter& target, const TCanvasPen& pen, const TCanvasBrush& brush, int backMode,
                                   TColor backColor)
{
    Check(target);
    ApplyComposition(target, CompositionFor(pen.Mode));
    if (pen.Style == psClear) {
        ApplyNoPen(target);
    } else if (fPenKind != 2 || fPenStateColor != pen.Color || fPenWidth != pen.Width || fPenStyle != pen.Style ||
               fPenAlternate != pen.Alternate) {
        target.setPen(MakePen(pen));
        fPenKind = 2;
        fPenStateColor = pen.Color;
        fPenWidth = pen.Width;
        fPenStyle = pen.Style;
        fPenAlternate = pen.Alternate;
    }
    const qint64 bitmap = brush.Bitmap.isNull() ? 0 : brush.Bitmap.cacheKey();
    if (!fBrushKnown || fBrushStateColor != brush.Color || fBrushStyle != brush.Style || fBrushBitmap != bitmap) {
        target.setBrush(MakeBrush(brush));
        fBrushKnown = true;
        fBrushStateColor = brush.Color;
        fBrushStyle = brush.Style;
        fBrushBitmap = bitmap;
    }
    ApplyBackground(target, backMode, backColor);
}

void TCanvasPainterState::ApplyText(QPainter& target, const QFont& font, std::uint64_t fontSerial, TColor c)
{
    Check(target);
    ApplyComposition(target, QPainter::CompositionMode_SourceOver);
    if (fFontSerial != fontSerial) {
        target.setFont(font);
        fFontSerial = fontSerial;
    }
    if (fBackMode != Qt::TransparentMode) {
        target.setBackgroundMode(Qt::TransparentMode);  // an opaque text background is filled by the canvas
        fBackMode = Qt::TransparentMode;
    }
    if (fPenKind != 3 || fPenStateColor != c) {
        target.setPen(ToQColor(c));
        fPenKind = 3;
        fPenStateColor = c;
    }
}

// --- colours ------------------------------------------------------------------------------------------

void TCanvasPainterState::ConvertPenColor(TColor c)
{
    fPenColor = ToQColor(c);
    fPenColorKey = c;
}

void TCanvasPainterState::ConvertBrushColor(TColor c)
{
    fBrushColor = ToQColor(c);
    fBrushColorKey = c;
}

// --- conversions ----------------------------------------------------------------------------------------

QPen TCanvasPainterState::MakePen(const TCanvasPen& pen)
{
    if (pen.Style == psClear)
        return QPen(Qt::NoPen);
    QPen p(ToQColor(pen.Color));
    const int w = pen.Width <= 1 ? 1 : pen.Width;
    p.setWidth(w);
    p.setCapStyle(w == 1 ? Qt::FlatCap : Qt::RoundCap);
    p.setJoinStyle(w == 1 ? Qt::MiterJoin : Qt::RoundJoin);
    if (pen.Alternate) {
        p.setDashPattern({1.0, 1.0});
        return p;
    }
    switch (pen.Style) {
    case psDash:
        p.setStyle(Qt::DashLine);
        break;
    case psDot:
        p.setStyle(Qt::DotLine);
        break;
    case psDashDot:
        p.setStyle(Qt::DashDotLine);
        break;
    case psDashDotDot:
        p.setStyle(Qt::DashDotDotLine);
        break;
    default:
        p.setStyle(Qt::SolidLine);
        break;
    }
    return p;
}

QBrush TCanvasPainterState::MakeBrush(const TCanvasBrush& brush)
{
    if (!brush.Bitmap.isNull())
        return QBrush(brush.Bitmap);
    const QColor c = ToQColor(brush.Color);
    switch (brush.Style) {
    case bsClear:
        return QBrush(Qt::NoBrush);
    case bsHorizontal:
        return QBrush(c, Qt::HorPattern);
    case bsVertical:
        return QBrush(c, Qt::VerPattern);
    case bsFDiagonal:
        return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal:
        return QBrush(c, Qt::BDiagPattern);
    case bsCross:
        return QBrush(c, Qt::CrossPattern);
    case bsDiagCross:
        return QBrush(c, Qt::DiagCrossPattern);
    case bsSolid:
    default:
        return QBrush(c);
    }
}
