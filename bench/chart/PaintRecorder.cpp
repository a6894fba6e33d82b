#include "PaintRecorder.h"

#include <QTextItem>

namespace {

enum TField : unsigned {
    kPen = 1u << 0,
    kBrush = 1u << 1,
    kOrigin = 1u << 2,
    kFont = 1u << 3,
    kTransform = 1u << 4,
    kComposition = 1u << 5,
    kBackgroundMode = 1u << 6,
    kBackground = 1u << 7,
    kHints = 1u << 8,
};

template <class T> int Store(std::vector<T>& v, const T& item)
{
    v.push_back(item);
    return static_cast<int>(v.size()) - 1;
}

template <class T> int StoreAll(std::vector<T>& v, const T* items, int count)
{
    const int first = static_cast<int>(v.size());
    v.insert(v.end(), items, items + count);
    return first;
}

}  // namespace

// ---- TPaintProgram ---------------------------------------------------------------------------

void TPaintProgram::Replay(QPainter& p) const
{
    for (const TOp& op : fOps) {
        const std::size_t i = static_cast<std::size_t>(op.Index);
        switch (op.Kind) {
        case opPen:
            p.setPen(fPens[i]);
            break;
        case opBrush:
            p.setBrush(fBrushes[i]);
            break;
        case opBrushOrigin:
            p.setBrushOrigin(fOrigins[i]);
            break;
        case opFont:
            p.setFont(fFonts[i]);
            break;
        case opTransform:
            p.setTransform(fTransforms[i]);
            break;
        case opClipRegion:
            p.setClipRegion(fRegions[i], static_cast<Qt::ClipOperation>(op.Count));
            break;
        case opClipPath:
            p.setClipPath(fPaths[i], static_cast<Qt::ClipOperation>(op.Count));
            break;
        case opClipping:
            p.setClipping(op.Count != 0);
            break;
        case opComposition:
            p.setCompositionMode(static_cast<QPainter::CompositionMode>(op.Count));
            break;
        case opBackgroundMode:
            p.setBackgroundMode(static_cast<Qt::BGMode>(op.Count));
            break;
        case opBackground:
            p.setBackground(fBrushes[i]);
            break;
        case opHints:
            p.setRenderHints(QPainter::RenderHints(op.Count), true);
            p.setRenderHints(~QPainter::RenderHints(op.Count), false);
            break;
        case opFillRect:
            p.fillRect(fRects[i], fColors[static_cast<std::size_t>(op.Count)]);
            break;
        case opRects:
            p.drawRects(&fRects[i], op.Count);
            break;
        case opRectsF:
            p.drawRects(&fRectsF[i], op.Count);
            break;
        case opLines:
            p.drawLines(&fLines[i], op.Count);
            break;
        case opLinesF:
            p.drawLines(&fLinesF[i], op.Count);
            break;
        case opPoints:
            p.drawPoints(&fPoints[i], op.Count);
            break;
        case opPointsF:
            p.drawPoints(&fPointsF[i], op.Count);
            break;
        case opPolygon:
            p.drawPolygon(&fPoints[i], op.Count, Qt::OddEvenFill);
            break;
        case opPolygonWinding:
            p.drawPolygon(&fPoints[i], op.Count, Qt::WindingFill);
            break;
        case opPolygonF:
            p.drawPolygon(&fPointsF[i], op.Count, Qt::OddEvenFill);
            break;
        case opPolygonFWinding:
            p.drawPolygon(&fPointsF[i], op.Count, Qt::WindingFill);
            break;
        case opPolyline:
            p.drawPolyline(&fPoints[i], op.Count);
            break;
        case opPolylineF:
            p.drawPolyline(&fPointsF[i], op.Count);
            break;
        case opEllipse:
            p.drawEllipse(fRectsF[i]);
            break;
        case opPath:
            p.drawPath(fPaths[i]);
            break;
        case opText:
            p.drawText(fTexts[i].Position, fTexts[i].Text);
            break;
        case opImage:
            p.drawImage(fImages[i].Target, fImages[i].Image, fImages[i].Source, fImages[i].Flags);
            break;
        case opPixmap:
            p.drawPixmap(fImages[i].Target, fImages[i].Pixmap, fImages[i].Source);
            break;
        }
    }
}

QString TPaintProgram::Listing() const
{
    static const char* const names[] = {"pen",
                                        "brush",
                                        "brush origin",
                                        "font",
                                        "transform",
                                        "clip region",
                                        "clip path",
                                        "clipping",
                                        "composition",
                                        "background mode",
                                        "background",
                                        "hints",
                                        "fill rect",
                                        "rects",
                                        "rectsF",
                                        "lines",
                                        "linesF",
                                        "points",
                                        "pointsF",
                                        "polygon",
                                        "polygon winding",
                                        "polygonF",
                                        "polygonF winding",
                                        "polyline",
                                        "polylineF",
                                        "ellipse",
                                        "path",
                                        "text",
                                        "image",
                                        "pixmap"};
    QString out;
    for (const TOp& op : fOps) {
        const std::size_t i = static_cast<std::size_t>(op.Index);
        QString line = QString::fromLatin1(names[op.Kind]);
        switch (op.Kind) {
        case opFillRect: {
            const QRect& r = fRects[i];
            line += QStringLiteral(" %1,%2 %3x%4 #%5")
                        .arg(r.x())
                        .arg(r.y())
                        .arg(r.width())
                        .arg(r.height())
                        .arg(fColors[static_cast<std::size_t>(op.Count)].rgb() & 0xFFFFFF, 6, 16, QLatin1Char('0'));
            break;
        }
        case opText:
            line += QStringLiteral(" \"%1\" at %2,%3")
                        .arg(fTexts[i].Text)
                        .arg(fTexts[i].Position.x())
                        .arg(fTexts[i].Position.y());
            break;
        case opPen:
            line += QStringLiteral(" #%1 w%2 s%3")
                        .arg(fPens[i].color().rgb() & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                        .arg(fPens[i].width())
                        .arg(int(fPens[i].style()));
            break;
        case opTransform:
            line += QStringLiteral(" %1 %2 %3 %4 %5 %6")
                        .arg(fTransforms[i].m11())
                        .arg(fTransforms[i].m12())
                        .arg(fTransforms[i].m21())
                        .arg(fTransforms[i].m22())
                        .arg(fTransforms[i].dx())
                        .arg(fTransforms[i].dy());
            break;
        case opClipRegion:
            line += QStringLiteral(" %1,%2 %3x%4 op%5")
                        .arg(fRegions[i].boundingRect().x())
                        .arg(fRegions[i].boundingRect().y())
                        .arg(fRegions[i].boundingRect().width())
                        .arg(fRegions[i].boundingRect().height())
                        .arg(op.Count);
            break;
        default:
            line += QStringLiteral(" [%1]").arg(op.Count);
            break;
        }
        out += line + QLatin1Char('\n');
    }
    return out;
}

// ---- TRecordingEngine ---------------------------------------------------------------------------

TRecordingEngine::TRecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures)
{
    Reset();
}

void TRecordingEngine::Reset()
{
    fProgram = std::make_unique<TPaintProgram>();
    fNow = TState();
    fEmitted = TState();
    fKnown = 0;
}

std::unique_ptr<TPaintProgram> TRecordingEngine::TakeProgram()
{
    std::unique_ptr<TPaintProgram> p = std::move(fProgram);
    Reset();
    return p;
}

bool TRecordingEngine::begin(QPaintDevice*)
{
    setActive(true);
    return true;
}

bool TRecordingEngine::end()
{
    setActive(false);
    return true;
}

void TRecordingEngine::Emit(TPaintProgram::TKind kind, int index, int count)
{
    fProgram->fOps.push_back({kind, index, count});
    if (kind < TPaintProgram::opFillRect)
        ++fProgram->fStateChanges;
    else
        ++fProgram->fPrimitives;
}

void TRecordingEngine::SyncTransform()
{
    if ((fKnown & kTransform) && fEmitted.Transform == fNow.Transform)
        return;
    fEmitted.Transform = fNow.Transform;
    fKnown |= kTransform;
    Emit(TPaintProgram::opTransform, Store(fProgram->fTransforms, fNow.Transform), 0);
}

void TRecordingEngine::Sync(bool withPenBrush, bool withFont)
{
    TPaintProgram& p = *fProgram;
    SyncTransform();
    if (!(fKnown & kHints) || fEmitted.Hints != fNow.Hints) {
        fEmitted.Hints = fNow.Hints;
        fKnown |= kHints;
        Emit(TPaintProgram::opHints, 0, fNow.Hints);
    }
    if (!(fKnown & kComposition) || fEmitted.Composition != fNow.Composition) {
        fEmitted.Composition = fNow.Composition;
        fKnown |= kComposition;
        Emit(TPaintProgram::opComposition, 0, fNow.Composition);
    }
    if (!(fKnown & kBackgroundMode) || fEmitted.BackgroundMode != fNow.BackgroundMode) {
        fEmitted.BackgroundMode = fNow.BackgroundMode;
        fKnown |= kBackgroundMode;
        Emit(TPaintProgram::opBackgroundMode, 0, fNow.BackgroundMode);
    }
    if (fNow.BackgroundMode == Qt::OpaqueMode && (!(fKnown & kBackground) || fEmitted.Background != fNow.Background)) {
        fEmitted.Background = fNow.Background;
        fKnown |= kBackground;
        Emit(TPaintProgram::opBackground, Store(p.fBrushes, fNow.Background), 0);
    }
    if (withPenBrush) {
        if (!(fKnown & kPen) || fEmitted.Pen != fNow.Pen) {
            fEmitted.Pen = fNow.Pen;
            fKnown |= kPen;
            Emit(TPaintProgram::opPen, Store(p.fPens, fNow.Pen), 0);
        }
        if (!(fKnown & kBrush) || fEmitted.Brush != fNow.Brush) {
            fEmitted.Brush = fNow.Brush;
            fKnown |= kBrush;
            Emit(TPaintProgram::opBrush, Store(p.fBrushes, fNow.Brush), 0);
        }
        if (fNow.Brush.style() != Qt::NoBrush && fNow.Brush.style() != Qt::SolidPattern &&
            (!(fKnown & kOrigin) || fEmitted.BrushOrigin != fNow.BrushOrigin)) {
            fEmitted.BrushOrigin = fNow.BrushOrigin;
            fKnown |= kOrigin;
            Emit(TPaintProgram::opBrushOrigin, Store(p.fOrigins, fNow.BrushOrigin), 0);
        }
    }
    if (withFont && (!(fKnown & kFont) || fEmitted.Font != fNow.Font)) {
        fEmitted.Font = fNow.Font;
        fKnown |= kFont;
        Emit(TPaintProgram::opFont, Store(p.fFonts, fNow.Font), 0);
    }
}

void TRecordingEngine::Primitive(TPaintProgram::TKind kind, int index, int count, bool withFont)
{
    Sync(true, withFont);
    Emit(kind, index, count);
}

void TRecordingEngine::updateState(const QPaintEngineState& state)
{
    const QPaintEngine::DirtyFlags dirty = state.state();
    if (dirty & DirtyPen)
        fNow.Pen = state.pen();
    if (dirty & DirtyBrush)
        fNow.Brush = state.brush();
    if (dirty & DirtyBrushOrigin)
        fNow.BrushOrigin = state.brushOrigin();
    if (dirty & DirtyFont)
        fNow.Font = state.font();
    if (dirty & DirtyTransform)
        fNow.Transform = state.transform();
    if (dirty & DirtyCompositionMode)
        fNow.Composition = state.compositionMode();
    if (dirty & DirtyBackgroundMode)
        fNow.BackgroundMode = state.backgroundMode();
    if (dirty & DirtyBackground)
        fNow.Background = state.backgroundBrush();
    if (dirty & DirtyHints)
        fNow.Hints = static_cast<int>(state.renderHints());
    // Clips are set in the coordinates of the transform in force when they
    // are set: the replay sets that transform first, in the same order.
    if (dirty & (DirtyClipRegion | DirtyClipPath)) {
        SyncTransform();
        if (dirty & DirtyClipRegion)
            Emit(TPaintProgram::opClipRegion, Store(fProgram->fRegions, state.clipRegion()), state.clipOperation());
        else
            Emit(TPaintProgram::opClipPath, Store(fProgram->fPaths, state.clipPath()), state.clipOperation());
    } else if (dirty & DirtyClipEnabled) {
        Emit(TPaintProgram::opClipping, 0, state.isClipEnabled() ? 1 : 0);
    }
}

void TRecordingEngine::drawRects(const QRect* rects, int rectCount)
{
    TPaintProgram& p = *fProgram;
    // A solid fill without outline is what fillRect draws.
    if (fNow.Pen.style() == Qt::NoPen && fNow.Brush.style() == Qt::SolidPattern) {
        Sync(false, false);
        const int colour = Store(p.fColors, fNow.Brush.color());
        for (int i = 0; i < rectCount; ++i)
            Emit(TPaintProgram::opFillRect, Store(p.fRects, rects[i]), colour);
        return;
    }
    Primitive(TPaintProgram::opRects, StoreAll(p.fRects, rects, rectCount), rectCount);
}

void TRecordingEngine::drawRects(const QRectF* rects, int rectCount)
{
    Primitive(TPaintProgram::opRectsF, StoreAll(fProgram->fRectsF, rects, rectCount), rectCount);
}

void TRecordingEngine::drawLines(const QLine* lines, int lineCount)
{
    Primitive(TPaintProgram::opLines, StoreAll(fProgram->fLines, lines, lineCount), lineCount);
}

void TRecordingEngine::drawLines(const QLineF* lines, int lineCount)
{
    Primitive(TPaintProgram::opLinesF, StoreAll(fProgram->fLinesF, lines, lineCount), lineCount);
}

void TRecordingEngine::drawEllipse(const QRectF& r)
{
    Primitive(TPaintProgram::opEllipse, Store(fProgram->fRectsF, r), 1);
}

void TRecordingEngine::drawEllipse(const QRect& r)
{
    drawEllipse(QRectF(r));
}

void TRecordingEngine::drawPath(const QPainterPath& path)
{
    Primitive(TPaintProgram::opPath, Store(fProgram->fPaths, path), 1);
}

void TRecordingEngine::drawPoints(const QPointF* points, int pointCount)
{
    Primitive(TPaintProgram::opPointsF, StoreAll(fProgram->fPointsF, points, pointCount), pointCount);
}

void TRecordingEngine::drawPoints(const QPoint* points, int pointCount)
{
    Primitive(TPaintProgram::opPoints, StoreAll(fProgram->fPoints, points, pointCount), pointCount);
}

void TRecordingEngine::drawPolygon(const QPointF* points, int pointCount, PolygonDrawMode mode)
{
    const int first = StoreAll(fProgram->fPointsF, points, pointCount);
    switch (mode) {
    case PolylineMode:
        Primitive(TPaintProgram::opPolylineF, first, pointCount);
        break;
    case WindingMode:
        Primitive(TPaintProgram::opPolygonFWinding, first, pointCount);
        break;
    default:
        Primitive(TPaintProgram::opPolygonF, first, pointCount);
        break;
    }
}

void TRecordingEngine::drawPolygon(const QPoint* points, int pointCount, PolygonDrawMode mode)
{
    const int first = StoreAll(fProgram->fPoints, points, pointCount);
    switch (mode) {
    case PolylineMode:
        Primitive(TPaintProgram::opPolyline, first, pointCount);
        break;
    case WindingMode:
        Primitive(TPaintProgram::opPolygonWinding, first, pointCount);
        break;
    default:
        Primitive(TPaintProgram::opPolygon, first, pointCount);
        break;
    }
}

void TRecordingEngine::drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr)
{
    Primitive(TPaintProgram::opPixmap, Store(fProgram->fImages, TPaintProgram::TImage{r, QImage(), pm, sr, {}}), 1);
}

void TRecordingEngine::drawTextItem(const QPointF& p, const QTextItem& textItem)
{
    fNow.Font = textItem.font();
    Primitive(TPaintProgram::opText, Store(fProgram->fTexts, TPaintProgram::TText{p, textItem.text()}), 1, true);
}

void TRecordingEngine::drawImage(const QRectF& r, const QImage& pm, const QRectF& sr, Qt::ImageConversionFlags flags)
{
    Primitive(TPaintProgram::opImage, Store(fProgram->fImages, TPaintProgram::TImage{r, pm, QPixmap(), sr, flags}), 1);
}

// ---- TRecordingDevice -----------------------------------------------------------------------------

TRecordingDevice::TRecordingDevice(int width, int height) : fWidth(width), fHeight(height) {}

TRecordingDevice::~TRecordingDevice() = default;

int TRecordingDevice::metric(PaintDeviceMetric metric) const
{
    constexpr int dpi = 96;
    switch (metric) {
    case PdmWidth:
        return fWidth;
    case PdmHeight:
        return fHeight;
    case PdmWidthMM:
        return fWidth * 254 / (dpi * 10);
    case PdmHeightMM:
        return fHeight * 254 / (dpi * 10);
    case PdmNumColors:
        return 0x7FFFFFFF;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return dpi;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    default:
        return QPaintDevice::metric(metric);
    }
}
