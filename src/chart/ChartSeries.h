#pragma once

#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"
#include "chart/ChartRect.h"
#include "chart/ChartValueList.h"
#include "chart/SeriesMarks.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TChartAxis;
class TCustomAxisPanel;

// Kinds of change told to series computed from this one.
enum TSeriesLinkKind { slkClear, slkAdd, slkDelete, slkRefresh, slkModify };

// The data side of a chart: points made of one value in every value list
// (X, Y, ...), an optional label and an optional colour per point. The chart
// asks each active series for its visible range and then to draw it. Series
// types override the drawing, hit-test, margin and extreme virtuals.
class TChartSeries {
public:
    TChartSeries();
    virtual ~TChartSeries();  // clears, frees its lists and detaches from its chart
    TChartSeries(const TChartSeries&) = delete;
    TChartSeries& operator=(const TChartSeries&) = delete;

    // --- points ----------------------------------------------------------------------
    // AddPoint: (x = PointCount(), y = value) when Y is mandatory, else the reverse.
    virtual int AddPoint(double value, const std::string& label = std::string(), TColor color = clDefault);
    // Inserts x sorted into XValues, y at the same index; -1 when OnBeforeAdd refuses.
    virtual int AddPointXY(double x, double y, const std::string& label = std::string(), TColor color = clDefault);
    virtual int AddNullPoint(const std::string& label = std::string());
    virtual int AddNullPointXY(double x, double y, const std::string& label = std::string());
    virtual void ClearPoints();
    virtual void DeletePoint(int index);  // throws std::out_of_range outside 0..count-1
    int PointCount() const { return fXValues->ValueCount(); }
    virtual double PointX(int index) const { return fXValues->ValueAt(index); }
    virtual double PointY(int index) const { return fYValues->ValueAt(index); }
    virtual TColor PointColor(int index) const;       // total: SeriesColor beyond the stored colours
    virtual std::string PointLabel(int index) const;  // total: empty text beyond the stored labels
    bool HasPointLabel(int index) const;              // a non-empty label is stored at index
    bool HasAnyPointLabel() const;                    // some point has a label
    void SetPointColor(int index, TColor color);
    void SetPointLabel(int index, const std::string& label);
    virtual void SwapPoints(int a, int b);  // exchanges whole points (all lists, colour, label)
    virtual void NotifyPointAdded(int index);

    // --- value lists -------------------------------------------------------------------
    TChartValueList& XValues() { return *fXValues; }
    const TChartValueList& XValues() const { return *fXValues; }
    TChartValueList& YValues() { return *fYValues; }
    const TChartValueList& YValues() const { return *fYValues; }
    const std::vector<TChartValueList*>& ValueLists() const { return fValueListOrder; }
    // Creates an extra value list owned by the series, registered after X and Y.
    TChartValueList& NewValueList(const std::string& name);
    virtual TChartValueList* ValueListByName(const std::string& name);
    virtual TChartValueList& MandatoryList() { return *fYValues; }
    const TChartValueList& MandatoryList() const { return const_cast<TChartSeries*>(this)->MandatoryList(); }
    bool IsYMandatory() const { return &MandatoryList() == fYValues.get(); }
    virtual double MarkValue(int index) { return MandatoryList().ValueAt(index); }
    // Mark text of a point: its mark value in ValueFormat, as OnGetMarkText may change it.
    std::string MarkText(int index);

    // --- extremes --------------------------------------------------------------------------
    virtual double HighestX() { return fXValues->HighestValue(); }
    virtual double HighestY() { return fYValues->HighestValue(); }
    virtual double HighestZ() { return 0.0; }
    virtual double LowestX() { return fXValues->LowestValue(); }
    virtual double LowestY() { return fYValues->LowestValue(); }
    virtual double LowestZ() { return 0.0; }
    virtual double StackBaseValue(int) { return 0.0; }
    virtual double OriginValue(int) { return 0.0; }

    // --- drawing -----------------------------------------------------------------------------
    virtual void BeforeChartDraw() {}
    virtual void FireBeforeDrawValues();
    virtual void FireAfterDrawValues();
    // Sets FirstVisible / LastVisible from the horizontal axis' pixels at the plot edges.
    virtual void ComputeVisibleRange();
    // Works out where the visible points stand in this pass, once, after the
    // visible range (series that keep their pixels; nothing here).
    virtual void PlacePoints() {}
    virtual void DrawPoints();  // DrawPoint over FirstVisible..LastVisible (reversed unless DrawsForward)
    virtual void DrawPoint(int) {}
    virtual void DrawPointMark(int) {}
    virtual void DrawMarks();  // DrawPointMark of every visible non-null point
    virtual bool DrawsForward() { return true; }
    virtual bool DrawsSeriesForward() { return true; }
    virtual bool SharesDepthSlot(const TChartSeries*) const { return false; }
    virtual void ComputeDepthOrder() {}
    virtual void CanvasChangedHook() {}
    int FirstVisible() const { return fFirstVisible; }
    int LastVisible() const { return fLastVisible; }

    // --- axes and pixels -----------------------------------------------------------------------
    virtual bool UsesAxes() const { return true; }
    virtual bool AssociatedWith(const TChartAxis* axis) const;
    THorizAxis HorizAxis() const { return fHorizAxis; }
    void SetHorizAxis(THorizAxis v);
    TVertAxis VertAxis() const { return fVertAxis; }
    void SetVertAxis(TVertAxis v);
    TChartAxis* HorizAxisObject() const { return fHorizAxisObject; }
    TChartAxis* VertAxisObject() const { return fVertAxisObject; }
    void SetCustomHorizAxis(TChartAxis* axis);  // used with aCustomHorizAxis
    void SetCustomVertAxis(TChartAxis* axis);   // used with aCustomVertAxis
    void ResolveAxes();
    // Extra pixels asked at both ends of an automatic axis (0, 0 here).
    virtual void HorizontalMargins(int& left, int& right);
    virtual void VerticalMargins(int& top, int& bottom);
    virtual int PointPixelX(int index);
    virtual int PointPixelY(int index);
    int XToPixel(double value) const;
    int YToPixel(double value) const;
    double PixelToX(int pixel) const;
    double PixelToY(int pixel) const;
    // Index of the point at chart pixel (x, y), or -1 (the base has no shape).
    virtual int PointAt(int x, int y);
    // PointAt of the mouse cursor's current position in the chart's coordinates.
    int PointAtCursor();

    // --- mouse hooks ----------------------------------------------------------------------------
    virtual void MouseMoveHook(int /*shift*/, int /*x*/, int /*y*/) {}
    virtual void ClickHook(TMouseButton, int /*shift*/, int /*x*/, int /*y*/) {}
    virtual void MouseUpHook(TMouseButton, int /*shift*/, int /*x*/, int /*y*/) {}

    // --- legend, gallery, editor, sources (neutral) ------------------------------------------------
    virtual int LegendItemCount() { return 0; }
    virtual int LegendIndexToPoint(int index) { return index; }
    virtual TColor LegendEntryColor(int index) { return PointColor(index); }
    virtual std::string LegendText(int index) { return PointLabel(index); }
    virtual void DrawLegendEntry(int, const TRect&) {}
    virtual void DrawLegendSymbol(int, const TRect&) {}
    virtual void PrepareLegendSymbol(int) {}
    virtual int SampleCount() { return 0; }
    virtual void FillWithSamples(int) {}
    virtual void PrepareGalleryPreview() {}
    virtual void GalleryDepthChanged() {}
    virtual std::string EditorClassName() { return std::string(); }
    virtual bool AcceptsAsSource(const TChartSeries* other) const { return other != this; }
    virtual bool AcceptsSeriesSource(const TChartSeries* other) const { return other != this; }
    virtual void CopyPointFrom(const TChartSeries& source, int index);
    virtual void SourcePointAdded(int index);
    virtual void SourcePointDeleted(int index);
    virtual void CopyAllFrom(const TChartSeries& source);
    virtual void ReleaseLists();
    virtual void InsertPendingExtras(int) {}
    virtual void ResetPendingValue() {}
    // Makes this series computed from source (raises ChartException
    // "No ParentChart to validate DataSource" without a chart).
    void SetDataSource(TChartSeries* source);
    TChartSeries* DataSource() const { return fDataSource; }
    void NotifyLinked(TSeriesLinkKind kind, int index);

    // --- properties ---------------------------------------------------------------------------------
    bool Active() const { return fActive; }
    virtual void SetActive(bool v);
    TColor SeriesColor() const { return fSeriesColor; }
    virtual void SetSeriesColor(TColor v);
    bool ColorEachPoint() const { return fColorEachPoint; }
    virtual void SetColorEachPoint(bool v);
    TCustomAxisPanel* ParentChart() const { return fParentChart; }
    // Detaches from the former chart, resolves the axes and joins the new chart's list.
    virtual void SetParentChart(TCustomAxisPanel* chart);
    TSeriesMarks& Marks() { return fMarks; }
    const TSeriesMarks& Marks() const { return fMarks; }
    const std::string& Title() const { return fTitle; }
    void SetTitle(const std::string& v);
    const std::string& ValueFormat() const { return fValueFormat; }
    void SetValueFormat(const std::string& v);
    const std::string& PercentFormat() const { return fPercentFormat; }
    void SetPercentFormat(const std::string& v);
    bool ShowInLegend() const { return fShowInLegend; }
    void SetShowInLegend(bool v);
    int Cursor() const { return fCursor; }
    void SetCursor(int v);
    bool LimitToAxis() const { return fLimitToAxis; }
    void SetLimitToAxis(bool v);
    bool KeepPartialLast() const { return fKeepPartialLast; }
    void SetKeepPartialLast(bool v);
    int DepthOrder() const { return fDepthOrder; }
    void SetDepthOrder(int v) { fDepthOrder = v; }

    // Asks the owning chart to repaint; nothing without a chart.
    void InvalidateChart();

    // --- events --------------------------------------------------------------------------------------
    std::function<bool(TChartSeries&)> OnBeforeAdd;  // false refuses the point
    std::function<void(TChartSeries&, int index)> OnAfterAdd;
    std::function<void(TChartSeries&)> OnClearValues;
    std::function<void(TChartSeries&, int index, TMouseButton, int shift, int x, int y)> OnClick;
    std::function<void(TChartSeries&, int index, TMouseButton, int shift, int x, int y)> OnDblClick;
    std::function<void(TChartSeries&, int index, std::string& text)> OnGetMarkText;
    std::function<void(TChartSeries&)> BeforeDrawValues;
    std::function<void(TChartSeries&)> AfterDrawValues;

protected:
    // PointColor of this class: the stored colour, the palette's for
    // ColorEachPoint, else SeriesColor (also beyond the stored colours).
    TColor OwnPointColor(int index) const
    {
        if (index < 0 || static_cast<std::size_t>(index) >= fColors.size())
            return fSeriesColor;
        const TColor c = fColors[static_cast<std::size_t>(index)];
        if (c != clDefault)
            return c;
        return fColorEachPoint ? ChartPaletteColor(index) : fSeriesColor;
    }

    // Points the series at a chart without touching the chart's list (used by the chart itself).
    void AttachChart(TCustomAxisPanel* chart) { fParentChart = chart; }
    friend class TCustomAxisPanel;

    std::unique_ptr<TChartValueList> fXValues;
    std::unique_ptr<TChartValueList> fYValues;
    std::vector<std::unique_ptr<TChartValueList>> fExtraLists;
    std::vector<TChartValueList*> fValueListOrder;
    std::vector<TColor> fColors;
    std::vector<std::string> fLabels;  // empty string = no label
    TSeriesMarks fMarks;

    bool fActive = true;
    TColor fSeriesColor = clDefault;
    bool fColorEachPoint = false;
    THorizAxis fHorizAxis = aBottomAxis;
    TVertAxis fVertAxis = aLeftAxis;
    TChartAxis* fHorizAxisObject = nullptr;
    TChartAxis* fVertAxisObject = nullptr;
    TChartAxis* fCustomHorizAxis = nullptr;
    TChartAxis* fCustomVertAxis = nullptr;
    TCustomAxisPanel* fParentChart = nullptr;
    std::string fTitle;
    std::string fValueFormat = "#,##0.###";
    std::string fPercentFormat = "##0.## %";
    bool fShowInLegend = true;
    int fCursor = 0;
    int fFirstVisible = -1;
    int fLastVisible = -1;
    bool fLimitToAxis = true;
    bool fKeepPartialLast = false;
    int fDepthOrder = 0;
    TChartSeries* fDataSource = nullptr;
    std::vector<TChartSeries*> fDependents;
};
