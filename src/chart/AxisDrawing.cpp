// Axis drawing: title, labels (as the label layout placed them), ticks,
// grid and axis line of a shown axis.
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

// The labels as the layout placed them, each in the labels font over a clear brush.
void PaintLabels(TChartAxis& axis, const std::vector<TAxisLabel>& labels)
{
    TCustomAxisPanel& chart = *axis.ParentChart();
    for (const TAxisLabel& label : labels) {
        chart.UseFont(axis.LabelsFont());
        PrepareTextBrush(chart);
        axis.PaintAxisText(label);
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
    // Which labels, where, and the ticks: worked out before anything is drawn.
    LayOutLabels(fLabelLayout);

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

    PaintLabels(*this, fLabelLayout.Labels);
    DrawTicksGridAndLine(*this);
}

void TChartAxis::DrawAxisText(int x, int y, const std::string& text, int angle)
{
    PaintAxisText(PlaceAxisText(x, y, text, angle));
}

void TChartAxis::PaintAxisText(const TAxisLabel& label)
{
    TChartCanvas3D& canvas = fChart->Canvas();
    canvas.SetTextAlignFlags(label.Align);
    // Most texts are one line: they are drawn as they are, without a copy.
    const bool oneLine = label.Text.find('\r') == std::string::npos;
    std::vector<std::string> split;
    if (!oneLine)
        split = SplitAxisTextLines(label.Text);
    const int n = oneLine ? 1 : static_cast<int>(split.size());
    for (int k = 0; k < n; ++k) {
        const std::string& line = oneLine ? label.Text : split[static_cast<std::size_t>(k)];
        const int x = label.First.X + k * label.Step.X;
        const int y = label.First.Y + k * label.Step.Y;
        if (label.Angle == 0)
            canvas.PutTextAtDepth(x, y, label.Depth, line);
        else
            canvas.PutRotatedTextAtDepth(x, y, label.Depth, label.Angle, line);
    }
    canvas.SetTextAlignFlags(TA_LEFT | TA_TOP);
}
