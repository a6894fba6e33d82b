#include "chart/ChartCanvas3D.h"

#include "chart/ChartMath.h"
#include "chart/View3DOptions.h"

#include <QLineF>
#include <QLinearGradient>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

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

// The bitmap a painter draws into when the canvas may set its pixels itself:
// a 32-bit picture with nothing of the painter's own between the canvas'
// coordinates and its pixels (no transform, no scale for the device's pixel
// ratio, full opacity). Else null.
QImage* DirectPixels(QPainter& painter)
{
    QPaintDevice* device = painter.device();
    if (device == nullptr || device->devType() != QInternal::Image || painter.opacity() != 1.0 ||
        !painter.deviceTransform().isIdentity())
        return nullptr;
    QImage* image = static_cast<QImage*>(device);
    const QImage::Format f = image->format();
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied
               ? image
               : nullptr;
}

// Sets the pixels of r that lie in the picture to the opaque colour, row by
// row. The painter on the picture writes into the same memory and keeps no
// pixels of its own, so the two stay in step; the memory is reached through
// constBits, which never detaches: it is the memory the painter writes.
void FillRows(QImage& image, const TRect& r, QRgb colour)
{
    const int left = std::max(r.Left, 0);
    const int top = std::max(r.Top, 0);
    const int right = std::min(r.Right, image.width());
    const int bottom = std::min(r.Bottom, image.height());
    if (right <= left || bottom <= top)
        return;
    uchar* row = const_cast<uchar*>(image.constBits()) + top * image.bytesPerLine() + static_cast<qsizetype>(left) * 4;
    const qsizetype stride = image.bytesPerLine();
    const int width = right - left;
    if (width == 1) {
        // A one-pixel column (a grid line, a tick).
        for (int y = top; y < bottom; ++y, row += stride)
            *reinterpret_cast<quint32*>(row) = colour;
        return;
    }
    for (int y = top; y < bottom; ++y, row += stride) {
        quint32* const p = reinterpret_cast<quint32*>(row);
        for (int x = 0; x < width; ++x)
            p[x] = colour;
    }
}

}  // namespace

TChartCanvas3D::TChartCanvas3D(std::function<void()> repaintRequest) : fRepaintRequest(std::move(repaintRequest)) {}

TChartCanvas3D::~TChartCanvas3D() = default;

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
    fBuffer.MarkDirty();
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
        fBuffer.MarkDirty();
    }
}

void TChartCanvas3D::DropBuffer()
{
    if (fTarget != nullptr && fTarget == fBuffer.Painter())
        fTarget = nullptr;
    fBuffer.Drop();
}

// --- painter state ------------------------------------------------------------------------------

void TChartCanvas3D::ForgetTargetState()
{
    fPainterState.Forget(fTarget);
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
    if (fBrush.Style == bsSolid && fBrush.Bitmap.isNull()) {
        FillSolid(r, fPainterState.BrushColor(fBrush.Color));
        return;
    }
    CheckTargetEngine();
    ApplyCompositionToTarget();
    fPainterState.ApplyBackground(*fTarget, fTextBackMode, fTextBackColor);
    fTarget->fillRect(r.ToQRect(), TCanvasPainterState::MakeBrush(fBrush));
}

void TChartCanvas3D::FillSolid(const TRect& r, const QColor& colour)
{
    CheckTargetEngine();
    ApplyCompositionToTarget();
    // A narrow plain copy of an opaque colour into a bitmap, under no clip
    // but the canvas' own, is set row by row here: the pixels the raster
    // engine sets for it, without the engine's work per row, which is most of
    // the cost of the narrow bars, the grid lines and the ticks. Wide fills
    // go to the painter, whose row fill is the faster one.
    constexpr int narrow = 32;
    if (r.Width() <= narrow && fPen.Mode == pmCopy && colour.alpha() == 255 &&
        fTarget->hasClipping() == fClip.has_value()) {
        if (QImage* image = DirectPixels(*fTarget)) {
            TRect visible = r;
            if (fClip && !IntersectRect(r, *fClip, visible))
                return;
            FillRows(*image, visible, colour.rgb());
            return;
        }
    }
    fTarget->fillRect(r.ToQRect(), colour);
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
            FillSolid(span, fPainterState.PenColor(fPen.Color));
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
    const std::int64_t extent = std::max(std::abs(std::int64_t{x1} - x0), std::abs(std::int64_t{y1} - y0));
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
        LineRaw(left, top, right, top);                // top row l..r-1
        LineRaw(left, bottom - 1, right, bottom - 1);  // bottom row
        LineRaw(left, top, left, bottom);              // left column t..b-1
        LineRaw(right - 1, top, right - 1, bottom);    // right column
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
        fPainterState.ApplyNoPen(*fTarget);
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
    case gdBottomTop:
        from = QPointF(r.Left, r.Bottom);
        to = QPointF(r.Left, r.Top);
        break;
    case gdLeftRight:
        from = QPointF(r.Left, r.Top);
        to = QPointF(r.Right, r.Top);
        break;
    case gdRightLeft:
        from = QPointF(r.Right, r.Top);
        to = QPointF(r.Left, r.Top);
        break;
    case gdTopBottom:
    default:
        from = QPointF(r.Left, r.Top);
        to = QPointF(r.Left, r.Bottom);
        break;
    }
    QLinearGradient g(from, to);
    g.setColorAt(0, ToQColor(startColor));
    g.setColorAt(1, ToQColor(endColor));
    fTarget->fillRect(r.ToQRect(), QBrush(g));
}

void TChartCanvas3D::MarkDirty()
{
    fBuffer.MarkDirty();
}

// --- text --------------------------------------------------------------------------------------------------

void TChartCanvas3D::PutText(int x, int y, const std::string& text)
{
    if (!fTarget)
        return;
    TCanvasTextCache::TFont& font = CurrentFont();
    TCanvasTextCache::TText& e = fTexts.TextOf(font, text);
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
    fPainterState.ApplyText(*fTarget, font.Font, font.Serial, fTextColor);
    // A clear brush makes text transparent whatever the background mode: an
    // opaque background shows only while the brush is not clear.
    if (fTextBackMode == tbmOpaque && fBrush.Style != bsClear)
        fTarget->fillRect(QRect(left, baseline - font.Ascent, w, font.Height), ToQColor(fTextBackColor));
    if (fPainterState.Raster() && IsPlainText(text) && IsRightAngled(fTarget->combinedTransform())) {
        // The raster engine places the glyphs shaped once for this text exactly
        // where it places those of the same text shaped anew: the positions
        // are sums of integers and 64ths, turned only by right angles.
        const QPointF origin(left, baseline);
        for (const QGlyphRun& run : fTexts.GlyphsOf(font, e))
            fTarget->drawGlyphRun(origin, run);
        return;
    }
    fTarget->drawText(QPoint(left, baseline), e.Text);
}

int TChartCanvas3D::MeasureTextWidth(const std::string& text)
{
    TCanvasTextCache::TFont& font = CurrentFont();
    return fTexts.TextOf(font, text).Width;
}

TRect TChartCanvas3D::TextBox(int x, int y, int align, int angle, const std::string& text)
{
    // The line box relative to (x, y), placed as PutText places the line.
    TCanvasTextCache::TFont& font = CurrentFont();
    const int w = fTexts.TextOf(font, text).Width;
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
    case 360:
        return TRect(x + left, y + top, x + right, y + bottom);
    case 90:
        return TRect(x + top, y - right, x + bottom, y - left);
    case 180:
        return TRect(x - right, y - bottom, x - left, y - top);
    case 270:
        return TRect(x - bottom, y + left, x - top, y + right);
    default:
        break;
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
    if (HasBuffer() && (fBuffer.Image().width() != w || fBuffer.Image().height() != h))
        DropBuffer();  // the target may be the painter of the old bitmap
    Retarget(&fBuffer.Begin(w, h));
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
        if (fTarget == fBuffer.Painter())
            fTarget = nullptr;
        fBuffer.End(destination, requested.Left, requested.Top, fMonochrome);
    }
    Retarget(windowCanvas);
}

bool TChartCanvas3D::RepaintFromBuffer()
{
    return fBuffer.RepaintTo(fTarget);
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
