#pragma once

#include "chart/ChartCanvas3D.h"
#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"
#include "chart/ChartFont.h"
#include "chart/ChartMetafile.h"
#include "chart/ChartPoint.h"
#include "chart/ChartRect.h"
#include "chart/View3DOptions.h"

#include <QImage>
#include <QPainter>
#include <memory>
#include <string>

// Base of the chart control: owns the canvas and the 3D options, keeps the
// margins and bevels, runs the drawing pass (PaintTo) and the repaint model.
// It works without any window: a window host (TChart) overrides the few
// window hooks (InvalidateWindow, cursor, parent), everything else runs
// headless into any QPainter.
class TCustomChartPanel {
public:
    TCustomChartPanel();
    virtual ~TCustomChartPanel();
    TCustomChartPanel(const TCustomChartPanel&) = delete;
    TCustomChartPanel& operator=(const TCustomChartPanel&) = delete;

    // --- size -------------------------------------------------------------------------
    int Width() const { return fWidth; }
    int Height() const { return fHeight; }
    void SetSize(int width, int height);  // repaints on a change; calls SizeChanged
    void SetWidth(int v) { SetSize(v, fHeight); }
    void SetHeight(int v) { SetSize(fWidth, v); }

    // --- published properties -----------------------------------------------------------
    TColor Color() const { return fColor; }
    void SetColor(TColor v);
    TPanelBevel BevelOuter() const { return fBevelOuter; }
    void SetBevelOuter(TPanelBevel v);
    TPanelBevel BevelInner() const { return fBevelInner; }
    void SetBevelInner(TPanelBevel v);
    int BevelWidth() const { return fBevelWidth; }
    void SetBevelWidth(int v);
    int BorderWidth() const { return fBorderWidth; }
    void SetBorderWidth(int v);
    int MarginLeft() const { return fMarginLeft; }
    void SetMarginLeft(int v);
    int MarginTop() const { return fMarginTop; }
    void SetMarginTop(int v);
    int MarginRight() const { return fMarginRight; }
    void SetMarginRight(int v);
    int MarginBottom() const { return fMarginBottom; }
    void SetMarginBottom(int v);
    int Chart3DPercent() const { return fChart3DPercent; }
    void SetChart3DPercent(int v);  // 1..100, else ChartException
    bool View3D() const { return fView3D; }
    void SetView3D(bool v);
    TView3DOptions& View3DOptions() { return fView3DOptions; }
    bool Monochrome() const { return fCanvas->Monochrome(); }
    void SetMonochrome(bool v) { fCanvas->SetMonochrome(v); }
    bool PrintProportional() const { return fPrintProportional; }
    void SetPrintProportional(bool v) { Assign(fPrintProportional, v); }
    const TRect& PrintMargins() const { return fPrintMargins; }  // percent
    void SetPrintMargins(const TRect& v) { fPrintMargins = v; }
    // A free integer for the owner's use (0 by default). It is not drawn, so
    // changing it requests no repaint.
    int Tag() const { return fTag; }
    void SetTag(int v) { fTag = v; }

    // --- pass state ------------------------------------------------------------------------
    TChartCanvas3D& Canvas() { return *fCanvas; }
    const TRect& PanelBounds() const { return fPanelBounds; }
    const TRect& PlotRect() const { return fPlotRect; }
    void SetPlotRect(const TRect& r) { fPlotRect = r; }
    int PlotWidth() const { return fPlotWidth; }
    int PlotHeight() const { return fPlotHeight; }
    int PlotCenterX() const { return fPlotCenterX; }
    int PlotCenterY() const { return fPlotCenterY; }
    int SeriesDepth() const { return fSeriesDepth; }
    int TotalDepth() const { return fTotalDepth; }
    int WallDepth() const { return fWallDepth; }
    bool Printing() const { return fPrinting; }
    bool RepaintEnabled() const { return fRepaintEnabled; }
    void SetRepaintEnabled(bool v) { fRepaintEnabled = v; }
    bool Loading() const { return fLoading; }
    void BeginLoading() { fLoading = true; }  // property writes while a stored design is applied
    void EndLoading() { fLoading = false; }
    int DrawingPassCount() const { return fPassCount; }  // complete PaintTo passes so far
    // Whether the pass running now makes the picture the window shows: a
    // window paint's pass, or any pass while the chart has not been painted in
    // a window. What a pass works out for the hit tests is kept from such
    // passes only, so an export, laid out afresh for its own target, leaves
    // the hover readout on the bars the window shows.
    bool PassShown() const { return fWindowPassRunning || !fWindowPainted; }
    int RepaintRequestCount() const { return fRepaintRequests; }

    // --- drawing pass -----------------------------------------------------------------------
    // The window paint: nothing while printing; the clean buffer when there is one;
    // else a full pass into windowCanvas over PanelRect.
    void WindowPaint(QPainter& windowCanvas);
    // One complete drawing pass onto canvas within r.
    virtual void PaintTo(QPainter& canvas, const TRect& r);
    virtual void DrawContents(const TRect& bounds) = 0;
    virtual void PartChanged(void* sender);
    virtual void DrawBevels(const TRect& r);
    // Copies font into the canvas font, first giving it the canvas' pixels per inch.
    virtual void UseFont(TChartFont& font);
    virtual TRect PanelRect() const { return TRect(0, 0, fWidth, fHeight); }
    void NormalizePlotRect();
    // Canvas brush from colour/style with a text background for hatches.
    void UseBrush(TColor color, TBrushStyle style, TColor backColor);
    // Width of the widest line (lines split at carriage return) and the line count.
    int MultiLineWidth(const std::string& text, int& lines);
    bool ClippingAllowed() const;
    // MarkDirty, then invalidate the window (when repainting is enabled). Never draws.
    void RequestRepaint();

    // --- export (ChartExport.cpp) ---------------------------------------------------------------
    // New bitmap (Format_RGB32) of r's size with the chart drawn at r's own origin.
    // Null when r is empty, or when a bitmap of that size cannot be allocated
    // (nothing is drawn then).
    QImage RenderBitmap(TColor backgroundColor, const TRect& r);
    // Vector recording of one pass over r (size one pixel less, at least 1 x 1).
    TChartMetafile RenderMetafile(bool enhanced, const TRect& r);
    // One pass into a vector canvas with buffering off and DrawingToMetafile set.
    void PaintToMetafile(QPainter& metafileCanvas, const TRect& r);
    // Puts a vector picture of PanelRect on the clipboard.
    void CopyPictureToClipboard(bool enhanced);

    // --- window hooks (a window host overrides them) ----------------------------------------------
    virtual void InvalidateWindow() {}
    virtual bool HasParentWindow() const { return false; }
    virtual void SizeChanged() {}
    // Current mouse position in client coordinates (headless: the last mouse event's).
    virtual TPoint CursorClientPosition() const { return fLastMousePos; }
    virtual void ApplyCursor(int cursor) { fShownCursor = cursor; }
    int ShownCursor() const { return fShownCursor; }

protected:
    void SetPrinting(bool v) { fPrinting = v; }
    void SetLastMousePos(const TPoint& p) { fLastMousePos = p; }
    template <class T> bool Assign(T& field, const T& v)
    {
        if (field == v)
            return false;
        field = v;
        RequestRepaint();
        return true;
    }

    std::unique_ptr<TChartCanvas3D> fCanvas;
    TView3DOptions fView3DOptions;
    int fWidth = 400;
    int fHeight = 250;
    int fTag = 0;
    TColor fColor = clBtnFace;
    TPanelBevel fBevelOuter = bvRaised;
    TPanelBevel fBevelInner = bvNone;
    int fBevelWidth = 1;
    int fBorderWidth = 0;
    int fMarginLeft = 3;
    int fMarginTop = 4;
    int fMarginRight = 3;
    int fMarginBottom = 4;
    int fChart3DPercent = 15;
    bool fView3D = true;
    bool fPrintProportional = true;
    TRect fPrintMargins{15, 15, 15, 15};

    TRect fPanelBounds;
    TRect fPlotRect;
    int fPlotWidth = 0;
    int fPlotHeight = 0;
    int fPlotCenterX = 0;
    int fPlotCenterY = 0;
    int fSeriesDepth = 0;
    int fTotalDepth = 0;
    int fWallDepth = 0;
    bool fPrinting = false;
    bool fRepaintEnabled = false;
    bool fLoading = false;
    int fPassCount = 0;
    int fRepaintRequests = 0;
    bool fWindowPassRunning = false;
    bool fWindowPainted = false;
    QPainter* fWindowCanvas = nullptr;
    TPoint fLastMousePos;
    int fShownCursor = crDefault;
    int fLoadedCursor = crDefault;
};
