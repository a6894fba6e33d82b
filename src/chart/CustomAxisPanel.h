#pragma once

#include "chart/ChartAxis.h"
#include "chart/ChartDepthAxis.h"
#include "chart/CustomChartPanelExtended.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TChartSeries;

// Adds the series list, the five axes, paging, axis layout and the order in
// which one pass draws the chart's parts (DrawContents).
class TCustomAxisPanel : public TCustomChartPanelExtended {
public:
    TCustomAxisPanel();
    ~TCustomAxisPanel() override;  // frees the series still attached

    // --- axes ---------------------------------------------------------------------------
    TChartAxis& BottomAxis() { return *fBottomAxis; }
    TChartAxis& TopAxis() { return *fTopAxis; }
    TChartAxis& LeftAxis() { return *fLeftAxis; }
    TChartAxis& RightAxis() { return *fRightAxis; }
    TChartDepthAxis& DepthAxis() { return *fDepthAxis; }
    // In creation order (bottom, top, left, right, depth, then any custom axis).
    const std::vector<TChartAxis*>& AxesList() const { return fAxes; }
    void RegisterAxis(TChartAxis* axis);  // called by the axis constructor
    bool AxisVisible() const { return fAxisVisible; }
    void SetAxisVisible(bool v);
    // Shown: visible, not the flat depth axis, and associated with an active
    // axis-using series whenever there is one.
    bool AxisShown(const TChartAxis& axis) const;
    virtual int WallThickness(const TChartAxis& axis) = 0;

    // --- series list ------------------------------------------------------------------------
    // Adds (once) the series, giving it a free palette colour when its colour is clDefault.
    void AddSeries(TChartSeries* series);
    void RemoveSeries(TChartSeries* series);  // detaches without freeing
    int SeriesCount() const { return static_cast<int>(fSeries.size()); }
    TChartSeries* Series(int index) const { return fSeries.at(static_cast<std::size_t>(index)); }
    const std::vector<TChartSeries*>& SeriesList() const { return fSeries; }
    int CountActiveSeries() const;
    void FreeAllSeries();
    // Re-checks the data source of a series: a series computed from another
    // one takes all of its points again.
    virtual void CheckDataSource(TChartSeries& series);
    // Colour not used by any series and different from Color and BackColor.
    virtual bool IsFreeSeriesColor(TColor color, bool checkBackground) const;
    TColor FreeSeriesColor(bool checkBackground) const;
    virtual TColor BackColor() const = 0;

    // --- clipping and paging ---------------------------------------------------------------------
    bool ClipPoints() const { return fClipPoints; }
    void SetClipPoints(bool v);
    int MaxPointsPerPage() const { return fMaxPointsPerPage; }
    void SetMaxPointsPerPage(int v);  // >= 0, else ChartException
    int Page() const { return fPage; }
    virtual void SetPage(int v);  // clamped to 1..PageCount
    bool ScaleLastPage() const { return fScaleLastPage; }
    void SetScaleLastPage(bool v);
    int PageCount() const;
    // Automatic end of an axis: the page's first/last value when paging applies,
    // else the extreme of the attached series.
    double DataExtreme(const TChartAxis& axis, bool minimum, bool horizontal) const;

    // --- drawing pass ------------------------------------------------------------------------------
    void DrawContents(const TRect& bounds) override;
    virtual void LayoutAxes();
    virtual void ApplySeriesMargins();
    virtual void DrawTitlesAndLegendArea() = 0;
    virtual void DrawWallPlanes() = 0;
    // Visible range and placing, clip to the plot, points, marks, with the before/after events.
    virtual void DrawSeries(TChartSeries& series);

    // --- events --------------------------------------------------------------------------------------
    std::function<void()> OnBeforeDrawAxes;
    std::function<void()> OnBeforeDrawSeries;
    std::function<void()> OnAfterDraw;
    std::function<void()> OnPageChange;
    // May change the text of an axis label (series null and index -1 for value labels).
    std::function<void(TChartAxis& axis, TChartSeries* series, int valueIndex, std::string& text)> OnGetAxisLabel;

    // A zoom rectangle being dragged (never in this system).
    bool Zooming() const { return fZooming; }

protected:
    bool Destroying() const { return fDestroying; }
    friend class TChartSeries;

    std::vector<TChartAxis*> fAxes;
    std::unique_ptr<TChartAxis> fBottomAxis;
    std::unique_ptr<TChartAxis> fTopAxis;
    std::unique_ptr<TChartAxis> fLeftAxis;
    std::unique_ptr<TChartAxis> fRightAxis;
    std::unique_ptr<TChartDepthAxis> fDepthAxis;
    std::vector<TChartSeries*> fSeries;
    bool fAxisVisible = true;
    bool fClipPoints = true;
    int fMaxPointsPerPage = 0;
    int fPage = 1;
    bool fScaleLastPage = true;
    bool fZooming = false;
    bool fDestroying = false;
};

// Global drawing settings (all on): clip series while printing, clip series
// into metafiles, draw the axes before (behind) the series.
inline bool ChartClipWhenPrinting = true;
inline bool ChartClipWhenMetafiling = true;
inline bool ChartDrawAxesBeforeSeries = true;
