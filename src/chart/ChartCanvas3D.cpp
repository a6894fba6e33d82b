#include "chart/ChartCanvas3D.h"

#include "chart/ChartMath.h"
#include "chart/View3DOptions.h"

#include <QLineF>
#include <QLinearGradient>
#include <QPaintEngine>
#include <QPolygon>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

QString ToQString(const std::string& s)
{
    // Chart texts are 8-bit characters; every byte maps to one character.
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// Cuts the line to the part inside r (right and bottom exclusive); false when none is.
bool ClipLineToRect(QLineF& line, const TRect& r)
{
    const double dx = line.dx(), dy = line.dy();
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {line.x1() - r.Left, r.Right - line.x1(), line.y1() - r.Top, r.Bottom - line.y1()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1)
        return false;
    const QPointF a = line.p1();
    line = QLineF(a.x() + t0 * dx, a.y() + t0 * dy, a.x() + t1 * dx, a.y() + t1 * dy);
    return true;
}

// Printable ASCII only: no tabs, control characters or characters that
// another font would have to supply.
bool IsPlainText(const std::string& text)
{
    for (const char c : text)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

// No scaling, shearing or perspective; turned, if at all, by right angles.
bool IsRightAngled(const QTransform& t)
{
    const auto unit = [](qreal v) { return v == 0.0 || v == 1.0 || v == -1.0; };
    return unit(t.m11()) && unit(t.m12()) && unit(t.m21()) && unit(t.m22()) && t.m13() == 0.0 && t.m23() == 0.0 &&
           t.m33() == 1.0 && std::abs(t.m11()) != std::abs(t.m12()) && std::abs(t.m21()) != std::abs(t.m22()) &&
           t.m11() * t.m21() + t.m12() * t.m22() == 0.0;
}

bool IsPlainPenStyle(TPenStyle s)
{
    return s == psSolid || s == psInsideFrame;
}

QPainter::CompositionMode CompositionFor(TPenMode m)
{
    switch (m) {
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmCopy:
    default: return QPainter::CompositionMode_SourceOver;
    }
}

}  // namespace

TChartCanvas3D::TChartCanvas3D(std::function<void()> repaintRequest) : fRepaintRequest(std::move(repaintRequest)) {}

TChartCanvas3D::~TChartCanvas3D()
{
    if (fBufferPainter && fBufferPainter->isActive())
        fBufferPainter->end();
}

void TChartCanvas3D::Retarget(QPainter* target)
{
    fTarget = target;
    fClip.reset();
    ForgetTargetState();
    if (fTarget && fTarget->device()) {
        const int dpi = fTarget->device()->logicalDpiY();
        if (dpi > 0)
            fFont.SetPixelsPerInch(dpi);
    }
}

// --- settings -------------------------------------------------------------------------------

void TChartCanvas3D::SetTextBackColor(TColor c)
{
    fTextBackColor = c;
}

void TChartCanvas3D::SetTextBackMode(int mode)
{
    fTextBackMode = mode;
}

void TChartCanvas3D::SetMonochrome(bool v)
{
    if (v == fMonochrome)
        return;
    fMonochrome = v;
    DropBuffer();
    fDirty = true;
    if (fRepaintRequest)
        fRepaintRequest();
}

void TChartCanvas3D::SetTextAlignFlags(int flags)
{
    fTextAlign = flags;
}

void TChartCanvas3D::SetUseOffscreenBuffer(bool v)
{
    fUseBuffer = v;
    if (!v && HasBuffer()) {
        DropBuffer();
        fDirty = true;
    }
}

void TChartCanvas3D::DropBuffer()
{
    if (fBufferPainter) {
        if (fTarget == fBufferPainter.get())
            fTarget = nullptr;
        if (fBufferPainter->isActive())
            fBufferPainter->end();
        fBufferPainter.reset();
    }
    fBuffer = QImage();
}

// --- painter state ------------------------------------------------------------------------------

QPen TChartCanvas3D::MakeQPen() const
{
    if (fPen.Style == psClear)
        return QPen(Qt::NoPen);
    QPen p(ToQColor(fPen.Color));
    const int w = fPen.Width <= 1 ? 1 : fPen.Width;
    p.setWidth(w);
    p.setCapStyle(w == 1 ? Qt::FlatCap : Qt::RoundCap);
    p.setJoinStyle(w == 1 ? Qt::MiterJoin : Qt::RoundJoin);
    if (fPen.Alternate) {
        p.setDashPattern({1.0, 1.0});
        return p;
    }
    switch (fPen.Style) {
    case psDash: p.setStyle(Qt::DashLine); break;
    case psDot: p.setStyle(Qt::DotLine); break;
    case psDashDot: p.setStyle(Qt::DashDotLine); break;
    case psDashDotDot: p.setStyle(Qt::DashDotDotLine); break;
    default: p.setStyle(Qt::SolidLine); break;
    }
    return p;
}

QBrush TChartCanvas3D::MakeQBrush() const
{
    if (!fBrush.Bitmap.isNull())
        return QBrush(fBrush.Bitmap);
    const QColor c = ToQColor(fBrush.Color);
    switch (fBrush.Style) {
    case bsClear: return QBrush(Qt::NoBrush);
    case bsHorizontal: return QBrush(c, Qt::HorPattern);
    case bsVertical: return QBrush(c, Qt::VerPattern);
    case bsFDiagonal: return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal: return QBrush(c, Qt::BDiagPattern);
    case bsCross: return QBrush(c, Qt::CrossPattern);
    case bsDiagCross: return QBrush(c, Qt::DiagCrossPattern);
    case bsSolid:
    default: return QBrush(c);
    }
}

void TChartCanvas3D::ForgetTargetState()
{
    fTargetState = TTargetState();
    // System colours follow the palette, which may have changed since.
    fPenQColorKey = clNone;
    fBrushQColorKey = clNone;
    if (fTarget) {
        fTargetState.Engine = fTarget->paintEngine();
        const QPaintEngine::Type type = fTargetState.Engine ? fTargetState.Engine->type() : QPaintEngine::User;
        fTargetState.Svg = type == QPaintEngine::SVG;
        fTargetState.Raster = type == QPaintEngine::Raster;
    }
}

void TChartCanvas3D::SetTargetHintsAndComposition(QPainter::CompositionMode mode)
{
    TTargetState& t = fTargetState;
    if (!t.HintsSet) {
        fTarget->setRenderHint(QPainter::Antialiasing, false);
        t.HintsSet = true;
    }
    // The vector recorder knows no composition modes.
    if (!t.Svg && t.Composition != mode) {
        fTarget->setCompositionMode(mode);
        t.Composition = mode;
    }
}

void TChartCanvas3D::ConvertPenColor()
{
    fPenQColor = ToQColor(fPen.Color);
    fPenQColorKey = fPen.Color;
}

void TChartCanvas3D::ConvertBrushColor()
{
    fBrushQColor = ToQColor(fBrush.Color);
    fBrushQColorKey = fBrush.Color;
}

void TChartCanvas3D::ApplyNoPenToTarget()
{
    if (fTargetState.PenKind != 1) {
        fTarget->setPen(Qt::NoPen);
        fTargetState.PenKind = 1;
    }
}

void TChartCanvas3D::ApplyBackgroundToTarget()
{
    // Hatched brushes show the text background behind their lines in opaque mode.
    TTargetState& t = fTargetState;
    if (fTextBackMode == tbmOpaque) {
        if (t.BackMode != Qt::OpaqueMode) {
            fTarget->setBackgroundMode(Qt::OpaqueMode);
            t.BackMode = Qt::OpaqueMode;
            t.BackColor = clNone;
        }
        if (t.BackColor != fTextBackColor) {
            fTarget->setBackground(ToQColor(fTextBackColor));
            t.BackColor = fTextBackColor;
        }
    } else if (t.BackMode != Qt::TransparentMode) {
        fTarget->setBackgroundMode(Qt::TransparentMode);
        t.BackMode = Qt::TransparentMode;
    }
}

void TChartCanvas3D::ApplyPenToTarget()
{
    CheckTargetEngine();
    TTargetState& t = fTargetState;
    ApplyCompositionToTarget(CompositionFor(fPen.Mode));
    if (fPen.Style == psClear) {
        ApplyNoPenToTarget();
    } else if (t.PenKind != 2 || t.PenColor != fPen.Color || t.PenWidth != fPen.Width || t.PenStyle != fPen.Style ||
               t.PenAlternate != fPen.Alternate) {
        fTarget->setPen(MakeQPen());
        t.PenKind = 2;
        t.PenColor = fPen.Color;
        t.PenWidth = fPen.Width;
        t.PenStyle = fPen.Style;
        t.PenAlternate = fPen.Alternate;
    }
    const qint64 bitmap = fBrush.Bitmap.isNull() ? 0 : fBrush.Bitmap.cacheKey();
    if (!t.BrushKnown || t.BrushColor != fBrush.Color || t.BrushStyle != fBrush.Style || t.BrushBitmap != bitmap) {
        fTarget->setBrush(MakeQBrush());
        t.BrushKnown = true;
        t.BrushColor = fBrush.Color;
        t.BrushStyle = fBrush.Style;
        t.BrushBitmap = bitmap;
    }
    ApplyBackgroundToTarget();
}

void TChartCanvas3D::ApplyTextStateToTarget(TColor c)
{
    CheckTargetEngine();
    TTargetState& t = fTargetState;
    ApplyCompositionToTarget(QPainter::CompositionMode_SourceOver);
    TFontEntry& font = CurrentFont();
    if (t.FontSerial != font.Serial) {
        fTarget->setFont(font.Font);
        t.FontSerial = font.Serial;
    }
    if (t.BackMode != Qt::TransparentMode) {
        fTarget->setBackgroundMode(Qt::TransparentMode);  // an opaque text background is filled by PutText
        t.BackMode = Qt::TransparentMode;
    }
    if (t.PenKind != 3 || t.PenColor != c) {
        fTarget->setPen(ToQColor(c));
        t.PenKind = 3;
        t.PenColor = c;
    }
}

// --- fonts and texts ----------------------------------------------------------------------------------

TChartCanvas3D::TFontEntry& TChartCanvas3D::CurrentFont()
{
    const int pixelSize = std::max(1, fFont.PixelSize());
    const auto matches = [&](const TFontEntry& e) {
        return e.PixelSize == pixelSize && e.Style == fFont.Style() && e.Name == fFont.Name();
    };
    if (fCurrentFont && matches(*fCurrentFont))
        return *fCurrentFont;
    for (const std::unique_ptr<TFontEntry>& e : fFonts) {
        if (matches(*e)) {
            fCurrentFont = e.get();
            return *e;
        }
    }
    // A chart uses a handful of fonts; a canvas that meets ever new ones starts afresh.
    constexpr std::size_t mostFonts = 32;
    if (fFonts.size() >= mostFonts) {
        fFonts.clear();
        fTargetState.FontSerial = 0;
    }
    auto e = std::make_unique<TFontEntry>();
    e->Name = fFont.Name();
    e->PixelSize = pixelSize;
    e->Style = fFont.Style();
    e->Font = fFont.ToQFont();
    e->Metrics = QFontMetrics(e->Font);
    e->Ascent = e->Metrics.ascent();
    e->Descent = e->Metrics.descent();
    e->Height = e->Metrics.height();
    e->Serial = fNextFontSerial++;
    fFonts.push_back(std::move(e));
    fCurrentFont = fFonts.back().get();
    return *fCurrentFont;
}

TChartCanvas3D::TTextEntry& TChartCanvas3D::TextEntry(const std::string& text)
{
    TFontEntry& font = CurrentFont();
    const auto found = font.Texts.find(text);
    if (found != font.Texts.end())
        return found->second;
    // Labels repeat from pass to pass; texts that never do are not kept for ever.
    constexpr std::size_t mostTexts = 4096;
    if (font.Texts.size() >= mostTexts)
        font.Texts.clear();
    TTextEntry& e = font.Texts[text];
    e.Text = ToQString(text);
    e.Width = font.Metrics.horizontalAdvance(e.Text);
    return e;
}

const QList<QGlyphRun>& TChartCanvas3D::Glyphs(TTextEntry& entry)
{
    if (entry.Shaped)
        return entry.Glyphs;
    entry.Shaped = true;
    // The glyphs the painter places for this text drawn with its baseline
    // origin at (0, 0): laid out once on one line and moved up by its ascent.
    QTextLayout layout(entry.Text, CurrentFont().Font);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return entry.Glyphs;
    }
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    const qreal ascent = line.ascent();
    entry.Glyphs = layout.glyphRuns();
    for (QGlyphRun& run : entry.Glyphs) {
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions)
            p.ry() -= ascent;
        run.setPositions(positions);
    }
    return entry.Glyphs;
}

// --- primitives ---------------------------------------------------------------------------------------

void TChartCanvas3D::PlotPixel(int x, int y, TColor c)
{
    if (!fTarget)
        return;
    if (NeedsSoftClip() && !fClip->Contains(x, y))
        return;
    fTarget->fillRect(QRect(x, y, 1, 1), ToQColor(c));
}

void TChartCanvas3D::DrawGraphic(int x, int y, const QImage& picture)
{
    if (!fTarget || picture.isNull() || picture.width() == 0 || picture.height() == 0)
        return;
    SetTextBackColor(fBrush.Color);
    fTextColor = fFont.Color();
    if (picture.depth() != 1) {
        fTarget->drawImage(x, y, picture);
        return;
    }
    QImage twoColours = picture;
    twoColours.setColorCount(2);
    twoColours.setColor(0, ToQColor(fTextColor).rgb());
    twoColours.setColor(1, ToQColor(fTextBackColor).rgb());
    fTarget->drawImage(x, y, twoColours);
}

void TChartCanvas3D::StretchGraphic(const TRect& r, const QImage& picture)
{
    if (!fTarget || picture.isNull())
        return;
    fTarget->drawImage(r.ToQRect(), picture);
}

void TChartCanvas3D::DrawEllipse(const TRect& box)
{
    if (!fTarget)
        return;
    ApplyPenToTarget();
    fTarget->drawEllipse(QRect(box.Left, box.Top, box.Width() - 1, box.Height() - 1));
}

void TChartCanvas3D::FillArea(const TRect& in)
{
    if (!fTarget || fBrush.Style == bsClear)
        return;
    TRect r(std::min(in.Left, in.Right), std::min(in.Top, in.Bottom), std::max(in.Left, in.Right),
            std::max(in.Top, in.Bottom));
    if (NeedsSoftClip() && !IntersectRect(r, *fClip, r))
        return;
    if (r.IsEmpty())
        return;
    // A fill depends on the composition and, for hatches, on the background;
    // it brings its own brush.
    CheckTargetEngine();
    ApplyCompositionToTarget(CompositionFor(fPen.Mode));
    if (fBrush.Style == bsSolid && fBrush.Bitmap.isNull()) {
        fTarget->fillRect(r.ToQRect(), BrushQColor());
        return;
    }
    ApplyBackgroundToTarget();
    fTarget->fillRect(r.ToQRect(), MakeQBrush());
}

void TChartCanvas3D::ClearArea(const TRect& r)
{
    FillArea(r);
}

void TChartCanvas3D::BevelFrame(const TRect& rect, TColor topLeft, int count, TColor bottomRight)
{
    fPen.Style = psSolid;
    fPen.Width = 1;
    fPen.Alternate = false;
    TRect r(rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1);
    for (int i = 0; i < count; ++i) {
        fPen.Color = topLeft;
        LineRaw(r.Left, r.Bottom, r.Left, r.Top);
        LineRaw(r.Left, r.Top, r.Right, r.Top);
        fPen.Color = bottomRight;
        LineRaw(r.Right, r.Top, r.Right, r.Bottom);
        LineRaw(r.Right, r.Bottom, r.Left - 1, r.Bottom);
        ++r.Left;
        ++r.Top;
        --r.Right;
        --r.Bottom;
    }
}

void TChartCanvas3D::PenMoveTo(int x, int y)
{
    fPenPos = TPoint(x, y);
}

void TChartCanvas3D::PenLineTo(int x, int y)
{
    LineRaw(fPenPos.X, fPenPos.Y, x, y);
}

void TChartCanvas3D::DrawSegment(int x0, int y0, int x1, int y1)
{
    LineRaw(x0, y0, x1, y1);
}

void TChartCanvas3D::DrawHLine(int left, int right, int y)
{
    LineRaw(left, y, right, y);
}

void TChartCanvas3D::DrawVLine(int x, int top, int bottom)
{
    LineRaw(x, top, x, bottom);
}

// A line from (x0, y0) to (x1, y1) without its end pixel; the pen position moves to the end.
void TChartCanvas3D::LineRaw(int x0, int y0, int x1, int y1)
{
    fPenPos = TPoint(x1, y1);
    if (!fTarget || fPen.Style == psClear || (x0 == x1 && y0 == y1))
        return;
    const bool thin = fPen.Width <= 1;
    const bool axisAligned = x0 == x1 || y0 == y1;
    if (thin && axisAligned) {
        // Inclusive pixel span from the start up to the pixel before the end.
        int ax = x0, ay = y0, bx = x1, by = y1;
        if (x0 == x1)
            by += (y1 > y0) ? -1 : 1;
        else
            bx += (x1 > x0) ? -1 : 1;
        TRect span(std::min(ax, bx), std::min(ay, by), std::max(ax, bx) + 1, std::max(ay, by) + 1);
        if (NeedsSoftClip() && !IntersectRect(span, *fClip, span))
            return;
        if (IsPlainPenStyle(fPen.Style) && !fPen.Alternate) {
            // A plain one-pixel line along a row or column is a fill of its pixels.
            CheckTargetEngine();
            ApplyCompositionToTarget(CompositionFor(fPen.Mode));
            fTarget->fillRect(span.ToQRect(), PenQColor());
            return;
        }
        ApplyPenToTarget();
        if (span.Height() == 1) {
            fTarget->drawLine(span.Left, span.Top, span.Right, span.Top);
        } else {
            fTarget->drawLine(span.Left, span.Top, span.Left, span.Bottom);
        }
        return;
    }
    ApplyPenToTarget();
    // A line with a far-off end (a value far outside the axis range) is left to the
    // painter, which clips it first; walking it pixel by pixel would cost 2^28 steps.
    constexpr std::int64_t longestWalkedLine = 1 << 16;
    const std::int64_t extent =
        std::max(std::abs(std::int64_t{x1} - x0), std::abs(std::int64_t{y1} - y0));
    if (thin && IsPlainPenStyle(fPen.Style) && !fPen.Alternate && extent <= longestWalkedLine) {
        // Bresenham from the start, leaving out the end pixel.
        QPolygon& pts = fLinePoints;
        pts.clear();
        int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        int x = x0, y = y0;
        const bool softClip = NeedsSoftClip();
        while (!(x == x1 && y == y1)) {
            if (!softClip || fClip->Contains(x, y))
                pts << QPoint(x, y);
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
        fTarget->drawPoints(pts);
        return;
    }
    if (!NeedsSoftClip()) {
        fTarget->drawLine(x0, y0, x1, y1);
        return;
    }
    QLineF line(x0, y0, x1, y1);
    if (ClipLineToRect(line, *fClip))
        fTarget->drawLine(line);
}

void TChartCanvas3D::DrawBox(int left, int top, int right, int bottom)
{
    if (!fTarget)
        return;
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    if (fPen.Style == psClear) {
        // Without an outline the platform fills one pixel less on the right and bottom.
        FillArea(TRect(left, top, right - 1, bottom - 1));
        return;
    }
    if (right - left < 1 || bottom - top < 1)
        return;
    if (fPen.Width <= 1 && IsPlainPenStyle(fPen.Style) && !fPen.Alternate) {
        FillArea(TRect(left + 1, top + 1, right - 1, bottom - 1));
        LineRaw(left, top, right, top);                   // top row l..r-1
        LineRaw(left, bottom - 1, right, bottom - 1);     // bottom row
        LineRaw(left, top, left, bottom);                 // left column t..b-1
        LineRaw(right - 1, top, right - 1, bottom);       // right column
        return;
    }
    ApplyPenToTarget();
    fTarget->drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TChartCanvas3D::DrawBoxRect(const TRect& r)
{
    DrawBox(r.Left, r.Top, r.Right, r.Bottom);
}

void TChartCanvas3D::DrawPolygon(const std::vector<TPoint>& points)
{
    if (!fTarget || points.size() < 2)
        return;
    if (fBrush.Style != bsClear) {
        QPolygon& poly = fLinePoints;
        poly.clear();
        for (const TPoint& p : points)
            poly << QPoint(p.X, p.Y);
        ApplyPenToTarget();
        ApplyNoPenToTarget();
        fTarget->drawPolygon(poly);
    }
    if (fPen.Style == psClear)
        return;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const TPoint& a = points[i];
        const TPoint& b = points[(i + 1) % points.size()];
        LineRaw(a.X, a.Y, b.X, b.Y);
    }
}

void TChartCanvas3D::GradientArea(const TRect& r, TColor startColor, TGradientDirection direction, TColor endColor)
{
    if (!fTarget || r.IsEmpty())
        return;
    QPointF from, to;
    switch (direction) {
    case gdBottomTop: from = QPointF(r.Left, r.Bottom); to = QPointF(r.Left, r.Top); break;
    case gdLeftRight: from = QPointF(r.Left, r.Top); to = QPointF(r.Right, r.Top); break;
    case gdRightLeft: from = QPointF(r.Right, r.Top); to = QPointF(r.Left, r.Top); break;
    case gdTopBottom:
    default: from = QPointF(r.Left, r.Top); to = QPointF(r.Left, r.Bottom); break;
    }
    QLinearGradient g(from, to);
    g.setColorAt(0, ToQColor(startColor));
    g.setColorAt(1, ToQColor(endColor));
    fTarget->fillRect(r.ToQRect(), QBrush(g));
}

void TChartCanvas3D::MarkDirty()
{
    fDirty = true;
}

// --- text --------------------------------------------------------------------------------------------------

void TChartCanvas3D::PutText(int x, int y, const std::string& text)
{
    if (!fTarget)
        return;
    TTextEntry& e = TextEntry(text);
    const TFontEntry& font = CurrentFont();
    const int w = e.Width;
    int left = x;
    if ((fTextAlign & TA_CENTER) == TA_CENTER)
        left = x - w / 2;
    else if (fTextAlign & TA_RIGHT)
        left = x - w;
    int baseline;
    if ((fTextAlign & TA_BASELINE) == TA_BASELINE)
        baseline = y;
    else if (fTextAlign & TA_BOTTOM)
        baseline = y - font.Descent;
    else
        baseline = y + font.Ascent;
    fTextColor = fFont.Color();
    ApplyTextStateToTarget(fTextColor);
    // A clear brush makes text transparent whatever the background mode: an
    // opaque background shows only while the brush is not clear.
    if (fTextBackMode == tbmOpaque && fBrush.Style != bsClear)
        fTarget->fillRect(QRect(left, baseline - font.Ascent, w, font.Height), ToQColor(fTextBackColor));
    if (fTargetState.Raster && IsPlainText(text) && IsRightAngled(fTarget->combinedTransform())) {
        // The raster engine places the glyphs shaped once for this text exactly
        // where it places those of the same text shaped anew: the positions
        // are sums of integers and 64ths, turned only by right angles.
        const QPointF origin(left, baseline);
        for (const QGlyphRun& run : Glyphs(e))
            fTarget->drawGlyphRun(origin, run);
        return;
    }
    fTarget->drawText(QPoint(left, baseline), e.Text);
}

int TChartCanvas3D::MeasureTextWidth(const std::string& text)
{
    return TextEntry(text).Width;
}

TRect TChartCanvas3D::TextBox(int x, int y, int align, int angle, const std::string& text)
{
    // The line box relative to (x, y), placed as PutText places the line.
    const int w = TextEntry(text).Width;
    const TFontEntry& font = CurrentFont();
    int left = 0;
    if ((align & TA_CENTER) == TA_CENTER)
        left = -(w / 2);
    else if (align & TA_RIGHT)
        left = -w;
    int baseline;
    if ((align & TA_BASELINE) == TA_BASELINE)
        baseline = 0;
    else if (align & TA_BOTTOM)
        baseline = -font.Descent;
    else
        baseline = font.Ascent;
    const int top = baseline - font.Ascent;
    const int right = left + w;
    const int bottom = top + font.Height;
    // Turned as PutRotatedText turns it (y grows downwards: a positive angle
    // turns anticlockwise on the page); right angles exactly.
    if (angle > 360)
        angle -= 360;
    switch (angle) {
    case 0:
    case 360: return TRect(x + left, y + top, x + right, y + bottom);
    case 90: return TRect(x + top, y - right, x + bottom, y - left);
    case 180: return TRect(x - right, y - bottom, x - left, y - top);
    case 270: return TRect(x - bottom, y + left, x - top, y + right);
    default: break;
    }
    QTransform turn;
    turn.translate(x, y);
    turn.rotate(-angle);
    const QRectF r = turn.mapRect(QRectF(left, top, right - left, bottom - top));
    constexpr double slack = 1e-9;
    return TRect(static_cast<int>(std::floor(r.left() + slack)), static_cast<int>(std::floor(r.top() + slack)),
                 static_cast<int>(std::ceil(r.right() - slack)), static_cast<int>(std::ceil(r.bottom() - slack)));
}

int TChartCanvas3D::MeasureTextHeight(const std::string& /*text*/)
{
    return CurrentFont().Height;
}

int TChartCanvas3D::LineHeight()
{
    return MeasureTextHeight("W");
}

void TChartCanvas3D::PutRotatedText(int x, int y, int angle, const std::string& text)
{
    fBrush.Style = bsClear;
    if (angle > 360)
        angle -= 360;
    fLastEscapement = angle * 10;
    const int savedHeight = ZoomFont();
    if (fTarget) {
        // Only the transform changes around the text; the settings the text
        // gives the painter stay, and the canvas knows them.
        const QTransform saved = fTarget->worldTransform();
        QTransform turned = saved;
        turned.translate(x, y);
        turned.rotate(-angle);
        fTarget->setWorldTransform(turned);
        PutText(0, 0, text);
        fTarget->setWorldTransform(saved);
    }
    fFont.SetHeight(savedHeight);
}

// --- clipping -------------------------------------------------------------------------------------------------

void TChartCanvas3D::ClipToRect(const TRect& r)
{
    TRect clip = r;
    if (fClip && !IntersectRect(*fClip, r, clip))
        clip = TRect(r.Left, r.Top, r.Left, r.Top);  // nothing left visible
    fClip = clip;
    if (fTarget)
        fTarget->setClipRect(clip.IsEmpty() ? QRect(clip.Left, clip.Top, 0, 0) : clip.ToQRect(), Qt::ReplaceClip);
}

void TChartCanvas3D::RemoveClip()
{
    fClip.reset();
    if (fTarget)
        fTarget->setClipping(false);
}

void TChartCanvas3D::ClipToPlot(const TRect& r, int /*z0*/, int /*z1*/)
{
    ClipToRect(TRect(r.Left + 1, r.Top + 1, r.Right, r.Bottom - 1));
}

// --- depth ------------------------------------------------------------------------------------------------------

void TChartCanvas3D::PlotPixelAtDepth(int x, int y, TColor c, int z)
{
    const TPoint p = ProjectPoint(x, y, z);
    if (fPen.Width <= 1) {
        PlotPixel(p.X, p.Y, c);
        return;
    }
    if (!fTarget)
        return;
    ApplyPenToTarget();
    fTarget->drawPoint(p.X, p.Y);
}

TPoint TChartCanvas3D::ProjectPoint(int x, int y, int z) const
{
    if (!fDepthOn)
        return TPoint(x, y);
    return TPoint(RoundHalfEven(fZoom * (x + z - fCenterX)) + fOffsetX,
                  RoundHalfEven(fZoom * (y - fCenterY - z)) + fOffsetY);
}

void TChartCanvas3D::UnprojectPoint(int& x, int& y, int z) const
{
    if (!fDepthOn || fZoom == 0.0)
        return;
    x = RoundHalfEven((x - fOffsetX) / fZoom) + fCenterX - z;
    y = RoundHalfEven((y - fOffsetY) / fZoom) + fCenterY + z;
}

void TChartCanvas3D::BeginDrawing(QPainter& destination, TView3DOptions* options, TRect& drawingRect,
                                  const TRect& requested, bool depthOn)
{
    fPassBounds = requested;
    fOptions = options;
    fDepthOn = depthOn;
    fOrthogonal = false;
    fZoom = 1.0;
    if (fDepthOn && fOptions) {
        fOrthogonal = fOptions->Orthogonal();
        fZoom = fOptions->Zoom() / 100.0;
        fZoomText = fOptions->ZoomText();
    }
    if (!fUseBuffer) {
        Retarget(&destination);
        drawingRect = requested;
        return;
    }
    const int w = std::max(1, requested.Width());
    const int h = std::max(1, requested.Height());
    if (HasBuffer() && (fBuffer.width() != w || fBuffer.height() != h))
        DropBuffer();
    if (!HasBuffer()) {
        fBuffer = QImage(w, h, QImage::Format_RGB32);
        fBuffer.fill(Qt::white);
        ++fBufferCreations;
    }
    if (!fBufferPainter)
        fBufferPainter = std::make_unique<QPainter>();
    if (!fBufferPainter->isActive())
        fBufferPainter->begin(&fBuffer);
    fBufferPainter->setRenderHint(QPainter::Antialiasing, false);
    Retarget(fBufferPainter.get());
    drawingRect = TRect(0, 0, w, h);
}

void TChartCanvas3D::CopySettings(const TChartCanvas3D& other)
{
    fMonochrome = other.fMonochrome;
}

void TChartCanvas3D::SetProjection(int depthSize, const TRect& /*passBounds*/, const TRect& plotRect)
{
    fCenterX = (plotRect.Left + plotRect.Right) / 2;
    fCenterY = (plotRect.Top + plotRect.Bottom) / 2;
    fCenterZ = depthSize / 2;
    fOffsetX = fCenterX + (fOptions ? fOptions->HorizOffset() : 0);
    fOffsetY = fCenterY + (fOptions ? fOptions->VertOffset() : 0);
    fPerspective = (fOptions && fOptions->Perspective() > 0) ? fOptions->Perspective() / 35000.0 : 0.0;
}

void TChartCanvas3D::EndDrawing(QPainter& destination, QPainter* windowCanvas, const TRect& requested)
{
    if (fUseBuffer && HasBuffer()) {
        if (fBufferPainter && fBufferPainter->isActive())
            fBufferPainter->end();
        if (fTarget == fBufferPainter.get())
            fTarget = nullptr;
        if (fMonochrome) {
            // A monochrome buffer holds one bit per pixel.
            fBuffer = fBuffer.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)
                          .convertToFormat(QImage::Format_RGB32);
        }
        const QPainter::CompositionMode mode = destination.compositionMode();
        if (destination.paintEngine() && destination.paintEngine()->type() != QPaintEngine::SVG)
            destination.setCompositionMode(QPainter::CompositionMode_Source);
        destination.drawImage(requested.Left, requested.Top, fBuffer);
        if (destination.paintEngine() && destination.paintEngine()->type() != QPaintEngine::SVG)
            destination.setCompositionMode(mode);
        fDirty = false;
    }
    Retarget(windowCanvas);
}

bool TChartCanvas3D::RepaintFromBuffer()
{
    if (fDirty || !HasBuffer())
        return false;
    if (fTarget) {
        const QPainter::CompositionMode mode = fTarget->compositionMode();
        fTarget->setCompositionMode(QPainter::CompositionMode_Source);
        fTarget->drawImage(0, 0, fBuffer);
        fTarget->setCompositionMode(mode);
    }
    return true;
}

void TChartCanvas3D::DrawHLineAtDepth(int left, int right, int y, int z)
{
    const TPoint a = ProjectPoint(left, y, z);
    const TPoint b = ProjectPoint(right, y, z);
    DrawHLine(a.X, b.X, a.Y);
}

void TChartCanvas3D::DrawVLineAtDepth(int x, int top, int bottom, int z)
{
    const TPoint a = ProjectPoint(x, top, z);
    const TPoint b = ProjectPoint(x, bottom, z);
    DrawVLine(a.X, a.Y, b.Y);
}

void TChartCanvas3D::SuspendProjection()
{
    fDepthSaved = fDepthOn;
    fDepthOn = false;
}

void TChartCanvas3D::ResumeProjection()
{
    fDepthOn = fDepthSaved;
}

void TChartCanvas3D::DrawSegmentAtDepth(int x0, int y0, int x1, int y1, int z)
{
    const TPoint a = ProjectPoint(x0, y0, z);
    const TPoint b = ProjectPoint(x1, y1, z);
    DrawSegment(a.X, a.Y, b.X, b.Y);
}

void TChartCanvas3D::PenMoveToAtDepth(int x, int y, int z)
{
    const TPoint p = ProjectPoint(x, y, z);
    PenMoveTo(p.X, p.Y);
}

void TChartCanvas3D::PenLineToAtDepth(int x, int y, int z)
{
    const TPoint p = ProjectPoint(x, y, z);
    PenLineTo(p.X, p.Y);
}

void TChartCanvas3D::DrawBoxAtDepth(const TRect& r, int z)
{
    DrawPolygon({ProjectPoint(r.Left, r.Top, z), ProjectPoint(r.Right, r.Top, z), ProjectPoint(r.Right, r.Bottom, z),
                 ProjectPoint(r.Left, r.Bottom, z)});
}

void TChartCanvas3D::PutRotatedTextAtDepth(int x, int y, int z, int angle, const std::string& text)
{
    const TPoint p = ProjectPoint(x, y, z);
    PutRotatedText(p.X, p.Y, angle, text);
}

void TChartCanvas3D::PutTextAtDepth(int x, int y, int z, const std::string& text)
{
    const TPoint p = ProjectPoint(x, y, z);
    const int savedHeight = ZoomFont();
    PutText(p.X, p.Y, text);
    fFont.SetHeight(savedHeight);
}

int TChartCanvas3D::ZoomFont()
{
    const int height = fFont.Height();
    if (fZoomText && fZoom != 1.0) {
        const int size = std::max(1, RoundHalfEven(fFont.Size() * fZoom));
        fFont.SetHeight(-(size * fFont.PixelsPerInch() / 72));
    }
    return height;
}

// --- helpers ----------------------------------------------------------------------------------------------------

void TChartCanvas3D::ApplyChartPen(const TChartPen& pen)
{
    if (!pen.Visible()) {
        fPen.Style = psClear;
        return;
    }
    if (pen.SmallDots() && pen.Width() == 1) {
        fPen.Color = pen.Color();
        fPen.Width = 1;
        fPen.Style = psSolid;
        fPen.Mode = pen.Mode();
        fPen.Alternate = true;
        return;
    }
    fPen.Color = pen.Color();
    fPen.Width = pen.Width();
    fPen.Style = pen.Style();
    fPen.Mode = pen.Mode();
    fPen.Alternate = false;
}

void TChartCanvas3D::ResetDrawingState()
{
    fPen = TCanvasPen();
    fBrush = TCanvasBrush();
    fFont.SetColor(clBlack);
    fFont.SetSize(10);
    fTextBackColor = clWhite;
    fTextBackMode = tbmTransparent;
}
