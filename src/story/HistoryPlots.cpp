#include "story/HistoryPlots.h"

#include "chart/BarSeries.h"
#include "chart/ChartAxis.h"
#include "chart/CustomChart.h"
#include "monitor/HistoryDesign.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// What a plot shares with the others: a white panel with a title, manual axes with a
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

}  // namespace

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
