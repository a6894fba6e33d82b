#pragma once

#include "chart/BarGeometry.h"
#include "chart/ChartBrush.h"
#include "chart/ChartColors.h"
#include "chart/ChartPen.h"
#include "chart/ChartPoint.h"
#include "chart/ChartRect.h"
#include "chart/ChartSeries.h"

#include <functional>
#include <string>

// How several bar series of the same kind share the points.
enum TMultiBar { mbNone, mbSide, mbStacked, mbStacked100 };

// Bar logic shared by the bar series kinds: width from the axis span and the
// point count, base value, side-by-side and stacked layouts, pen and brush of
// the bars. TBarSeries is the vertical kind.
class TCustomBarSeries : public TChartSeries {
public:
    TCustomBarSeries();
    ~TCustomBarSeries() override = default;

    // Copies the bar settings of another bar series (not its points).
    void Assign(const TCustomBarSeries& other);

    // --- published getters -----------------------------------------------------------
    int BarWidthPercent() const { return fBarWidthPercent; }
    int OffsetPercent() const { return fOffsetPercent; }
    TMultiBar MultiBar() const { return fMultiBar; }
    TBarStyle BarStyle() const { return fBarStyle; }
    TChartPen& BarPen() { return fBarPen; }
    const TChartPen& BarPen() const { return fBarPen; }
    TChartBrush& BarBrush() { return fBarBrush; }
    const TChartBrush& BarBrush() const { return fBarBrush; }
    bool UseYOrigin() const { return fUseYOrigin; }
    double YOrigin() const { return fYOrigin; }
    bool SideMargins() const { return fSideMargins; }
    bool AutoBarSize() const { return fAutoBarSize; }
    bool AutoMarkPosition() const { return fAutoMarkPosition; }
    bool Dark3D() const { return fDark3D; }

    // --- published setters (repaint on a change) --------------------------------------------
    void SetBarWidthPercent(int v);  // 1..100, else "Bar Width Percent must be between 1 and 100"
    void SetOffsetPercent(int v);    // -100..100, else "Bar Offset Percent must be between -100% and 100%"
    void SetMultiBar(TMultiBar v);   // also given to every other bar series of the same kind
    void SetBarStyle(TBarStyle v);
    void SetBarPen(const TChartPen& v);
    void SetBarBrush(const TChartBrush& v);
    void SetUseYOrigin(bool v);
    void SetYOrigin(double v);
    void SetSideMargins(bool v);  // also given to every other bar series of the same kind
    void SetAutoBarSize(bool v);
    void SetAutoMarkPosition(bool v);
    void SetDark3D(bool v);

    // May change the style of one bar.
    std::function<void(TCustomBarSeries& sender, int index, TBarStyle& style)> OnGetBarStyle;

    // --- working state ------------------------------------------------------------------------
    int BarPixelWidth() const { return fBarPixelWidth; }
    const TRect& BarRect() const { return fBarRect; }
    TColor CurrentBarColor() const { return fCurrentBarColor; }

    // --- bar geometry ---------------------------------------------------------------------------
    // Sets BarPixelWidth from CustomBarWidth, or from the horizontal axis' span
    // and the point count (MaxPointsPerPage when paging), made even.
    void ComputeBarSize();
    // Room at each end of the axis: SideBarCount x BarPixelWidth (halved without SideMargins).
    int BarSideMargin() const;
    // Number of active bar series of this kind sharing the points side by side (1 unless mbSide).
    int SideBarCount() const;
    // 1-based place of this series among the active bar series of its kind.
    int SideBarOrder() const;
    // Base pixel of the bar at index (the vertical axis' end without UseYOrigin).
    int OriginPixel(int index);
    // BarStyle, as OnGetBarStyle may change it for the bar.
    TBarStyle BarStyleOf(int index);

    // --- the bars of the passes ----------------------------------------------------------------
    // Where the visible bars stand in the pass being drawn (the drawing reads it).
    const TBarGeometry& PassBars() const { return *fPassBars; }
    // Where they stood in the last pass the window shows (the hit tests read it;
    // an export, laid out for its own target, leaves it alone).
    const TBarGeometry& ShownBars() const { return fShownBars; }
    // The bar a user sees under chart pixel (x, y), or -1: the drawn bar where
    // the hit areas of two bars meet (TBarGeometry::DrawnBarAt).
    int DrawnBarAt(int x, int y);
    // DrawnBarAt of the mouse cursor's current position in the chart's coordinates.
    int DrawnBarAtCursor();

    // --- virtuals ---------------------------------------------------------------------------------
    double OriginValue(int index) override;
    // The lowest visible bar of the shown pass whose hit area holds the pixel.
    int PointAt(int x, int y) override;
    int SampleCount() override { return 6; }
    std::string EditorClassName() override { return "TBarSeriesEditor"; }
    // Length of a mark above a bar (no body here).
    virtual int MarkLength() { return 0; }
    // Whether the pixel lies on the bar at index (no shape here).
    virtual bool PointInBar(int /*index*/, const TPoint& /*p*/) { return false; }

protected:
    // Copies the bar pen to the canvas and sets the canvas brush for a bar of colour c.
    void PrepareBarPenBrush(TColor c);
    // The bar rectangle with the current pen and brush; degenerate bars become
    // lines, bars narrower than the pen become outlines in their own colour.
    void FillBarRect(TColor c, int left, int top, int right, int bottom);
    // Active bar series of the same kind on the chart, in list order (this one
    // only when there is no chart).
    template <class F> void ForEachSameKind(F f) const;
    // Sum of the values at index over the active bar series of this kind.
    double StackTotal(int index) const;
    void Changed() { InvalidateChart(); }
    // The geometry the pass running now builds: the shown one when the
    // window will show the pass, else one of the pass' own.
    TBarGeometry& StartPassBars();

    int fBarWidthPercent = 70;
    int fOffsetPercent = 0;
    TMultiBar fMultiBar = mbSide;
    TBarStyle fBarStyle = bsRectangle;
    TChartPen fBarPen;
    TChartBrush fBarBrush;
    bool fUseYOrigin = true;
    double fYOrigin = 0.0;
    bool fSideMargins = true;
    bool fAutoBarSize = false;
    bool fAutoMarkPosition = true;
    bool fDark3D = true;
    int fCustomBarWidth = 0;

    int fBarPixelWidth = 0;
    TRect fBarRect;
    TColor fCurrentBarColor = clDefault;

    // the bars of the passes
    TBarGeometry fShownBars;
    TBarGeometry fExportBars;
    TBarGeometry* fPassBars = &fShownBars;
};

// Vertical bars: one bar per point from the Y origin to the point's value, at
// the point's X position; the hit test answers which bar lies under a pixel.
class TBarSeries : public TCustomBarSeries {
public:
    TBarSeries() = default;

    // Appends one point: Y = value, X = the previous point count.
    int AddBarPoint(double value, const std::string& label, TColor color);

    // Fixed bar width in pixels; 0 means computed.
    int CustomBarWidth() const { return fCustomBarWidth; }
    void SetCustomBarWidth(int v);

    // Where the bar at index stands as the axes map it now (PointPixelX,
    // PointPixelY, OriginPixel) and its colour (PointColor).
    TBarGeometry::TBar PlaceBar(int index) { return PlaceBar(index, SharedPlace()); }

    // --- virtuals ------------------------------------------------------------------------------
    // Works out the pass' geometry of the visible bars (PlaceBar of each).
    void PlacePoints() override;
    // The bars of the pass' geometry, each through DrawBarShape.
    void DrawPoints() override;
    // One bar where PlaceBar puts it now.
    void DrawPoint(int index) override;
    void DrawPointMark(int index) override;
    double HighestY() override;
    double LowestY() override;
    int PointPixelX(int index) override;  // left edge of the bar
    int PointPixelY(int index) override;  // top of the bar (value end)
    bool DrawsForward() override;
    bool DrawsSeriesForward() override { return true; }
    void HorizontalMargins(int& left, int& right) override;
    void VerticalMargins(int& top, int& bottom) override;
    int MarkLength() override;
    // Whether the pixel lies in the hit area of the bar at index where PlaceBar puts it now.
    bool PointInBar(int index, const TPoint& p) override;
    // Draws BarRect in the style of the bar between the given top and bottom rows.
    virtual void DrawBarShape(int index, int top, int bottom);

private:
    // From the pixel of a point's X value to its bar's left edge: the
    // side-by-side place or half a bar, plus OffsetPercent.
    int BarShift() const;
    // What the bars of a pass share: the shift from a point's pixel to its
    // bar's left edge, and the base row unless the bars are stacked.
    struct TSharedPlace {
        int Shift = 0;
        bool SameBase = false;
        int Base = 0;
    };
    TSharedPlace SharedPlace();
    TBarGeometry::TBar PlaceBar(int index, const TSharedPlace& shared);
    // Sets CurrentBarColor and BarRect for the bar and draws it (nothing for a null point).
    void DrawBar(int index, const TBarGeometry::TBar& bar, int width);
};
