#include "story/HistoryPlots.h"

#include "chart/BarSeries.h"
#include "chart/ChartAxis.h"
#include "chart/CustomChart.h"
#include "history/HistoryTime.h"
#include "monitor/HistoryDesign.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// What both plots share: a white panel with a title, manual axes with a
// light grid, no legend, and one bar series whose bars carry their colours.
TBarSeries& ConfigurePlot(TCustomChart& chart, std::string_view title, std::string_view leftTitle,
                          std::string_view bottomTitle)
{
    chart.BeginLoading();
    chart.SetAllowPanning(pmNone);
    chart.SetAllowZoom(false);
    chart.SetBackColor(design::ChartBackColor);
    chart.BackWall().SetColor(design::ChartBackColor);
    chart.BackWall().Brush().SetColor(design::ChartBackColor);
    chart.SetView3D(false);
    chart.SetMaxPointsPerPage(0);
    chart.SetBevelInner(bvLowered);
    chart.Legend().SetVisible(false);
    chart.Title().SetText({std::string(title)});
    for (TChartAxis* axis : {&chart.LeftAxis(), &chart.BottomAxis()}) {
        axis->SetAutomatic(false);
        axis->SetAutomaticMaximum(false);
        axis->SetAutomaticMinimum(false);
        axis->Grid().SetColor(design::ColorGridGrey);
        axis->Grid().SetStyle(psSolid);
        axis->TicksInner().SetVisible(false);
    }
    chart.LeftAxis().Title().SetCaption(std::string(leftTitle));
    chart.BottomAxis().Title().SetCaption(std::string(bottomTitle));
    chart.BottomAxis().SetLabelStyle(talText);
    chart.EndLoading();

    auto* series = new TBarSeries;
    series->SetBarWidthPercent(100);
    series->SetMultiBar(mbNone);
    series->BarPen().SetVisible(false);
    series->Marks().SetVisible(false);
    series->XValues().SetOrder(loAscending);
    series->YValues().SetOrder(loNone);
    series->SetParentChart(&chart);
    chart.RequestRepaint();
    return *series;
}

// A left axis from 0 to a little above the highest bar, on round steps.
void ScaleLeftAxis(TCustomChart& chart, double highest)
{
    const double top = std::max(1.0, highest);
    // Steps of 1, 2 or 5 times a power of ten, at most eight of them.
    double step = 1.0;
    for (double magnitude = 1.0; top / step > 8.0; magnitude *= 10.0)
        for (double m : {1.0, 2.0, 5.0})
            if (top / step > 8.0)
                step = m * magnitude;
    chart.LeftAxis().SetMinMax(0.0, std::ceil(top / step) * step);
    chart.LeftAxis().SetIncrement(step);
}

// The polls whose bars show when every poll is drawn, or nothing when each
// has a bar of its own. Beyond one poll per pixel column of the bottom axis
// the bars have no width: each is a line in its column from the base up to
// its value, drawn oldest first over the ones before. What a column shows is
// then its last bar, each earlier one taller than every bar after it, and its
// first one, whose time may be one of the axis' labels (a label goes to the
// first poll of a column where it fits). Drawing those alone, oldest first,
// gives the same picture: any bar left out is covered by a later one.
std::vector<std::size_t> ShownTotalBits(TCustomChart& chart, const std::vector<TTotalBitsPoint>& points)
{
    std::vector<std::size_t> shown;
    const std::size_t count = points.size();
    if (count <= static_cast<std::size_t>(std::max(0, chart.Width())))
        return shown;  // never more polls than the axis has pixels
    // Where the axis puts each poll: a pass with the axes as they are now set
    // lays them out as the window's next paint will (the bars take no room).
    chart.RenderBitmap(chart.BackColor(), chart.PanelRect());
    const TChartAxis& axis = chart.BottomAxis();
    if (axis.PixelSize() <= 0 || count - 1 <= static_cast<std::size_t>(axis.PixelSize()))
        return shown;
    std::vector<std::size_t> column;
    std::size_t first = 0;
    while (first < count) {
        const int x = axis.ValueToPixelX(static_cast<double>(first));
        std::size_t end = first + 1;
        while (end < count && axis.ValueToPixelX(static_cast<double>(end)) == x)
            ++end;
        // From the last bar back, each one taller than all after it.
        column.clear();
        std::int64_t tallest = -1;
        for (std::size_t i = end; i-- > first;)
            if (i == end - 1 || points[i].TotalBits > tallest) {
                column.push_back(i);
                tallest = std::max(tallest, points[i].TotalBits);
            }
        if (column.back() != first)
            shown.push_back(first);
        shown.insert(shown.end(), column.rbegin(), column.rend());
        first = end;
    }
    return shown;
}

}  // namespace

TBarSeries& ConfigureTotalBitsChart(TCustomChart& chart)
{
    return ConfigurePlot(chart, design::TotalBitsTitle, design::TotalBitsLeftTitle, design::TotalBitsBottomTitle);
}

void PlotTotalBits(TCustomChart& chart, TBarSeries& series, const std::vector<TTotalBitsPoint>& points)
{
    series.ClearPoints();
    double highest = 0.0;
    for (const TTotalBitsPoint& p : points)
        highest = std::max(highest, static_cast<double>(p.TotalBits));
    const double last = points.empty() ? 1.0 : static_cast<double>(points.size() - 1);
    chart.BottomAxis().SetMinMax(0.0, std::max(1.0, last));
    // About six time labels along the axis, whatever the number of polls.
    chart.BottomAxis().SetIncrement(std::max(1.0, std::ceil(last / 6.0)));
    ScaleLeftAxis(chart, highest);

    const auto add = [&](std::size_t index, bool labelled) {
        const TTotalBitsPoint& p = points[index];
        series.AddPointXY(static_cast<double>(index), static_cast<double>(p.TotalBits),
                          labelled ? FormatLocalTime(p.TimeUtcMs).toStdString() : std::string(),
                          p.Captured ? design::TotalBitsCapturedColor : design::TotalBitsFailedColor);
    };
    const std::vector<std::size_t> shown = ShownTotalBits(chart, points);
    if (shown.empty()) {
        for (std::size_t i = 0; i < points.size(); ++i)
            add(i, true);
        return;
    }
    const TChartAxis& axis = chart.BottomAxis();
    int column = 0;
    for (std::size_t k = 0; k < shown.size(); ++k) {
        const int x = axis.ValueToPixelX(static_cast<double>(shown[k]));
        add(shown[k], k == 0 || x != column);
        column = x;
    }
}

TBarSeries& ConfigureChangeCountChart(TCustomChart& chart)
{
    TBarSeries& series =
        ConfigurePlot(chart, design::ChangeCountTitle, design::ChangeCountLeftTitle, design::ChangeCountBottomTitle);
    chart.BottomAxis().SetMinMax(0.0, ToneCount - 1);
    chart.BottomAxis().SetIncrement(design::ChangeCountIncrement);
    return series;
}

void PlotChangeCounts(TCustomChart& chart, TBarSeries& series, const std::vector<std::int64_t>& counts)
{
    series.ClearPoints();
    std::int64_t highest = 0;
    for (int tone = 0; tone < ToneCount; ++tone) {
        const std::size_t at = static_cast<std::size_t>(tone);
        const std::int64_t changes = at < counts.size() ? counts[at] : 0;
        highest = std::max(highest, changes);
        series.AddBarPoint(static_cast<double>(changes), std::to_string(tone), design::ToneColor(tone));
    }
    ScaleLeftAxis(chart, static_cast<double>(highest));
}
