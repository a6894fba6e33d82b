// Axis drawing: title, labels, ticks, grid and axis line of a shown axis.
#include "chart/AxisDrawing.h"

#include "chart/ChartAxis.h"
#include "chart/ChartCanvas3D.h"
#include "chart/ChartMath.h"
#include "chart/ChartSeries.h"
#include "chart/CustomAxisPanel.h"

#include <algorithm>
#include <cmath>

// ---- plain calculations ------------------------------------------------------------------

int LabelHalfRoom(int size, int separation)
{
    // Pixels stay within +-2^28, so a room of 2^30 already keeps every later
    // label off; the cap keeps a huge separation from overflowing the sums.
    constexpr double cap = 1 << 30;
    const double room = std::trunc((size + std::trunc(size * 0.02 * separation)) / 2.0);
    return static_cast<int>(std::min(room, cap));
}

bool LabelFits(int p, int half, int prev, int prevHalf)
{
    if (p >= prev)
        return p - half >= prev + prevHalf;
    return p + half <= prev - prevHalf;
}

std::vector<int> MinorTickPositions(const std::vector<int>& ticks, int minorCount, int startPixel, int endPixel)
{
    std::vector<int> out;
    if (ticks.empty() || minorCount <= 0)
        return out;
    auto keep = [&](int p) {
        if (p > startPixel && p < endPixel)
            out.push_back(p);
    };
    const double parts = minorCount + 1.0;
    const std::size_t last = ticks.size() - 1;
    if (ticks.size() >= 2) {
        // The first spacing continued beyond both ends of the ticks.
        const double spacing = ticks[1] - ticks[0];
        for (int j = 1; j <= minorCount; ++j) {
            const int d = RoundHalfEven(spacing / parts * j);
            keep(ticks[0] - d);
            keep(ticks[last] + d);
        }
    }
    for (std::size_t i = 1; i <= last; ++i) {
        const double spacing = ticks[i] - ticks[i - 1];
        for (int j = 1; j <= minorCount; ++j)
            keep(ticks[i] - RoundHalfEven(j * spacing / parts));
    }
    return out;
}

int LineCount(const std::string& text)
{
    int lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\r' && i + 1 < text.size())
            ++lines;
    return lines;
}

std::vector<std::string> SplitAxisTextLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (true) {
        const auto cr = text.find('\r', start);
        if (cr == std::string::npos) {
            if (start < text.size() || lines.empty())
                lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, cr - start));
        start = cr + 1;
    }
    return lines;
}

// ---- drawing helpers -------------------------------------------------------------------------

namespace {

void AddTick(TChartAxis& axis, int p)
{
    // Room for TickListCapacity positions per pass; further ticks are dropped.
    auto& ticks = axis.TickList();
    if (static_cast<int>(ticks.size()) < TChartAxis::TickListCapacity)
        ticks.push_back(p);
}

// Clear brush in the chart's colour behind axis texts; a white font prints black.
// On the drawing services a clear brush also writes text without a background
// box, whatever background mode an earlier grid left behind.
void PrepareTextBrush(TCustomAxisPanel& chart)
{
    TChartCanvas3D& canvas = chart.Canvas();
    canvas.Brush().Color = chart.Color();
    canvas.Brush().Style = bsClear;
    canvas.SetTextBackMode(tbmTransparent);
    if (chart.Printing() && canvas.Font().Color() == clWhite)
        canvas.Font().SetColor(clBlack);
}

void DrawLabel(TChartAxis& axis, int p, const std::string& text)
{
    TCustomAxisPanel& chart = *axis.ParentChart();
    if (axis.TickOnLabelsOnly())
        AddTick(axis, p);
    chart.UseFont(axis.LabelsFont());
    PrepareTextBrush(chart);
    if (axis.IsHorizontal())
        axis.DrawAxisText(p, axis.LabelsPos(), text, axis.LabelsAngle());
    else
        axis.DrawAxisText(axis.LabelsPos(), p, text, axis.LabelsAngle());
}

// Labels at multiples of the step, from the top value downwards.
void DrawValueLabels(TChartAxis& axis, double step)
{
    if (std::abs(axis.WorkRange() / step) >= 10000.0)
        return;
    double v = axis.WorkMaximum();
    if (axis.WorkMinimum() != axis.WorkMaximum() && axis.RoundFirstLabel())
        v = std::trunc(axis.WorkMaximum() / step) * step;
    while (v > axis.WorkMaximum()) {
        const double next = v - step;
        if (!(next < v))
            return;  // the step is lost in the magnitude of the value
        v = next;
    }
    const double lowest = (axis.WorkMinimum() - 1e-12) / 1.000000000001;
    // At most 10000 labels fit the range; the bound also ends the loop where
    // the step vanishes against the magnitude of the values.
    for (int n = 0; v >= lowest && n <= 10000; ++n) {
        const int p = axis.ValueToPixel(v);
        if (axis.LabelsOnAxis() || (p > axis.StartPixel() && p < axis.EndPixel())) {
            if (!axis.TickOnLabelsOnly())
                AddTick(axis, p);
            if (axis.Labels())
                DrawLabel(axis, p, axis.FormatAxisValue(v));
        }
        const double next = v - step;
        if (!(next < v))
            break;
        v = next;
    }
}

// Point labels (or mark texts) of the series on this axis, thinned out so
// that neighbouring labels keep the separation.
void DrawSeriesLabels(TChartAxis& axis, bool markTexts)
{
    TCustomAxisPanel& chart = *axis.ParentChart();
    std::vector<TChartSeries*> series;
    for (TChartSeries* s : chart.SeriesList())
        if (s != nullptr && s->Active() && s->AssociatedWith(&axis) && s->HasAnyPointLabel())
            series.push_back(s);
    if (series.empty())
        return;

    int first = -1;
    int last = -1;
    for (TChartSeries* s : series) {
        s->ComputeVisibleRange();
        if (first == -1 && s->FirstVisible() != -1)
            first = s->FirstVisible();
        if (s->LastVisible() > last)
            last = s->LastVisible();
    }
    if (first == -1)
        return;

    const int angle = axis.LabelsAngle();
    bool along = axis.IsHorizontal();
    if (angle == 90 || angle == 270)
        along = !along;

    // The labels font stays current through the loop (DrawLabel selects it again).
    chart.UseFont(axis.LabelsFont());
    const int lineHeight = chart.Canvas().LineHeight();
    const int separation = axis.LabelsSeparation();
    // Where no handler sees the texts, a label that would not fit even as one
    // line is passed over before its text is fetched: more lines need more room.
    const bool passOverUnfit = !along && !markTexts && !chart.OnGetAxisLabel && separation > 0 && axis.Labels();
    const int oneLineHalf = LabelHalfRoom(lineHeight, separation);
    int prev = -1;
    int prevHalf = 0;
    int roomSize = -1;
    int roomHalf = 0;
    std::string text;
    for (int i = first; i <= last; ++i) {
        TChartSeries* owner = nullptr;
        for (TChartSeries* s : series) {
            if (i < s->PointCount() && s->HasPointLabel(i)) {
                owner = s;
                break;
            }
        }
        if (owner == nullptr)
            continue;
        if (!passOverUnfit)
            text = markTexts ? owner->MarkText(i) : owner->PointLabel(i);
        const double value = axis.IsHorizontal() ? owner->PointX(i) : owner->PointY(i);
        if (chart.OnGetAxisLabel)
            chart.OnGetAxisLabel(axis, owner, i, text);
        if (value < axis.WorkMinimum() || value > axis.WorkMaximum())
            continue;
        const int p = axis.ValueToPixel(value);
        if (!axis.TickOnLabelsOnly())
            AddTick(axis, p);
        if (!axis.Labels())
            continue;
        if (passOverUnfit) {
            if (prev != -1 && !LabelFits(p, oneLineHalf, prev, prevHalf))
                continue;
            text = owner->PointLabel(i);
        }

        int size;
        if (along) {
            int lines = 0;
            size = chart.MultiLineWidth(text, lines);
        } else {
            size = lineHeight * LineCount(text);
        }
        if (separation != 0 && prev != -1) {
            // Labels of one line share their size: the room is worked out once.
            if (size != roomSize) {
                roomSize = size;
                roomHalf = LabelHalfRoom(size, separation);
            }
            const int half = roomHalf;
            if (LabelFits(p, half, prev, prevHalf)) {
                DrawLabel(axis, p, text);
                prev = p;
                prevHalf = half;
            }
        } else {
            DrawLabel(axis, p, text);
            prev = p;
            prevHalf = size / 2;
        }
    }
}

// One tick of the given length starting one pixel beyond the axis line
// (outwards, or inwards for inner ticks).
void DrawTickAt(TChartAxis& axis, int p, int length, int off, bool inner)
{
    TCustomAxisPanel& chart = *axis.ParentChart();
    TChartCanvas3D& canvas = chart.Canvas();
    const int pos = axis.AxisPos();
    const int depth = axis.IsOtherSide() ? chart.TotalDepth() : 0;
    // Direction away from the plot: down for the bottom axis, up for the top,
    // left for the left axis, right for the right axis.
    int outwards = axis.IsHorizontal() ? (axis.IsOtherSide() ? -1 : 1) : (axis.IsOtherSide() ? 1 : -1);
    if (inner)
        outwards = -outwards;
    const int start = pos + outwards * (1 + off);
    const int end = start + outwards * length;
    if (axis.IsHorizontal())
        canvas.DrawVLineAtDepth(p, start, end, depth);
    else
        canvas.DrawHLineAtDepth(start, end, p, depth);
}

void DrawGridLine(TChartAxis& axis, int p)
{
    TCustomAxisPanel& chart = *axis.ParentChart();
    const TRect& plot = chart.PlotRect();
    if (axis.IsHorizontal())
        chart.Canvas().DrawVLine(p, plot.Top, plot.Bottom);
    else
        chart.Canvas().DrawHLine(plot.Left, plot.Right, p);
}

void ApplyGridPen(TChartCanvas3D& canvas, const TChartPen& pen)
{
    canvas.ApplyChartPen(pen);
    if (pen.Visible() && pen.Color() == clDefault)
        canvas.Pen().Color = clGray;
}

void DrawTicksGridAndLine(TChartAxis& axis)
{
    TCustomAxisPanel& chart = *axis.ParentChart();
    TChartCanvas3D& canvas = chart.Canvas();
    const int off = chart.WallThickness(axis);
    const int depth = axis.IsOtherSide() ? chart.TotalDepth() : 0;
    const std::vector<int>& ticks = axis.TickList();

    if (axis.Axis().Visible()) {
        canvas.ApplyChartPen(axis.Axis());
        if (axis.IsHorizontal())
            canvas.DrawHLineAtDepth(axis.StartPixel() - chart.WallThickness(chart.LeftAxis()), axis.EndPixel(),
                                    axis.AxisPos() + off, depth);
        else
            canvas.DrawVLineAtDepth(axis.AxisPos() - off, axis.StartPixel(),
                                    axis.EndPixel() + chart.WallThickness(chart.BottomAxis()), depth);
    }

    if (axis.Ticks().Visible()) {
        canvas.ApplyChartPen(axis.Ticks());
        for (int p : ticks)
            DrawTickAt(axis, p, axis.TickLength(), off, false);
    }

    if (axis.Grid().Visible()) {
        canvas.Brush().Style = bsClear;
        canvas.SetTextBackMode(tbmTransparent);
        ApplyGridPen(canvas, axis.Grid());
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            if (axis.GridCentered()) {
                if (i == 0)
                    continue;
                DrawGridLine(axis, RoundHalfEven((ticks[i - 1] + ticks[i]) * 0.5));
            } else {
                DrawGridLine(axis, ticks[i]);
            }
        }
        canvas.SetTextBackMode(tbmOpaque);
    }

    if (axis.TicksInner().Visible()) {
        canvas.ApplyChartPen(axis.TicksInner());
        for (int p : ticks)
            DrawTickAt(axis, p, axis.TickInnerLength(), off, true);
    }

    const bool minorTicks = axis.MinorTicks().Visible();
    const bool minorGrid = axis.MinorGrid().Visible();
    if ((minorTicks || minorGrid) && !ticks.empty()) {
        const std::vector<int> minor =
            MinorTickPositions(ticks, axis.MinorTickCount(), axis.StartPixel(), axis.EndPixel());
        if (minorTicks) {
            canvas.ApplyChartPen(axis.MinorTicks());
            for (int p : minor)
                DrawTickAt(axis, p, axis.MinorTickLength(), off, false);
        }
        if (minorGrid) {
            ApplyGridPen(canvas, axis.MinorGrid());
            for (int p : minor)
                DrawGridLine(axis, p);
        }
    }
}

}  // namespace

// ---- TChartAxis ----------------------------------------------------------------------------------

void TChartAxis::DrawAxis(bool computeAxisPosition)
{
    TCustomAxisPanel& chart = *fChart;
    fDateTimeMode = UsesDateTime();
    chart.UseFont(fLabelsFont);
    const double step = LabelStep();

    if (computeAxisPosition)
        fAxisPos = ApplyPositionPercent(EdgeOf(chart.PlotRect()), chart.PlotRect());

    if (!fTitle.Caption().empty()) {
        chart.UseFont(fTitle.Font());
        PrepareTextBrush(chart);
        if (fIsHorizontal)
            DrawAxisText(fCenterPixel, fTitlePos, fTitle.Caption(), fTitle.Angle());
        else
            DrawAxisText(fTitlePos, fCenterPixel, fTitle.Caption(), fTitle.Angle());
    }

    fTickList.clear();
    if (step > 0.0 && fWorkMaximum >= fWorkMinimum) {
        switch (EffectiveLabelStyle()) {
        case talValue:
            DrawValueLabels(*this, step);
            break;
        case talMark:
            DrawSeriesLabels(*this, true);
            break;
        case talText:
            DrawSeriesLabels(*this, false);
            break;
        case talNone:
        case talAuto:
            break;
        }
    }

    DrawTicksGridAndLine(*this);
}

void TChartAxis::DrawAxisText(int x, int y, const std::string& text, int angle)
{
    TCustomAxisPanel& chart = *fChart;
    TChartCanvas3D& canvas = chart.Canvas();
    const int h = canvas.LineHeight();
    const int other = fIsOtherSide ? 1 : 0;
    const int horizontal = fIsHorizontal ? 1 : 0;
    // Alignments, all top-referenced except the last.
    static constexpr int kAlign[4] = {TA_RIGHT | TA_TOP, TA_LEFT | TA_TOP, TA_CENTER | TA_TOP,
                                      TA_CENTER | TA_BOTTOM};

    int align = TA_LEFT | TA_TOP;
    switch (angle) {
    case 0:
        align = kAlign[2 * horizontal + other];
        if (!fIsHorizontal)
            y -= h / 2;
        break;
    case 90:
        if (fIsHorizontal) {
            align = kAlign[other];
            x -= h / 2;
        } else {
            align = kAlign[2 + 1 - other];
        }
        break;
    case 180:
        align = kAlign[2 * horizontal + 1 - other];
        if (!fIsHorizontal)
            y += h / 2;
        break;
    case 270:
        if (fIsHorizontal) {
            align = kAlign[1 - other];
            x += h / 2;
        } else {
            align = kAlign[2 + other];
        }
        break;
    default:
        break;
    }
    canvas.SetTextAlignFlags(align);

    // Most texts are one line: they are drawn as they are, without a copy.
    const bool oneLine = text.find('\r') == std::string::npos;
    std::vector<std::string> split;
    if (!oneLine)
        split = SplitAxisTextLines(text);
    const int n = oneLine ? 1 : static_cast<int>(split.size());
    const int lh = (angle == 180 || angle == 270) ? -h : h;
    const int total = lh * n;
    const int centred = RoundHalfEven(lh * 0.5 * (n + 1));

    if (fIsHorizontal) {
        if (angle == 0)
            y -= fIsOtherSide ? total : lh;
        else if (angle == 180)
            y -= fIsOtherSide ? lh : total;
        else if (angle == 90 || angle == 270)
            x -= centred;
    } else {
        if (angle == 0 || angle == 180)
            y -= centred;
        else if (angle == 90)
            x -= fIsOtherSide ? lh : total;
        else if (angle == 270)
            x -= fIsOtherSide ? total : lh;
    }

    const int depth = fIsOtherSide ? chart.TotalDepth() : 0;
    for (int k = 0; k < n; ++k) {
        const std::string& line = oneLine ? text : split[static_cast<std::size_t>(k)];
        if (angle == 0) {
            y += lh;
            canvas.PutTextAtDepth(x, y, depth, line);
            continue;
        }
        if (angle == 180)
            y += lh;
        else if (angle == 90 || angle == 270)
            x += lh;
        canvas.PutRotatedTextAtDepth(x, y, depth, angle, line);
    }
    canvas.SetTextAlignFlags(TA_LEFT | TA_TOP);
}
