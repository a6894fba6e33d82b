// Axis label layout: which values or points of a shown axis get labels in
// this pass, where each text stands and the box it covers, and the tick
// positions. Everything here measures; nothing draws.
#include "chart/AxisLabelLayout.h"
#include "chart/AxisDrawing.h"

#include "chart/ChartAxis.h"
#include "chart/ChartCanvas3D.h"
#include "chart/ChartMath.h"
#include "chart/ChartSeries.h"
#include "chart/CustomAxisPanel.h"

#include <algorithm>
#include <cmath>

namespace {

void AddTick(TAxisLabelLayout& layout, int p)
{
    // Room for TickListCapacity positions per pass; further ticks are dropped.
    if (static_cast<int>(layout.Ticks.size()) < TChartAxis::TickListCapacity)
        layout.Ticks.push_back(p);
}

void AddLabel(TChartAxis& axis, TAxisLabelLayout& layout, int p, const std::string& text)
{
    if (axis.TickOnLabelsOnly())
        AddTick(layout, p);
    TAxisLabel label = axis.IsHorizontal() ? axis.PlaceAxisText(p, axis.LabelsPos(), text, axis.LabelsAngle())
                                           : axis.PlaceAxisText(axis.LabelsPos(), p, text, axis.LabelsAngle());
    label.Pixel = p;
    layout.Labels.push_back(std::move(label));
}

// Labels at multiples of the step, from the top value downwards.
void LayOutValueLabels(TChartAxis& axis, double step, TAxisLabelLayout& layout)
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
                AddTick(layout, p);
            if (axis.Labels())
                AddLabel(axis, layout, p, axis.FormatAxisValue(v));
        }
        const double next = v - step;
        if (!(next < v))
            break;
        v = next;
    }
}

// Point labels (or mark texts) of the series on this axis, thinned out so
// that neighbouring labels keep the separation.
void LayOutSeriesLabels(TChartAxis& axis, bool markTexts, TAxisLabelLayout& layout)
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
            AddTick(layout, p);
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
                AddLabel(axis, layout, p, text);
                prev = p;
                prevHalf = half;
            }
        } else {
            AddLabel(axis, layout, p, text);
            prev = p;
            prevHalf = size / 2;
        }
    }
}

}  // namespace

// ---- TChartAxis ----------------------------------------------------------------------------------

TAxisLabelLayout TChartAxis::LayOutLabels()
{
    TAxisLabelLayout layout;
    LayOutLabels(layout);
    return layout;
}

void TChartAxis::LayOutLabels(TAxisLabelLayout& layout)
{
    layout.Labels.clear();
    layout.Ticks.clear();
    TCustomAxisPanel& chart = *fChart;
    fDateTimeMode = UsesDateTime();
    // The labels font stays current through the layout (the drawing selects
    // it again for each label).
    chart.UseFont(fLabelsFont);
    const double step = LabelStep();
    if (step > 0.0 && fWorkMaximum >= fWorkMinimum) {
        switch (EffectiveLabelStyle()) {
        case talValue:
            LayOutValueLabels(*this, step, layout);
            break;
        case talMark:
            LayOutSeriesLabels(*this, true, layout);
            break;
        case talText:
            LayOutSeriesLabels(*this, false, layout);
            break;
        case talNone:
        case talAuto:
            break;
        }
    }
}

TAxisLabel TChartAxis::PlaceAxisText(int x, int y, const std::string& text, int angle)
{
    TCustomAxisPanel& chart = *fChart;
    TChartCanvas3D& canvas = chart.Canvas();
    const int h = canvas.LineHeight();
    const int other = fIsOtherSide ? 1 : 0;
    const int horizontal = fIsHorizontal ? 1 : 0;
    // Alignments, all top-referenced except the last.
    static constexpr int kAlign[4] = {TA_RIGHT | TA_TOP, TA_LEFT | TA_TOP, TA_CENTER | TA_TOP, TA_CENTER | TA_BOTTOM};

    TAxisLabel label;
    label.Text = text;
    label.Angle = angle;
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
    label.Align = align;

    // Most texts are one line: they are measured as they are, without a copy.
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

    // Each line moves on by a line height before it is written: down the
    // page at 0 and 180 degrees, across it at 90 and 270; at other angles
    // every line starts at the same point.
    if (angle == 0 || angle == 180)
        label.Step = TPoint(0, lh);
    else if (angle == 90 || angle == 270)
        label.Step = TPoint(lh, 0);
    label.First = TPoint(x + label.Step.X, y + label.Step.Y);
    label.Depth = fIsOtherSide ? chart.TotalDepth() : 0;
    label.Lines = n;
    for (int k = 0; k < n; ++k) {
        const std::string& line = oneLine ? text : split[static_cast<std::size_t>(k)];
        const TPoint at =
            canvas.ProjectPoint(label.First.X + k * label.Step.X, label.First.Y + k * label.Step.Y, label.Depth);
        const TRect box = canvas.TextBox(at.X, at.Y, align, angle, line);
        if (k == 0) {
            label.Box = box;
        } else {
            label.Box = TRect(std::min(label.Box.Left, box.Left), std::min(label.Box.Top, box.Top),
                              std::max(label.Box.Right, box.Right), std::max(label.Box.Bottom, box.Bottom));
        }
    }
    return label;
}
