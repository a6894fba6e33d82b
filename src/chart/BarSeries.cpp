// Bar series: bar width, bar position and base, drawing of one bar and the
// bar hit test.
#include "chart/BarSeries.h"

#include "chart/ChartAxis.h"
#include "chart/ChartCanvas3D.h"
#include "chart/ChartException.h"
#include "chart/ChartMath.h"
#include "chart/CustomAxisPanel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <typeinfo>

// ---- TCustomBarSeries --------------------------------------------------------------

TCustomBarSeries::TCustomBarSeries()
{
    // A new bar series shows its marks with long arrows and calls its value list "Bar".
    fMarks.SetVisible(true);
    fMarks.SetArrowLength(20);
    fYValues->SetName("Bar");
    fYValues->SetOrder(loNone);
    fBarPen.OnChange = [this] { Changed(); };
    fBarBrush.OnChange = [this] { Changed(); };
}

void TCustomBarSeries::Assign(const TCustomBarSeries& other)
{
    fBarWidthPercent = other.fBarWidthPercent;
    fOffsetPercent = other.fOffsetPercent;
    fMultiBar = other.fMultiBar;
    fBarStyle = other.fBarStyle;
    fBarPen.Assign(other.fBarPen);
    fBarBrush = other.fBarBrush;
    fUseYOrigin = other.fUseYOrigin;
    fYOrigin = other.fYOrigin;
    fSideMargins = other.fSideMargins;
    fAutoBarSize = other.fAutoBarSize;
    fAutoMarkPosition = other.fAutoMarkPosition;
    fDark3D = other.fDark3D;
    fCustomBarWidth = other.fCustomBarWidth;
    SetSeriesColor(other.SeriesColor());
    Changed();
}

template <class F> void TCustomBarSeries::ForEachSameKind(F f) const
{
    if (fParentChart == nullptr) {
        f(*const_cast<TCustomBarSeries*>(this));
        return;
    }
    for (TChartSeries* s : fParentChart->SeriesList()) {
        if (s == nullptr || !s->Active() || typeid(*s) != typeid(*this))
            continue;
        f(static_cast<TCustomBarSeries&>(*s));
    }
}

// ---- setters -------------------------------------------------------------------------

void TCustomBarSeries::SetBarWidthPercent(int v)
{
    if (v < 1 || v > 100)
        throw ChartException("Bar Width Percent must be between 1 and 100");
    if (v != fBarWidthPercent) {
        fBarWidthPercent = v;
        Changed();
    }
}

void TCustomBarSeries::SetOffsetPercent(int v)
{
    if (v < -100 || v > 100)
        throw ChartException("Bar Offset Percent must be between -100% and 100%");
    if (v != fOffsetPercent) {
        fOffsetPercent = v;
        Changed();
    }
}

void TCustomBarSeries::SetMultiBar(TMultiBar v)
{
    if (v == fMultiBar)
        return;
    fMultiBar = v;
    if (fParentChart != nullptr) {
        for (TChartSeries* s : fParentChart->SeriesList())
            if (s != this && s != nullptr && typeid(*s) == typeid(*this))
                static_cast<TCustomBarSeries*>(s)->fMultiBar = v;
    }
    Changed();
}

void TCustomBarSeries::SetBarStyle(TBarStyle v)
{
    if (v != fBarStyle) {
        fBarStyle = v;
        Changed();
    }
}

void TCustomBarSeries::SetBarPen(const TChartPen& v)
{
    fBarPen.Assign(v);
}

void TCustomBarSeries::SetBarBrush(const TChartBrush& v)
{
    fBarBrush = v;  // a changed copy repaints through the brush's notification
}

void TCustomBarSeries::SetUseYOrigin(bool v)
{
    if (v != fUseYOrigin) {
        fUseYOrigin = v;
        Changed();
    }
}

void TCustomBarSeries::SetYOrigin(double v)
{
    if (v != fYOrigin) {
        fYOrigin = v;
        Changed();
    }
}

void TCustomBarSeries::SetSideMargins(bool v)
{
    if (v == fSideMargins)
        return;
    fSideMargins = v;
    if (fParentChart != nullptr) {
        for (TChartSeries* s : fParentChart->SeriesList())
            if (s != this && s != nullptr && typeid(*s) == typeid(*this))
                static_cast<TCustomBarSeries*>(s)->fSideMargins = v;
    }
    Changed();
}

void TCustomBarSeries::SetAutoBarSize(bool v)
{
    if (v != fAutoBarSize) {
        fAutoBarSize = v;
        Changed();
    }
}

void TCustomBarSeries::SetAutoMarkPosition(bool v)
{
    if (v != fAutoMarkPosition) {
        fAutoMarkPosition = v;
        Changed();
    }
}

void TCustomBarSeries::SetDark3D(bool v)
{
    if (v != fDark3D) {
        fDark3D = v;
        Changed();
    }
}

// ---- geometry ----------------------------------------------------------------------------

void TCustomBarSeries::ComputeBarSize()
{
    if (fCustomBarWidth != 0) {
        fBarPixelWidth = fCustomBarWidth;
        return;
    }
    int count = PointCount();
    int sides = 1;
    if (fParentChart != nullptr) {
        if (fMultiBar == mbSide) {
            sides = 0;
            count = 0;
            ForEachSameKind([&](TCustomBarSeries& s) {
                ++sides;
                count = std::max(count, s.PointCount());
            });
            sides = std::max(sides, 1);
        }
        // Pages size the bars as if the axis always held a full page.
        if (fParentChart->MaxPointsPerPage() > 0)
            count = fParentChart->MaxPointsPerPage();
    }
    if (count <= 0 || fHorizAxisObject == nullptr) {
        fBarPixelWidth = 0;
        return;
    }
    if (fSideMargins)
        ++count;

    const TChartAxis& axis = *fHorizAxisObject;
    const int w = axis.PixelSize();
    int available;
    if (fAutoBarSize) {
        const double places = axis.Maximum() + 2.0 - axis.Minimum();
        available = places != 0.0 ? RoundHalfEven(w / places) : 0;
    } else {
        available = w / count;
    }
    int width = RoundHalfEven(fBarWidthPercent * 0.01 * available) / sides;
    if (width % 2 != 0)
        ++width;  // odd widths are made even (a negative odd one moves towards zero)
    fBarPixelWidth = width;
}

int TCustomBarSeries::SideBarCount() const
{
    if (fMultiBar != mbSide || fParentChart == nullptr)
        return 1;
    int n = 0;
    ForEachSameKind([&](TCustomBarSeries&) { ++n; });
    return std::max(n, 1);
}

int TCustomBarSeries::SideBarOrder() const
{
    int order = 0;
    int place = 1;
    ForEachSameKind([&](TCustomBarSeries& s) {
        ++order;
        if (&s == this)
            place = order;
    });
    return place;
}

int TCustomBarSeries::BarSideMargin() const
{
    const int m = SideBarCount() * fBarPixelWidth;
    return fSideMargins ? m : m / 2;
}

double TCustomBarSeries::StackTotal(int index) const
{
    double total = 0.0;
    ForEachSameKind([&](TCustomBarSeries& s) {
        if (index < s.PointCount())
            total += s.MandatoryList().ValueAt(index);
    });
    return total;
}

double TCustomBarSeries::OriginValue(int index)
{
    if (fMultiBar == mbNone || fMultiBar == mbSide || fParentChart == nullptr)
        return fYOrigin;
    // Stacked: the positive values of the earlier series at this index.
    double sum = 0.0;
    for (TChartSeries* s : fParentChart->SeriesList()) {
        if (s == this)
            break;
        if (s == nullptr || !s->Active() || typeid(*s) != typeid(*this) || index >= s->PointCount())
            continue;
        const double v = s->MandatoryList().ValueAt(index);
        if (v > 0.0)
            sum += v;
    }
    return sum;
}

int TCustomBarSeries::OriginPixel(int index)
{
    const double o = OriginValue(index);
    if (fMultiBar == mbStacked)
        return YToPixel(o);
    if (fMultiBar == mbStacked100) {
        const double t = StackTotal(index);
        return t == 0.0 ? 0 : YToPixel(o * 100.0 / t);
    }
    if (!fUseYOrigin)
        return fVertAxisObject != nullptr ? fVertAxisObject->EndPixel() : 0;
    return YToPixel(o);
}

TBarStyle TCustomBarSeries::BarStyleOf(int index)
{
    TBarStyle style = fBarStyle;
    if (OnGetBarStyle)
        OnGetBarStyle(*this, index, style);
    return style;
}

// ---- the bars of the passes -------------------------------------------------------------------

TBarGeometry& TCustomBarSeries::StartPassBars()
{
    fPassBars = fParentChart == nullptr || fParentChart->PassShown() ? &fShownBars : &fExportBars;
    return *fPassBars;
}

int TCustomBarSeries::PointAt(int x, int y)
{
    if (fParentChart != nullptr)
        fParentChart->Canvas().UnprojectPoint(x, y, 0);
    const int found = TChartSeries::PointAt(x, y);
    if (found >= 0)
        return found;
    return fShownBars.BarAt(TPoint(x, y), PointCount());
}

int TCustomBarSeries::DrawnBarAt(int x, int y)
{
    if (fParentChart != nullptr)
        fParentChart->Canvas().UnprojectPoint(x, y, 0);
    return fShownBars.DrawnBarAt(TPoint(x, y), PointCount());
}

int TCustomBarSeries::DrawnBarAtCursor()
{
    if (fParentChart == nullptr)
        return -1;
    const TPoint p = fParentChart->CursorClientPosition();
    return DrawnBarAt(p.X, p.Y);
}

// ---- drawing helpers ---------------------------------------------------------------------------

void TCustomBarSeries::PrepareBarPenBrush(TColor c)
{
    TChartCanvas3D& canvas = fParentChart->Canvas();
    canvas.ApplyChartPen(fBarPen);
    if (fBarBrush.HasBitmap()) {
        canvas.Brush().Bitmap = fBarBrush.Bitmap();
        return;
    }
    canvas.Brush().ClearBitmap();
    const TColor back = fBarBrush.Color() == clDefault ? fParentChart->Color() : fBarBrush.Color();
    fParentChart->UseBrush(c, fBarBrush.Style(), back);
}

// The bar colour arrives through the canvas brush (PrepareBarPenBrush).
void TCustomBarSeries::FillBarRect(TColor /*c*/, int left, int top, int right, int bottom)
{
    TChartCanvas3D& canvas = fParentChart->Canvas();
    TCanvasPen& pen = canvas.Pen();
    TCanvasBrush& brush = canvas.Brush();
    if (brush.Style == bsSolid) {
        if (left == right || top == bottom) {
            // No inside to fill: a line in the bar's colour.
            pen.Color = brush.Color;
            if (pen.Style == psClear)
                pen.Style = psSolid;
            canvas.DrawSegment(left, top, right, bottom);
            return;  // the rectangle of a degenerate box covers no pixel
        }
        if (pen.Width > std::abs(right - left) || pen.Width > std::abs(bottom - top)) {
            // The pen would cover the bar: draw its outline in the bar's colour.
            pen.Color = brush.Color;
            if (pen.Style == psClear)
                pen.Style = psSolid;
            brush.Style = bsClear;
        }
    }
    canvas.DrawBox(left, top, right, bottom);
}

// ---- TBarSeries ----------------------------------------------------------------------------------

int TBarSeries::AddBarPoint(double value, const std::string& label, TColor color)
{
    return AddPoint(value, label, color);
}

void TBarSeries::SetCustomBarWidth(int v)
{
    if (v != fCustomBarWidth) {
        fCustomBarWidth = v;
        Changed();
    }
}

double TBarSeries::HighestY()
{
    if (fMultiBar == mbStacked100)
        return 100.0;
    double h;
    if (fMultiBar == mbStacked) {
        h = 0.0;
        for (int i = 0; i < PointCount(); ++i) {
            const double v = fYValues->ValueAt(i) + OriginValue(i);
            h = i == 0 ? v : std::max(h, v);
        }
    } else {
        h = fYValues->HighestValue();
    }
    if (fUseYOrigin && (PointCount() == 0 || fYOrigin > h))
        h = fYOrigin;
    return h;
}

double TBarSeries::LowestY()
{
    if (fMultiBar == mbStacked100)
        return 0.0;
    double l;
    if (fMultiBar == mbStacked) {
        l = 0.0;
        for (int i = 0; i < PointCount(); ++i) {
            const double v = fYValues->ValueAt(i) + OriginValue(i);
            l = i == 0 ? v : std::min(l, v);
        }
    } else {
        l = fYValues->LowestValue();
    }
    if (fUseYOrigin && (PointCount() == 0 || fYOrigin < l))
        l = fYOrigin;
    return l;
}

int TBarSeries::PointPixelX(int index)
{
    return XToPixel(PointX(index)) + BarShift();
}

int TBarSeries::BarShift() const
{
    int shift = fMultiBar == mbSide ? RoundHalfEven((SideBarOrder() - SideBarCount() * 0.5 - 1.0) * fBarPixelWidth)
                                    : -(fBarPixelWidth / 2);
    if (fOffsetPercent != 0)
        shift += RoundHalfEven(fOffsetPercent * fBarPixelWidth * 0.01);
    return shift;
}

int TBarSeries::PointPixelY(int index)
{
    const double v = PointY(index);
    if (fMultiBar == mbStacked)
        return YToPixel(v + OriginValue(index));
    if (fMultiBar == mbStacked100) {
        const double t = StackTotal(index);
        return t == 0.0 ? 0 : YToPixel((v + OriginValue(index)) * 100.0 / t);
    }
    return YToPixel(v);
}

bool TBarSeries::DrawsForward()
{
    return fHorizAxisObject == nullptr || !fHorizAxisObject->Inverted();
}

void TBarSeries::HorizontalMargins(int& left, int& right)
{
    TChartSeries::HorizontalMargins(left, right);
    ComputeBarSize();
    const int m = BarSideMargin();
    left += m;
    right += m;
}

void TBarSeries::VerticalMargins(int& top, int& bottom)
{
    TChartSeries::VerticalMargins(top, bottom);
    if (!fMarks.Visible() || PointCount() == 0)
        return;
    const int room = MarkLength() + 1;
    if (fYValues->HighestValue() > fYOrigin)
        top += room;
    if (fYValues->LowestValue() < fYOrigin)
        bottom += room;
}

int TBarSeries::MarkLength()
{
    if (fParentChart == nullptr)
        return 0;
    fParentChart->UseFont(fMarks.Font());
    return fParentChart->Canvas().LineHeight();
}

TBarSeries::TSharedPlace TBarSeries::SharedPlace()
{
    TSharedPlace shared;
    shared.Shift = BarShift();
    // Bars that are not stacked all stand on the Y origin (or the axis' end).
    shared.SameBase = fMultiBar == mbNone || fMultiBar == mbSide;
    if (shared.SameBase)
        shared.Base = OriginPixel(0);
    return shared;
}

TBarGeometry::TBar TBarSeries::PlaceBar(int index, const TSharedPlace& shared)
{
    // The left edge as PointPixelX gives it, the base as OriginPixel does.
    return {XToPixel(PointX(index)) + shared.Shift, PointPixelY(index),
            shared.SameBase ? shared.Base : OriginPixel(index), PointColor(index)};
}

void TBarSeries::PlacePoints()
{
    TBarGeometry& bars = StartPassBars();
    const int last = std::min(fLastVisible, PointCount() - 1);
    const bool any = fFirstVisible >= 0 && last >= fFirstVisible;
    bars.Begin(any ? fFirstVisible : -1, fBarPixelWidth, fBarStyle, fBarPen.Visible());
    if (!any)
        return;
    const TSharedPlace shared = SharedPlace();
    for (int i = fFirstVisible; i <= last; ++i)
        bars.Add(PlaceBar(i, shared));
}

void TBarSeries::DrawPoints()
{
    // Placed by this pass' PlacePoints, which nothing since has undone: the
    // indices of the geometry are points of the series.
    const TBarGeometry& bars = *fPassBars;
    if (fParentChart == nullptr || bars.Empty())
        return;
    const int width = bars.Width();
    if (DrawsForward()) {
        for (int i = bars.First(); i <= bars.Last(); ++i)
            DrawBar(i, bars.Bar(i), width);
    } else {
        for (int i = bars.Last(); i >= bars.First(); --i)
            DrawBar(i, bars.Bar(i), width);
    }
}

void TBarSeries::DrawPoint(int index)
{
    if (fParentChart == nullptr)
        return;
    DrawBar(index, PlaceBar(index), fBarPixelWidth);
}

void TBarSeries::DrawBar(int index, const TBarGeometry::TBar& bar, int width)
{
    fCurrentBarColor = bar.Color;
    if (!bar.Drawn())
        return;
    fBarRect = TRect(bar.Left, bar.Top, bar.Left + width, bar.Base);
    DrawBarShape(index, std::min(bar.Top, bar.Base), std::max(bar.Top, bar.Base));
}

void TBarSeries::DrawBarShape(int index, int top, int bottom)
{
    TChartCanvas3D& canvas = fParentChart->Canvas();
    PrepareBarPenBrush(fCurrentBarColor);
    const int left = fBarRect.Left;
    const int right = fBarRect.Right;
    const int mid = (left + right) / 2;
    const TBarStyle style = BarStyleOf(index);
    switch (style) {
    case bsRectangle:
    case bsCilinder:
        FillBarRect(fCurrentBarColor, left, top, right, bottom);
        break;
    case bsRectGradient: {
        const TRect r(left, top, right, bottom);
        if (!r.IsEmpty())
            canvas.GradientArea(r, clWhite, gdTopBottom, fCurrentBarColor);
        if (fBarPen.Visible()) {
            canvas.Brush().Style = bsClear;
            FillBarRect(fCurrentBarColor, left, top, right, bottom);
        }
        break;
    }
    case bsPyramid:
    case bsInvPyramid: {
        // The pyramid has its apex at the value end of the bar and its base on
        // the origin end; the inverted pyramid the other way round.
        const bool up = fBarRect.Top <= fBarRect.Bottom;
        const bool apexOnTop = up == (style == bsPyramid);
        const int apexY = apexOnTop ? top : bottom;
        const int baseY = apexOnTop ? bottom : top;
        canvas.DrawPolygon({TPoint(left, baseY), TPoint(mid, apexY), TPoint(right, baseY)});
        break;
    }
    case bsEllipse:
        canvas.DrawEllipse(TRect(left, top, right, bottom));
        break;
    case bsArrow: {
        // A shaft of half the bar's width under a head of the full width.
        const int w = right - left;
        const int head = std::min(bottom - top, std::max(1, w / 2));
        const int quarter = w / 4;
        const bool up = fBarRect.Top <= fBarRect.Bottom;
        if (up)
            canvas.DrawPolygon({TPoint(left + quarter, bottom), TPoint(left + quarter, top + head),
                                TPoint(left, top + head), TPoint(mid, top), TPoint(right, top + head),
                                TPoint(right - quarter, top + head), TPoint(right - quarter, bottom)});
        else
            canvas.DrawPolygon({TPoint(left + quarter, top), TPoint(left + quarter, bottom - head),
                                TPoint(left, bottom - head), TPoint(mid, bottom), TPoint(right, bottom - head),
                                TPoint(right - quarter, bottom - head), TPoint(right - quarter, top)});
        break;
    }
    }
}

void TBarSeries::DrawPointMark(int index)
{
    if (fParentChart == nullptr || !fMarks.Visible())
        return;
    const std::string text = MarkText(index);
    if (text.empty())
        return;
    TChartCanvas3D& canvas = fParentChart->Canvas();
    fParentChart->UseFont(fMarks.Font());
    const int left = PointPixelX(index);
    const int x = left + fBarPixelWidth / 2;
    const int y = PointPixelY(index);
    const bool up = PointY(index) >= OriginValue(index);
    canvas.SetTextBackMode(tbmTransparent);
    if (up) {
        canvas.SetTextAlignFlags(TA_CENTER | TA_BOTTOM);
        canvas.PutText(x, y - fMarks.ArrowLength(), text);
    } else {
        canvas.SetTextAlignFlags(TA_CENTER | TA_TOP);
        canvas.PutText(x, y + fMarks.ArrowLength(), text);
    }
    canvas.SetTextAlignFlags(TA_LEFT | TA_TOP);
}

bool TBarSeries::PointInBar(int index, const TPoint& p)
{
    return TBarGeometry::HitAreaContains(PlaceBar(index), fBarPixelWidth, fBarStyle, p);
}
