#include "chart/ChartSeries.h"

#include "chart/ChartAxis.h"
#include "chart/ChartException.h"
#include "chart/ChartMath.h"
#include "chart/CustomAxisPanel.h"

#include <algorithm>
#include <stdexcept>
#include <string>

TChartSeries::TChartSeries()
    : fXValues(std::make_unique<TChartValueList>(this, "X")), fYValues(std::make_unique<TChartValueList>(this, "Y"))
{
    fXValues->SetOrder(loAscending);
    fValueListOrder.push_back(fXValues.get());
    fValueListOrder.push_back(fYValues.get());
    fMarks.OnChange = [this] { InvalidateChart(); };
}

TChartSeries::~TChartSeries()
{
    // Unlink from the source and from the series computed from this one.
    if (fDataSource) {
        auto& deps = fDataSource->fDependents;
        deps.erase(std::remove(deps.begin(), deps.end(), this), deps.end());
        fDataSource = nullptr;
    }
    for (TChartSeries* d : fDependents)
        d->fDataSource = nullptr;
    fDependents.clear();
    fMarks.OnChange = nullptr;
    // Emptied like any cleared series (OnClearValues is raised) while still
    // attached, then detached. A handler's exception cannot leave a destructor.
    try {
        ClearPoints();
    } catch (...) {
        ReleaseLists();
    }
    if (fParentChart)
        fParentChart->RemoveSeries(this);
}

// --- value lists --------------------------------------------------------------------------

TChartValueList& TChartSeries::NewValueList(const std::string& name)
{
    fExtraLists.push_back(std::make_unique<TChartValueList>(this, name));
    fValueListOrder.push_back(fExtraLists.back().get());
    return *fExtraLists.back();
}

TChartValueList* TChartSeries::ValueListByName(const std::string& name)
{
    for (TChartValueList* l : fValueListOrder)
        if (l->Name() == name)
            return l;
    return nullptr;
}

// --- points --------------------------------------------------------------------------------

int TChartSeries::AddPoint(double value, const std::string& label, TColor color)
{
    const double n = static_cast<double>(PointCount());
    if (IsYMandatory())
        return AddPointXY(n, value, label, color);
    return AddPointXY(value, n, label, color);
}

int TChartSeries::AddPointXY(double x, double y, const std::string& label, TColor color)
{
    fXValues->SetPendingValue(x);
    fYValues->SetPendingValue(y);
    if (OnBeforeAdd && !OnBeforeAdd(*this))
        return -1;
    const int index = fXValues->InsertSorted(x);
    fYValues->InsertAt(index, y);
    for (auto& extra : fExtraLists)
        extra->InsertAt(std::min(index, extra->ValueCount()), extra->PendingValue());
    InsertPendingExtras(index);
    fColors.insert(fColors.begin() + std::min<std::size_t>(static_cast<std::size_t>(index), fColors.size()), color);
    fLabels.insert(fLabels.begin() + std::min<std::size_t>(static_cast<std::size_t>(index), fLabels.size()), label);
    NotifyPointAdded(index);
    return index;
}

int TChartSeries::AddNullPoint(const std::string& label)
{
    return AddPoint(0.0, label, clNone);
}

int TChartSeries::AddNullPointXY(double x, double y, const std::string& label)
{
    return AddPointXY(x, y, label, clNone);
}

void TChartSeries::NotifyPointAdded(int index)
{
    if (OnAfterAdd)
        OnAfterAdd(*this, index);
    NotifyLinked(slkAdd, index);
    if (fActive)
        InvalidateChart();
}

void TChartSeries::ReleaseLists()
{
    for (TChartValueList* l : fValueListOrder)
        l->ClearValueList();
    std::vector<TColor>().swap(fColors);
    std::vector<std::string>().swap(fLabels);
}

void TChartSeries::ClearPoints()
{
    ReleaseLists();
    if (OnClearValues)
        OnClearValues(*this);
    NotifyLinked(slkClear, -1);
    if (fActive && fParentChart && !fParentChart->Destroying())
        InvalidateChart();
}

void TChartSeries::DeletePoint(int index)
{
    if (index < 0 || index >= PointCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    for (TChartValueList* l : fValueListOrder)
        if (index < l->ValueCount())
            l->DeleteAt(index);
    if (static_cast<std::size_t>(index) < fColors.size())
        fColors.erase(fColors.begin() + index);
    if (static_cast<std::size_t>(index) < fLabels.size())
        fLabels.erase(fLabels.begin() + index);
    NotifyLinked(slkDelete, index);
    if (fActive)
        InvalidateChart();
}

TColor TChartSeries::PointColor(int index) const
{
    return OwnPointColor(index);
}

std::string TChartSeries::MarkText(int index)
{
    std::string text = FormatFloat(fValueFormat, MarkValue(index));
    if (OnGetMarkText)
        OnGetMarkText(*this, index, text);
    return text;
}

std::string TChartSeries::PointLabel(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= fLabels.size())
        return std::string();
    return fLabels[static_cast<std::size_t>(index)];
}

bool TChartSeries::HasPointLabel(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < fLabels.size() &&
           !fLabels[static_cast<std::size_t>(index)].empty();
}

bool TChartSeries::HasAnyPointLabel() const
{
    for (const std::string& l : fLabels)
        if (!l.empty())
            return true;
    return false;
}

void TChartSeries::SetPointColor(int index, TColor color)
{
    if (index < 0 || index >= PointCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    if (fColors.size() < static_cast<std::size_t>(PointCount()))
        fColors.resize(static_cast<std::size_t>(PointCount()), clDefault);
    fColors[static_cast<std::size_t>(index)] = color;
    InvalidateChart();
}

void TChartSeries::SetPointLabel(int index, const std::string& label)
{
    if (index < 0 || index >= PointCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    if (fLabels.size() < static_cast<std::size_t>(PointCount()))
        fLabels.resize(static_cast<std::size_t>(PointCount()));
    fLabels[static_cast<std::size_t>(index)] = label;
    InvalidateChart();
}

void TChartSeries::SwapPoints(int a, int b)
{
    for (TChartValueList* l : fValueListOrder)
        l->Exchange(a, b);
    const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
    if (ua < fColors.size() && ub < fColors.size())
        std::swap(fColors[ua], fColors[ub]);
    if (ua < fLabels.size() && ub < fLabels.size())
        std::swap(fLabels[ua], fLabels[ub]);
}

// --- drawing -------------------------------------------------------------------------------------

void TChartSeries::FireBeforeDrawValues()
{
    if (BeforeDrawValues)
        BeforeDrawValues(*this);
}

void TChartSeries::FireAfterDrawValues()
{
    if (AfterDrawValues)
        AfterDrawValues(*this);
}

void TChartSeries::ComputeVisibleRange()
{
    fFirstVisible = -1;
    fLastVisible = -1;
    const int count = PointCount();
    if (count == 0)
        return;
    const int last = count - 1;
    const bool yMandatory = IsYMandatory();
    const TChartValueList& list = yMandatory ? *fXValues : *fYValues;
    TChartAxis* axis = yMandatory ? fHorizAxisObject : fVertAxisObject;
    if (!fLimitToAxis || list.Order() == loNone || !fParentChart || !axis) {
        fFirstVisible = 0;
        fLastVisible = last;
        return;
    }
    const TRect& plot = fParentChart->PlotRect();
    double low, high;
    if (yMandatory) {
        low = axis->PixelToValue(axis->Inverted() ? plot.Right : plot.Left);
        high = axis->PixelToValue(axis->Inverted() ? plot.Left : plot.Right);
    } else {
        low = axis->PixelToValue(axis->Inverted() ? plot.Top : plot.Bottom);
        high = axis->PixelToValue(axis->Inverted() ? plot.Bottom : plot.Top);
    }
    int first = -1;
    for (int i = 0; i < count; ++i) {
        if (!(list.ValueAt(i) < low)) {
            first = i;
            break;
        }
    }
    if (first < 0)
        return;
    fFirstVisible = first;
    if (!(list.LastValue() > high)) {
        fLastVisible = last;
        return;
    }
    int lastVisible = last;
    for (int i = first; i < count; ++i) {
        if (!(list.ValueAt(i) < high)) {
            lastVisible = i;
            break;
        }
    }
    if (!fKeepPartialLast && list.ValueAt(lastVisible) > high)
        --lastVisible;
    fLastVisible = lastVisible;
}

void TChartSeries::DrawPoints()
{
    if (fFirstVisible < 0 || fLastVisible < fFirstVisible)
        return;
    if (DrawsForward()) {
        for (int i = fFirstVisible; i <= fLastVisible; ++i)
            DrawPoint(i);
    } else {
        for (int i = fLastVisible; i >= fFirstVisible; --i)
            DrawPoint(i);
    }
}

void TChartSeries::DrawMarks()
{
    if (!fMarks.Visible() || fFirstVisible < 0)
        return;
    for (int i = fFirstVisible; i <= fLastVisible && i < PointCount(); ++i)
        if (PointColor(i) != clNone)
            DrawPointMark(i);
}

// --- axes and pixels ---------------------------------------------------------------------------------

bool TChartSeries::AssociatedWith(const TChartAxis* axis) const
{
    if (!UsesAxes() || !axis || axis->IsDepth())
        return false;
    if (axis->IsHorizontal())
        return fHorizAxis == aBothHorizAxis || axis == fHorizAxisObject;
    return fVertAxis == aBothVertAxis || axis == fVertAxisObject;
}

void TChartSeries::SetHorizAxis(THorizAxis v)
{
    if (v == fHorizAxis)
        return;
    fHorizAxis = v;
    ResolveAxes();
    InvalidateChart();
}

void TChartSeries::SetVertAxis(TVertAxis v)
{
    if (v == fVertAxis)
        return;
    fVertAxis = v;
    ResolveAxes();
    InvalidateChart();
}

void TChartSeries::SetCustomHorizAxis(TChartAxis* axis)
{
    fCustomHorizAxis = axis;
    ResolveAxes();
    InvalidateChart();
}

void TChartSeries::SetCustomVertAxis(TChartAxis* axis)
{
    fCustomVertAxis = axis;
    ResolveAxes();
    InvalidateChart();
}

void TChartSeries::ResolveAxes()
{
    if (!fParentChart) {
        fHorizAxisObject = nullptr;
        fVertAxisObject = nullptr;
        return;
    }
    switch (fHorizAxis) {
    case aTopAxis:
        fHorizAxisObject = &fParentChart->TopAxis();
        break;
    case aCustomHorizAxis:
        fHorizAxisObject = fCustomHorizAxis ? fCustomHorizAxis : &fParentChart->BottomAxis();
        break;
    default:
        fHorizAxisObject = &fParentChart->BottomAxis();
        break;
    }
    switch (fVertAxis) {
    case aRightAxis:
        fVertAxisObject = &fParentChart->RightAxis();
        break;
    case aCustomVertAxis:
        fVertAxisObject = fCustomVertAxis ? fCustomVertAxis : &fParentChart->LeftAxis();
        break;
    default:
        fVertAxisObject = &fParentChart->LeftAxis();
        break;
    }
}

void TChartSeries::HorizontalMargins(int& left, int& right)
{
    left = 0;
    right = 0;
}

void TChartSeries::VerticalMargins(int& top, int& bottom)
{
    top = 0;
    bottom = 0;
}

int TChartSeries::PointPixelX(int index)
{
    return XToPixel(PointX(index));
}

int TChartSeries::PointPixelY(int index)
{
    return YToPixel(PointY(index));
}

int TChartSeries::XToPixel(double value) const
{
    return fHorizAxisObject ? fHorizAxisObject->ValueToPixelX(value) : 0;
}

int TChartSeries::YToPixel(double value) const
{
    return fVertAxisObject ? fVertAxisObject->ValueToPixelY(value) : 0;
}

double TChartSeries::PixelToX(int pixel) const
{
    return fHorizAxisObject ? fHorizAxisObject->PixelToValue(pixel) : 0.0;
}

double TChartSeries::PixelToY(int pixel) const
{
    return fVertAxisObject ? fVertAxisObject->PixelToValue(pixel) : 0.0;
}

int TChartSeries::PointAt(int /*x*/, int /*y*/)
{
    return -1;
}

int TChartSeries::PointAtCursor()
{
    if (!fParentChart)
        return -1;
    const TPoint p = fParentChart->CursorClientPosition();
    return PointAt(p.X, p.Y);
}

// --- sources and dependents ------------------------------------------------------------------------------

void TChartSeries::CopyPointFrom(const TChartSeries& source, int index)
{
    for (std::size_t k = 2; k < fValueListOrder.size() && k < source.fValueListOrder.size(); ++k)
        fValueListOrder[k]->SetPendingValue(source.fValueListOrder[k]->ValueAt(index));
    AddPointXY(source.PointX(index), source.PointY(index), source.PointLabel(index),
               index < static_cast<int>(source.fColors.size()) ? source.fColors[static_cast<std::size_t>(index)]
                                                               : clDefault);
}

void TChartSeries::SourcePointAdded(int index)
{
    if (fDataSource && index >= 0 && index < fDataSource->PointCount())
        CopyPointFrom(*fDataSource, index);
}

void TChartSeries::SourcePointDeleted(int index)
{
    if (index >= 0 && index < PointCount())
        DeletePoint(index);
}

void TChartSeries::CopyAllFrom(const TChartSeries& source)
{
    ReleaseLists();
    for (int i = 0; i < source.PointCount(); ++i)
        CopyPointFrom(source, i);
    InvalidateChart();
}

void TChartSeries::SetDataSource(TChartSeries* source)
{
    if (source == fDataSource)
        return;
    if (source) {
        if (!fParentChart)
            throw ChartException("No ParentChart to validate DataSource");
        // A source computed (directly or further up) from this series would pass
        // every added point round the loop forever.
        bool loop = false;
        for (const TChartSeries* s = source; s && !loop; s = s->fDataSource)
            loop = s == this;
        if (loop || !AcceptsAsSource(source))
            throw ChartException("No valid DataSource: " + source->Title());
    }
    if (fDataSource) {
        auto& deps = fDataSource->fDependents;
        deps.erase(std::remove(deps.begin(), deps.end(), this), deps.end());
    }
    fDataSource = source;
    if (source) {
        source->fDependents.push_back(this);
        CopyAllFrom(*source);
    }
}

void TChartSeries::NotifyLinked(TSeriesLinkKind kind, int index)
{
    // Copy: a dependent may unlink itself while reacting.
    const std::vector<TChartSeries*> deps = fDependents;
    for (TChartSeries* d : deps) {
        switch (kind) {
        case slkClear:
            d->ClearPoints();
            break;
        case slkAdd:
            d->SourcePointAdded(index);
            break;
        case slkDelete:
            d->SourcePointDeleted(index);
            break;
        case slkRefresh:
        case slkModify:
            d->CopyAllFrom(*this);
            break;
        }
    }
}

// --- properties ---------------------------------------------------------------------------------------------

void TChartSeries::SetActive(bool v)
{
    if (v == fActive)
        return;
    fActive = v;
    InvalidateChart();
}

void TChartSeries::SetSeriesColor(TColor v)
{
    if (v == fSeriesColor)
        return;
    fSeriesColor = v;
    InvalidateChart();
}

void TChartSeries::SetColorEachPoint(bool v)
{
    if (v == fColorEachPoint)
        return;
    fColorEachPoint = v;
    InvalidateChart();
}

void TChartSeries::SetParentChart(TCustomAxisPanel* chart)
{
    if (chart == fParentChart)
        return;
    if (fParentChart)
        fParentChart->RemoveSeries(this);
    fParentChart = nullptr;
    if (chart)
        chart->AddSeries(this);  // stores the chart, resolves the axes, repaints
    else
        ResolveAxes();
}

void TChartSeries::SetTitle(const std::string& v)
{
    if (v == fTitle)
        return;
    fTitle = v;
    InvalidateChart();
}

void TChartSeries::SetValueFormat(const std::string& v)
{
    if (v == fValueFormat)
        return;
    fValueFormat = v;
    InvalidateChart();
}

void TChartSeries::SetPercentFormat(const std::string& v)
{
    if (v == fPercentFormat)
        return;
    fPercentFormat = v;
    InvalidateChart();
}

void TChartSeries::SetShowInLegend(bool v)
{
    if (v == fShowInLegend)
        return;
    fShowInLegend = v;
    InvalidateChart();
}

void TChartSeries::SetLimitToAxis(bool v)
{
    if (v == fLimitToAxis)
        return;
    fLimitToAxis = v;
    InvalidateChart();
}

void TChartSeries::SetKeepPartialLast(bool v)
{
    if (v == fKeepPartialLast)
        return;
    fKeepPartialLast = v;
    InvalidateChart();
}

void TChartSeries::SetCursor(int v)
{
    if (v == fCursor)
        return;
    fCursor = v;
    InvalidateChart();
}

void TChartSeries::InvalidateChart()
{
    if (fParentChart)
        fParentChart->RequestRepaint();
}
