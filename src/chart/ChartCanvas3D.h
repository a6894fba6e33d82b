#pragma once

#include "chart/CanvasBrush.h"
#include "chart/CanvasBuffer.h"
#include "chart/CanvasPainterState.h"
#include "chart/CanvasPen.h"
#include "chart/CanvasTextCache.h"
#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"
#include "chart/ChartFont.h"
#include "chart/ChartPen.h"
#include "chart/ChartPoint.h"
#include "chart/ChartRect.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TView3DOptions;

// The one drawing surface of a chart panel. It draws with QPainter on the
// current target (the off-screen buffer during a buffered pass, else the
// caller's painter) and keeps exact pixel rules: rectangle outlines inside
// (l, t, r, b), lines without their end pixel, right/bottom exclusive
// clipping. It keeps its own pen, brush, font and text settings and
// applies them to whatever painter is the target, so retargeting loses nothing.
// With depth off (the flat chart) every depth operation equals its flat one.
// What it keeps to be cheap lives in its parts: the painter settings last
// sent (TCanvasPainterState), the fonts and texts met (TCanvasTextCache) and
// the window's off-screen buffer (TCanvasBuffer).
class TChartCanvas3D {
public:
    // repaintRequest is called when a canvas setting needs a new drawing pass
    // (a monochrome change); the panel passes its RequestRepaint.
    explicit TChartCanvas3D(std::function<void()> repaintRequest = {});
    virtual ~TChartCanvas3D();
    TChartCanvas3D(const TChartCanvas3D&) = delete;
    TChartCanvas3D& operator=(const TChartCanvas3D&) = delete;

    // --- current drawing state -------------------------------------------------
    TCanvasPen& Pen() { return fPen; }
    TCanvasBrush& Brush() { return fBrush; }
    TChartFont& Font() { return fFont; }  // measured and drawn in pixels at Font().PixelsPerInch()
    QPainter* Target() const { return fTarget; }
    // Makes the painter the target (nullptr: nowhere to draw; measuring still works).
    void Retarget(QPainter* target);

    // --- settings ---------------------------------------------------------------
    virtual TColor TextBackColor() const { return fTextBackColor; }
    virtual void SetTextBackColor(TColor c);
    virtual int TextBackMode() const { return fTextBackMode; }  // tbmTransparent / tbmOpaque
    virtual void SetTextBackMode(int mode);
    // Colour of text, and of the 0 bits of a one-bit picture (set by PutText
    // and DrawGraphic from the font colour).
    TColor TextColor() const { return fTextColor; }
    virtual QPainter* DeviceHandle() const { return fTarget; }
    virtual bool Monochrome() const { return fMonochrome; }
    virtual void SetMonochrome(bool v);                        // drops Buffer, sets Dirty, asks for a repaint
    virtual int TextAlignFlags() const { return fTextAlign; }  // TA_* combination
    virtual void SetTextAlignFlags(int flags);
    virtual bool UseOffscreenBuffer() const { return fUseBuffer; }
    virtual void SetUseOffscreenBuffer(bool v);  // false drops an existing Buffer and sets Dirty

    // --- flat drawing ---------------------------------------------------------
    virtual void PlotPixel(int x, int y, TColor c);
    // Draws the picture at its own size, top-left at (x, y). The text
    // background becomes the brush colour and the text colour the font
    // colour first; a one-bit picture is drawn in those two colours (0 bits
    // in the text colour, 1 bits in the text background).
    virtual void DrawGraphic(int x, int y, const QImage& picture);
    virtual void DrawEllipse(const TRect& box);
    virtual void FillArea(const TRect& r);  // brush only, l..r-1 x t..b-1
    virtual void BevelFrame(const TRect& r, TColor topLeft, int count, TColor bottomRight);
    virtual void PenLineTo(int x, int y);
    virtual void PenMoveTo(int x, int y);
    virtual void DrawBox(int left, int top, int right, int bottom);
    virtual void StretchGraphic(const TRect& r, const QImage& picture);
    virtual void PutText(int x, int y, const std::string& text);
    virtual int MeasureTextWidth(const std::string& text);
    // The box a line written at (x, y) under the alignment (TA_* flags) and
    // turned by the angle would cover, in the current font: its advance
    // width by the line height, turned about (x, y). Nothing is drawn.
    TRect TextBox(int x, int y, int align, int angle, const std::string& text);
    virtual int MeasureTextHeight(const std::string& text);
    virtual void ClipToRect(const TRect& r);
    virtual void DrawHLine(int left, int right, int y);
    virtual void DrawBoxRect(const TRect& r);
    virtual void DrawVLine(int x, int top, int bottom);
    virtual void ClearArea(const TRect& r);
    virtual void GradientArea(const TRect& r, TColor startColor, TGradientDirection direction, TColor endColor);
    virtual void MarkDirty();
    virtual void DrawSegment(int x0, int y0, int x1, int y1);
    virtual void DrawPolygon(const std::vector<TPoint>& points);
    virtual void PutRotatedText(int x, int y, int angle, const std::string& text);
    virtual void RemoveClip();

    // --- depth (flat while depth is off) ---------------------------------------
    virtual void PlotPixelAtDepth(int x, int y, TColor c, int z);
    virtual bool IsSceneCanvas() const { return false; }
    virtual bool SupportsFullRotation() const { return false; }
    virtual void UnprojectPoint(int& x, int& y, int z) const;
    virtual TPoint ProjectPoint(int x, int y, int z) const;
    // Starts a pass. drawingRect receives the rectangle to draw in: (0, 0, w, h)
    // in the buffer, or requested itself when drawing directly.
    virtual void BeginDrawing(QPainter& destination, TView3DOptions* options, TRect& drawingRect,
                              const TRect& requested, bool depthOn);
    virtual void CopySettings(const TChartCanvas3D& other);
    virtual void SetProjection(int depthSize, const TRect& passBounds, const TRect& plotRect);
    // Ends a pass: a buffered pass copies Buffer onto destination at requested's
    // top-left and clears Dirty; the target then becomes windowCanvas.
    virtual void EndDrawing(QPainter& destination, QPainter* windowCanvas, const TRect& requested);
    // Copies a clean Buffer to the target at (0, 0) and answers true; false when Dirty.
    virtual bool RepaintFromBuffer();
    // Flat: ClipToRect(left + 1, top + 1, right, bottom - 1).
    virtual void ClipToPlot(const TRect& r, int z0, int z1);
    virtual void DrawHLineAtDepth(int left, int right, int y, int z);
    virtual void DrawVLineAtDepth(int x, int top, int bottom, int z);
    virtual void SuspendProjection();
    virtual void ResumeProjection();
    virtual void DrawSegmentAtDepth(int x0, int y0, int x1, int y1, int z);
    virtual void PenMoveToAtDepth(int x, int y, int z);
    virtual void PenLineToAtDepth(int x, int y, int z);
    // Polygon through the four projected corners (outline through right/bottom themselves).
    virtual void DrawBoxAtDepth(const TRect& r, int z);
    virtual void PutRotatedTextAtDepth(int x, int y, int z, int angle, const std::string& text);
    virtual void PutTextAtDepth(int x, int y, int z, const std::string& text);

    // --- helpers -----------------------------------------------------------------
    int LineHeight();  // MeasureTextHeight("W")
    // Invisible pen: style clear only. SmallDots with width 1: alternate pixels.
    // Else colour, width, style and mode of the chart pen.
    void ApplyChartPen(const TChartPen& pen);
    // Pen black 1 solid, brush white solid, font black 10, text background white, transparent.
    void ResetDrawingState();
    // The canvas sets a painter setting only when it differs from the one it
    // set last. Code that changes the target painter's settings itself, between
    // drawing calls of the canvas, calls this so that the canvas sets them all again.
    void ForgetTargetState();

    // --- buffer and pass state -----------------------------------------------------
    bool Dirty() const { return fBuffer.Dirty(); }
    bool HasBuffer() const { return fBuffer.Has(); }
    const QImage& Buffer() const { return fBuffer.Image(); }
    int BufferCreations() const { return fBuffer.Creations(); }  // how often a buffer was allocated
    bool DrawingToMetafile() const { return fDrawingToMetafile; }
    void SetDrawingToMetafile(bool v) { fDrawingToMetafile = v; }
    bool DepthOn() const { return fDepthOn; }
    double ZoomFactor() const { return fZoom; }
    bool ZoomText() const { return fZoomText; }
    const TRect& PassBounds() const { return fPassBounds; }
    TView3DOptions* Options() const { return fOptions; }
    void ClearOptions() { fOptions = nullptr; }
    int LastTextEscapement() const { return fLastEscapement; }  // tenths of a degree of the last rotated text
    TPoint PenPosition() const { return fPenPos; }
    // The clip rectangle now in force (none when unclipped); kept for targets
    // whose paint engine ignores clipping (vector output).
    const std::optional<TRect>& ClipRect() const { return fClip; }

private:
    // Checks that the target still paints with the engine the painter state was kept for.
    void CheckTargetEngine() { fPainterState.Check(*fTarget); }
    // The vector recorder ignores clip rectangles, so clipped shapes are cut here.
    bool NeedsSoftClip()
    {
        if (!fClip.has_value() || fTarget == nullptr)
            return false;
        CheckTargetEngine();
        return fPainterState.Svg();
    }
    // Pen, brush, composition and background of the canvas to the target.
    void ApplyPenToTarget() { fPainterState.ApplyPen(*fTarget, fPen, fBrush, fTextBackMode, fTextBackColor); }
    void ApplyCompositionToTarget()
    {
        fPainterState.ApplyComposition(*fTarget, TCanvasPainterState::CompositionFor(fPen.Mode));
    }
    TCanvasTextCache::TFont& CurrentFont() { return fTexts.FontOf(fFont); }
    // A solid fill of r in the colour under the pen's composition.
    void FillSolid(const TRect& r, const QColor& colour);
    void LineRaw(int x0, int y0, int x1, int y1);
    void DropBuffer();
    // Scales the font by the zoom factor when text follows the zoom; answers the height to restore.
    int ZoomFont();

    std::function<void()> fRepaintRequest;
    QPainter* fTarget = nullptr;
    TCanvasPen fPen;
    TCanvasBrush fBrush;
    TChartFont fFont;
    TColor fTextBackColor = clWhite;
    TColor fTextColor = clBlack;
    int fTextBackMode = tbmTransparent;
    int fTextAlign = TA_LEFT | TA_TOP;
    TPoint fPenPos;
    std::optional<TRect> fClip;

    // what the pass keeps between primitives and passes
    TCanvasPainterState fPainterState;
    TCanvasTextCache fTexts;
    QPolygon fLinePoints;  // pixels of a sloping line, reused

    TView3DOptions* fOptions = nullptr;
    TCanvasBuffer fBuffer;
    bool fUseBuffer = true;
    bool fMonochrome = false;
    bool fDrawingToMetafile = false;
    bool fDepthOn = false;
    bool fDepthSaved = false;
    bool fOrthogonal = false;
    double fZoom = 1.0;
    bool fZoomText = true;
    TRect fPassBounds;
    int fCenterX = 0, fCenterY = 0, fCenterZ = 0;
    int fOffsetX = 0, fOffsetY = 0;
    double fPerspective = 0.0;
    int fLastEscapement = 0;
};
