// The changes-per-tone plot: its tone labels never run into each other,
// from the history window's narrowest to a 4K-wide plot.

#include "story/HistoryPlots.h"
#include "app/ToneBits.h"
#include "chart/BarSeries.h"
#include "chart/ChartAxis.h"
#include "chart/CustomChart.h"

#include <gtest/gtest.h>

#include <vector>

TEST(HistoryPlotsTest, ToneLabelsOfTheChangeCountNeverOverlap)
{
    std::vector<std::int64_t> counts(ToneCount);
    for (int tone = 0; tone < ToneCount; ++tone)
        counts[static_cast<std::size_t>(tone)] = tone % 37;
    for (int width = 300; width <= 3840; width += 11) {
        TCustomChart chart;
        chart.SetSize(width, 170);
        TBarSeries& series = ConfigureChangeCountChart(chart);
        PlotChangeCounts(chart, series, counts);
        // A pass lays the axes out at this size.
        chart.RenderBitmap(chart.BackColor(), chart.PanelRect());
        const TAxisLabelLayout layout = chart.BottomAxis().LayOutLabels();
        ASSERT_GE(layout.Labels.size(), 2u) << width;
        for (std::size_t i = 1; i < layout.Labels.size(); ++i) {
            const TRect& a = layout.Labels[i - 1].Box;
            const TRect& b = layout.Labels[i].Box;
            const bool apart = a.Right <= b.Left || b.Right <= a.Left;
            ASSERT_TRUE(apart) << "width " << width << ": \"" << layout.Labels[i - 1].Text << "\" and \""
                               << layout.Labels[i].Text << "\"";
        }
        // Labels stand inside the chart.
        EXPECT_GE(layout.Labels.front().Box.Left, 0) << width;
        EXPECT_LE(layout.Labels.back().Box.Right, width) << width;
    }
}
