// The total-bits plot of more polls than its axis has pixels: only the bars
// that show go into the series, and the picture is the one every poll draws,
// pixel for pixel, labels included, at any size and after the window's
// plot is resized.
#include "HistoryTestUtil.h"
#include "HistoryWaiting.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "chart/ChartAxis.h"
#include "chart/CustomChart.h"
#include "history/HistoryTime.h"
#include "historywindow/HistoryPlotWorker.h"
#include "historywindow/HistoryWindow.h"
#include "monitor/HistoryDesign.h"
#include "story/HistoryPlots.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Polls a minute apart with totals all over the place: tall and short bars,
// zeros, failed polls with and without bits.
std::vector<TTotalBitsPoint> UnevenTotals(int count)
{
    std::vector<TTotalBitsPoint> points;
    unsigned seed = 12345;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        const unsigned r = seed >> 8;
        TTotalBitsPoint p;
        p.Id = i + 1;
        p.TimeUtcMs = 1714532400000LL + 60000LL * i;
        p.Captured = r % 11 != 0;
        p.TotalBits = r % 17 == 0 ? 0 : 1500 + static_cast<std::int64_t>(r % 2000) + (i / 400 % 2) * 800;
        points.push_back(p);
    }
    return points;
}

// The chart as every poll draws it: the plot's axes, then one bar per poll
// with its time for a label.
void PlotEveryPoll(TCustomChart& chart, TBarSeries& series, const std::vector<TTotalBitsPoint>& points)
{
    PlotTotalBits(chart, series, points);
    series.ClearPoints();
    for (const TTotalBitsPoint& p : points)
        series.AddBarPoint(static_cast<double>(p.TotalBits), FormatLocalTime(p.TimeUtcMs).toStdString(),
                           p.Captured ? design::TotalBitsCapturedColor : design::TotalBitsFailedColor);
}

// Pixels where the two pictures differ (all of them when the sizes do).
int Differences(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return a.width() * a.height() + 1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

std::vector<std::string> BottomLabels(TCustomChart& chart)
{
    std::vector<std::string> texts;
    for (const auto& label : chart.BottomAxis().LabelLayout().Labels)
        texts.push_back(label.Text);
    return texts;
}

}  // namespace

TEST(HistoryPlots, ManyPollsDrawOnlyTheBarsThatShowAndTheSamePicture)
{
    const std::vector<TTotalBitsPoint> points = UnevenTotals(6000);
    for (const auto& [width, height] : {std::pair{704, 170}, std::pair{333, 150}}) {
        SCOPED_TRACE(width);
        TCustomChart every;
        TCustomChart shown;
        every.SetSize(width, height);
        shown.SetSize(width, height);
        TBarSeries& all = ConfigureTotalBitsChart(every);
        TBarSeries& few = ConfigureTotalBitsChart(shown);
        PlotEveryPoll(every, all, points);
        PlotTotalBits(shown, few, points);
        ASSERT_EQ(all.PointCount(), 6000);
        // A few bars per pixel column, each at its poll's place.
        EXPECT_LT(few.PointCount(), 6 * width);
        for (int i = 1; i < few.PointCount(); ++i)
            ASSERT_LT(few.PointX(i - 1), few.PointX(i));

        const QImage expected = every.RenderBitmap(every.BackColor(), every.PanelRect());
        const QImage drawn = shown.RenderBitmap(shown.BackColor(), shown.PanelRect());
        EXPECT_EQ(Differences(expected, drawn), 0);
        EXPECT_EQ(BottomLabels(shown), BottomLabels(every));
        EXPECT_GE(BottomLabels(shown).size(), 3u);
        EXPECT_EQ(shown.LeftAxis().Maximum(), every.LeftAxis().Maximum());
    }

    // Fewer polls than pixels: every poll has its bar, as before.
    TCustomChart chart;
    chart.SetSize(704, 170);
    TBarSeries& series = ConfigureTotalBitsChart(chart);
    PlotTotalBits(chart, series, UnevenTotals(300));
    EXPECT_EQ(series.PointCount(), 300);
}

TEST(HistoryPlots, TheWindowsPlotFollowsItsSize)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(path));
        std::vector<THistoryRecord> records;
        const std::int64_t now = CurrentUtcMs();
        for (int n = 0; n < 2000; ++n) {
            records.push_back(GeneratedRecord(n, n % 7 != 3));
            records.back().TimeUtcMs = now - 60000LL * (2000 - n);
        }
        ASSERT_TRUE(store.AppendAll(records));
    }
    THistoryWindow window(path);
    int plotsShown = 0;
    QObject::connect(&window, &THistoryWindow::PlotsShown, &window, [&] { ++plotsShown; });
    window.resize(720, 640);
    window.show();
    window.SetPeriod(4);  // all polls
    ASSERT_TRUE(WaitFor([&] { return plotsShown > 0 && window.PlotWorker().RunningThreads() == 0; }));

    const auto expectSamePicture = [&] {
        TChart& chart = window.TotalBitsChart();
        TCustomChart every;
        every.SetSize(chart.Width(), chart.Height());
        TBarSeries& all = ConfigureTotalBitsChart(every);
        PlotEveryPoll(every, all, window.Browser().TotalBitsPoints());
        EXPECT_LT(window.TotalBitsSeries().PointCount(), 2000);
        EXPECT_EQ(Differences(every.RenderBitmap(every.BackColor(), every.PanelRect()),
                              chart.RenderBitmap(chart.BackColor(), chart.PanelRect())),
                  0);
    };
    expectSamePicture();
    const int before = window.TotalBitsChart().Width();
    window.resize(520, 640);
    ASSERT_TRUE(WaitFor([&] { return window.TotalBitsChart().Width() != before; }));
    expectSamePicture();
}
