#include "chart/CustomAxisPanel.h"

#include "chart/ChartException.h"
#include "chart/ChartSeries.h"

#include <algorithm>

TCustomAxisPanel::TCustomAxisPanel()
{
    // Creation order is layout and drawing order.
    fBottomAxis = std::make_unique<TChartAxis>(this, true, false);
    fTopAxis = std::make_unique<TChartAxis>(this, true, true);
    fLeftAxis = std::make_unique<TChartAxis>(this, false, false);
    fRightAxis = std::make_unique<TChartAxis>(this, false, true);
    fDepthAxis = std::make_unique<TChartDepthAxis>(this);
    fLeftAxis->SetDefaultTitleAngle(90);
    fLeftAxis->Title().SetAngle(90);
    fRightAxis->SetDefaultTitleAngle(270);
    fRightAxis->Title().SetAngle(270);
}

TCustomAxisPanel::~TCustomAxisPanel()
{
    fDestroying = true;
    fRepaintEnabled = false;
    FreeAllSeries();
}

void TCustomAxisPanel::RegisterAxis(TChartAxis* axis)
{
    if (std::find(fAxes.begin(), fAxes.end(), axis) == fAxes.end())
        fAxes.push_back(axis);
}

void TCustomAxisPanel::SetAxisVisible(bool v)
{
    Assign(fAxisVisible, v);
}
void TCustomAxisPanel::SetClipPoints(bool v)
{
    Assign(fClipPoints, v);
}
void TCustomAxisPanel::SetScaleLastPage(bool v)
{
    Assign(fScaleLastPage, v);
}

bool TCustomAxisPanel::AxisShown(const TChartAxis& axis) const
{
    if (!fAxisVisible || !axis.Visible())
        return false;
    if (axis.IsDepth())
        return fView3D;
    bool anyUsesAxes = false;
    for (const TChartSeries* s : fSeries) {
        if (!s->Active() || !s->UsesAxes())
            continue;
        anyUsesAxes = true;
        if (s->AssociatedWith(&axis))
            return true;
    }
    return !anyUsesAxes;
}

// --- series list -------------------------------------------------------------------------------

void TCustomAxisPanel::AddSeries(TChartSeries* series)
{
    if (!series || std::find(fSeries.begin(), fSeries.end(), series) != fSeries.end())
        return;
    if (series->fParentChart && series->fParentChart != this)
        series->fParentChart->RemoveSeries(series);
    if (series->SeriesColor() == clDefault)
        series->fSeriesColor = FreeSeriesColor(true);
    fSeries.push_back(series);
    series->AttachChart(this);
    series->ResolveAxes();
    RequestRepaint();
}

void TCustomAxisPanel::RemoveSeries(TChartSeries* series)
{
    const auto it = std::find(fSeries.begin(), fSeries.end(), series);
    if (it == fSeries.end())
        return;
    fSeries.erase(it);
    series->AttachChart(nullptr);
    series->ResolveAxes();
    RequestRepaint();
}

void TCustomAxisPanel::FreeAllSeries()
{
    while (!fSeries.empty()) {
        TChartSeries* s = fSeries.front();
        RemoveSeries(s);
        delete s;
    }
}

void TCustomAxisPanel::CheckDataSource(TChartSeries& series)
{
    if (series.DataSource())
        series.CopyAllFrom(*series.DataSource());
}

int TCustomAxisPanel::CountActiveSeries() const
{
    return static_cast<int>(
        std::count_if(fSeries.begin(), fSeries.end(), [](const TChartSeries* s) { return s->Active(); }));
}

bool TCustomAxisPanel::IsFreeSeriesColor(TColor color, bool checkBackground) const
{
    for (const TChartSeries* s : fSeries)
        if (s->SeriesColor() == color)
            return false;
    return !checkBackground || (color != fColor && color != BackColor());
}

TColor TCustomAxisPanel::FreeSeriesColor(bool checkBackground) const
{
    for (int i = 0; i < ChartPaletteSize; ++i) {
        const TColor c = ChartPaletteColor(i);
        if (IsFreeSeriesColor(c, checkBackground))
            return c;
    }
    return clRed;
}

// --- paging -------------------------------------------------------------------------------------------

void TCustomAxisPanel::SetMaxPointsPerPage(int v)
{
    if (v < 0)
        throw ChartException("MaxPointsPerPage must be >= 0");
    if (!Assign(fMaxPointsPerPage, v))
        return;
    if (fPage > PageCount())
        SetPage(PageCount());
}

void TCustomAxisPanel::SetPage(int v)
{
    v = std::max(1, std::min(v, PageCount()));
    if (v == fPage)
        return;
    fPage = v;
    RequestRepaint();
    if (OnPageChange)
        OnPageChange();
}

int TCustomAxisPanel::PageCount() const
{
    if (fMaxPointsPerPage < 1 || fSeries.empty())
        return 1;
    const bool horizontal = fSeries.front()->IsYMandatory();
    const TChartAxis* axes[2] = {horizontal ? fBottomAxis.get() : fLeftAxis.get(),
                                 horizontal ? fTopAxis.get() : fRightAxis.get()};
    int result = 1;
    for (const TChartAxis* axis : axes) {
        int n = 0;
        for (const TChartSeries* s : fSeries)
            if (s->Active() && s->AssociatedWith(axis))
                n = std::max(n, s->PointCount());
        int pages = 1;
        if (n > 0)
            pages = n / fMaxPointsPerPage + (n % fMaxPointsPerPage ? 1 : 0);
        result = std::max(result, pages);
    }
    return result;
}

double TCustomAxisPanel::DataExtreme(const TChartAxis& axis, bool minimum, bool horizontal) const
{
    const auto valueOf = [horizontal](const TChartSeries* s, int i) {
        return horizontal ? s->XValues().ValueAt(i) : s->YValues().ValueAt(i);
    };
    const bool pagingHorizontal = !fSeries.empty() && fSeries.front()->IsYMandatory();
    if (fMaxPointsPerPage > 0 && !fSeries.empty() && axis.IsHorizontal() == pagingHorizontal) {
        const TChartSeries* series = nullptr;
        for (const TChartSeries* s : fSeries)
            if (s->Active() && s->AssociatedWith(&axis)) {
                series = s;
                break;
            }
        if (!series)
            for (const TChartSeries* s : fSeries)
                if (s->AssociatedWith(&axis)) {
                    series = s;
                    break;
                }
        if (!series || series->PointCount() == 0)
            return 0.0;
        const int m = fMaxPointsPerPage;
        const int c = series->PointCount();
        int first = m * (fPage - 1);
        if (first >= c)
            first = std::max(0, c / m - 1) * m;
        int last = first + m - 1;
        if (last >= c)
            last = first + (c % m) - 1;
        if (minimum)
            return valueOf(series, first);
        const double vFirst = valueOf(series, first);
        const double vLast = valueOf(series, last);
        const int onPage = last - first + 1;
        if (!fScaleLastPage && onPage < m && last > first) {
            // A short last page keeps the scale of a full page at the same spacing.
            return vFirst + (vLast - vFirst) * (m - 1) / (last - first);
        }
        return vLast;
    }
    // Inactive series count only when no active one is attached, even an empty one.
    bool anyActive = false;
    for (const TChartSeries* s : fSeries)
        if (s->Active() && s->AssociatedWith(&axis))
            anyActive = true;
    bool found = false;
    double result = 0.0;
    for (TChartSeries* s : fSeries) {
        if (!s->AssociatedWith(&axis) || s->PointCount() == 0 || (anyActive && !s->Active()))
            continue;
        const double v =
            horizontal ? (minimum ? s->LowestX() : s->HighestX()) : (minimum ? s->LowestY() : s->HighestY());
        if (!found || (minimum ? v < result : v > result))
            result = v;
        found = true;
    }
    return result;
}

// --- drawing pass -----------------------------------------------------------------------------------------

void TCustomAxisPanel::DrawContents(const TRect& bounds)
{
    PaintBackground(bounds);
    const std::vector<TChartSeries*> series = fSeries;
    for (TChartSeries* s : series)
        if (s->Active())
            s->BeforeChartDraw();
    DrawTitlesAndLegendArea();
    // Flat: every active series gets depth order 0.
    for (TChartSeries* s : series)
        if (s->Active())
            s->SetDepthOrder(0);
    LayoutAxes();
    ApplySeriesMargins();
    fCanvas->SetProjection(fTotalDepth, fPanelBounds, fPlotRect);
    DrawWallPlanes();
    const auto drawAxes = [this] {
        if (!fAxisVisible)
            return;
        if (OnBeforeDrawAxes)
            OnBeforeDrawAxes();
        const std::vector<TChartAxis*> axes = fAxes;
        for (TChartAxis* axis : axes)
            if (!axis->IsDepth() && AxisShown(*axis))
                axis->DrawAxis(true);
    };
    if (ChartDrawAxesBeforeSeries)
        drawAxes();
    if (OnBeforeDrawSeries)
        OnBeforeDrawSeries();
    for (TChartSeries* s : series)
        if (s->Active())
            DrawSeries(*s);
    if (!ChartDrawAxesBeforeSeries)
        drawAxes();
    fCanvas->ResetDrawingState();
    if (OnAfterDraw)
        OnAfterDraw();
}

void TCustomAxisPanel::LayoutAxes()
{
    for (TChartAxis* axis : fAxes)
        axis->ComputeRange();
    if (fView3D) {
        // Depth of the flat projection (3D layout is not built beyond its sizes).
        fSeriesDepth = fChart3DPercent * fPlotWidth / 1000;
        if (!fView3DOptions.Orthogonal())
            fSeriesDepth *= 2;
        fTotalDepth = fSeriesDepth;
        fWallDepth = fSeriesDepth;
    } else {
        fSeriesDepth = fTotalDepth = fWallDepth = 0;
    }
    NormalizePlotRect();
    TRect r = fPlotRect;
    for (std::size_t i = 0; i < fAxes.size(); ++i) {
        TChartAxis* axis = fAxes[i];
        // The 3D layout is not built: the depth axis takes no room (and is not drawn).
        if (axis->IsDepth() || !AxisShown(*axis))
            continue;
        TRect reduced = r;
        axis->ReserveAxisRoom(reduced, i < 5);
        TRect inter;
        if (IntersectRect(reduced, r, inter))
            r = inter;
    }
    fPlotRect = r;
    NormalizePlotRect();
    for (TChartAxis* axis : fAxes)
        axis->ComputePixelSpan();
}

void TCustomAxisPanel::ApplySeriesMargins()
{
    TChartAxis* axes[4] = {fTopAxis.get(), fLeftAxis.get(), fRightAxis.get(), fBottomAxis.get()};
    for (TChartAxis* axis : axes) {
        int a = 0, b = 0;
        for (TChartSeries* s : fSeries) {
            if (!s->Active() || !s->AssociatedWith(axis))
                continue;
            int sa = 0, sb = 0;
            if (axis->IsHorizontal())
                s->HorizontalMargins(sa, sb);
            else
                s->VerticalMargins(sa, sb);
            a = std::max(a, sa);
            b = std::max(b, sb);
        }
        // Only automatic ends take the margins.
        if (axis->IsHorizontal()) {
            if (!axis->AutomaticMinimum())
                a = 0;
            if (!axis->AutomaticMaximum())
                b = 0;
        } else {
            if (!axis->AutomaticMaximum())
                a = 0;
            if (!axis->AutomaticMinimum())
                b = 0;
        }
        if (a == 0 && b == 0)
            continue;  // nothing to move: the working range stays exactly [Minimum, Maximum]
        if (axis->IsHorizontal())
            axis->AdjustRangeForMargins(TRect(a, 0, b, 0));
        else
            axis->AdjustRangeForMargins(TRect(0, a, 0, b));
    }
}

void TCustomAxisPanel::DrawSeries(TChartSeries& series)
{
    series.ComputeVisibleRange();
    series.PlacePoints();
    if (series.FirstVisible() < 0)
        return;
    series.FireBeforeDrawValues();
    const bool clip = fClipPoints && ClippingAllowed();
    if (clip)
        fCanvas->ClipToPlot(fPlotRect, 0, fTotalDepth);
    series.DrawPoints();
    fCanvas->RemoveClip();
    if (series.Marks().Visible()) {
        if (series.Marks().Clip() && clip)
            fCanvas->ClipToPlot(fPlotRect, 0, fTotalDepth);
        series.DrawMarks();
        fCanvas->RemoveClip();
    }
    series.FireAfterDrawValues();
}
