#pragma once
// Records what a drawing pass hands to its painter and replays it with bare
// QPainter calls. The recording device has the size and resolution of the
// picture; its engine notes every primitive (rectangles, lines, points,
// polygons, ellipses, paths, texts, images) with the painter state in force
// (pen, brush, brush origin, font, transform, clip, composition, background,
// render hints). The recording is turned into a replay program as a careful
// hand-written drawing would be: a state setter only where the state really
// changes, a solid fill without pen as one fillRect.

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>
#include <QPolygon>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <memory>
#include <vector>

// The replay program of one recorded pass.
class TPaintProgram {
public:
    // Draws the recorded pass into p (a painter just begun on a fresh target).
    void Replay(QPainter& p) const;

    // --- what was recorded ---------------------------------------------------------
    int PrimitiveCount() const { return fPrimitives; }
    int StateChangeCount() const { return fStateChanges; }
    int TextCount() const { return static_cast<int>(fTexts.size()); }
    // One line per operation, for looking at what a pass draws.
    QString Listing() const;

private:
    friend class TRecordingEngine;

    enum TKind : unsigned char {
        opPen,
        opBrush,
        opBrushOrigin,
        opFont,
        opTransform,
        opClipRegion,
        opClipPath,
        opClipping,
        opComposition,
        opBackgroundMode,
        opBackground,
        opHints,
        opFillRect,
        opRects,
        opRectsF,
        opLines,
        opLinesF,
        opPoints,
        opPointsF,
        opPolygon,
        opPolygonWinding,
        opPolygonF,
        opPolygonFWinding,
        opPolyline,
        opPolylineF,
        opEllipse,
        opPath,
        opText,
        opImage,
        opPixmap
    };
    struct TOp {
        TKind Kind;
        int Index;  // into the store of its kind
        int Count;  // items, or a mode / flag
    };
    struct TText {
        QPointF Position;
        QString Text;
    };
    struct TImage {
        QRectF Target;
        QImage Image;
        QPixmap Pixmap;
        QRectF Source;
        Qt::ImageConversionFlags Flags;
    };

    std::vector<TOp> fOps;
    std::vector<QPen> fPens;
    std::vector<QBrush> fBrushes;
    std::vector<QPointF> fOrigins;
    std::vector<QFont> fFonts;
    std::vector<QTransform> fTransforms;
    std::vector<QRegion> fRegions;
    std::vector<QPainterPath> fPaths;
    std::vector<QColor> fColors;
    std::vector<QRect> fRects;
    std::vector<QRectF> fRectsF;
    std::vector<QLine> fLines;
    std::vector<QLineF> fLinesF;
    std::vector<QPoint> fPoints;
    std::vector<QPointF> fPointsF;
    std::vector<TText> fTexts;
    std::vector<TImage> fImages;
    int fPrimitives = 0;
    int fStateChanges = 0;
};

// The engine behind TRecordingDevice: claims every feature, so the painter
// hands it primitives untouched, and appends them to a program.
class TRecordingEngine : public QPaintEngine {
public:
    TRecordingEngine();

    // Starts a new program; the previous one is dropped.
    void Reset();
    std::unique_ptr<TPaintProgram> TakeProgram();

    // --- virtuals ----------------------------------------------------------------
    bool begin(QPaintDevice* device) override;
    bool end() override;
    void updateState(const QPaintEngineState& state) override;
    void drawRects(const QRect* rects, int rectCount) override;
    void drawRects(const QRectF* rects, int rectCount) override;
    void drawLines(const QLine* lines, int lineCount) override;
    void drawLines(const QLineF* lines, int lineCount) override;
    void drawEllipse(const QRectF& r) override;
    void drawEllipse(const QRect& r) override;
    void drawPath(const QPainterPath& path) override;
    void drawPoints(const QPointF* points, int pointCount) override;
    void drawPoints(const QPoint* points, int pointCount) override;
    void drawPolygon(const QPointF* points, int pointCount, PolygonDrawMode mode) override;
    void drawPolygon(const QPoint* points, int pointCount, PolygonDrawMode mode) override;
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override;
    void drawTextItem(const QPointF& p, const QTextItem& textItem) override;
    void drawImage(const QRectF& r, const QImage& pm, const QRectF& sr, Qt::ImageConversionFlags flags) override;
    Type type() const override { return QPaintEngine::User; }

private:
    // The painter state as the pass has it now.
    struct TState {
        QPen Pen;
        QBrush Brush;
        QPointF BrushOrigin;
        QFont Font;
        QTransform Transform;
        int Composition = QPainter::CompositionMode_SourceOver;
        int BackgroundMode = Qt::TransparentMode;
        QBrush Background;
        int Hints = 0;
    };

    void Emit(TPaintProgram::TKind kind, int index, int count);
    // Emits the setters that bring the replay's state to the pass' state;
    // withPenBrush false for a fill that carries its own colour.
    void Sync(bool withPenBrush, bool withFont);
    void SyncTransform();
    void Primitive(TPaintProgram::TKind kind, int index, int count, bool withFont = false);

    std::unique_ptr<TPaintProgram> fProgram;
    TState fNow;
    TState fEmitted;
    unsigned fKnown = 0;  // fields of fEmitted the replay has set (the rest are due at first use)
};

// A picture-sized paint device at 96 dpi whose painter records instead of drawing.
class TRecordingDevice : public QPaintDevice {
public:
    TRecordingDevice(int width, int height);
    ~TRecordingDevice() override;

    std::unique_ptr<TPaintProgram> TakeProgram() { return fEngine.TakeProgram(); }
    QPaintEngine* paintEngine() const override { return const_cast<TRecordingEngine*>(&fEngine); }

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    int fWidth;
    int fHeight;
    TRecordingEngine fEngine;
};
