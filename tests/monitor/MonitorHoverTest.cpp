// The chart's side of the hover readout: which bar lies under a pixel, and
// that mouse moves over the chart never make it draw again.
#include "SampleTables.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "chart/CustomChart.h"
#include "monitor/MonitorChart.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The general hit test, by its definition: each visible bar in turn, placed
// where the axes map it now, the lowest index winning.
int BarByDefinition(TBarSeries& series, int x, int y)
{
    const int last = std::min(series.LastVisible(), series.PointCount() - 1);
    for (int i = std::max(series.FirstVisible(), 0); i <= last; ++i)
        if (series.PointInBar(i, TPoint(x, y)))
            return i;
    return -1;
}

// Every column of the plot and a margin around it, on rows from the top of
// the plot down to below its base line: the bar hit test, which reads the
// pass' geometry, against the definition.
void ExpectHitTestAsDefined(TCustomChart& chart, TBarSeries& series, const std::string& what)
{
    const TRect plot = chart.PlotRect();
    const int middle = (plot.Top + plot.Bottom) / 2;
    const int rows[] = {plot.Top - 1,    plot.Top + 3,    middle,      middle + 17,    plot.Bottom - 4,
                        plot.Bottom - 2, plot.Bottom - 1, plot.Bottom, plot.Bottom + 1};
    int hits = 0;
    for (int y : rows) {
        for (int x = plot.Left - 4; x <= plot.Right + 4; ++x) {
            const int expected = BarByDefinition(series, x, y);
            ASSERT_EQ(series.PointAt(x, y), expected) << what << " at (" << x << ", " << y << ")";
            hits += expected >= 0 ? 1 : 0;
        }
    }
    EXPECT_GT(hits, 0) << what;
}

}  // namespace

TEST(MonitorHover, BarUnderEveryPixelAsTheGeneralHitTestFindsIt)
{
    // The monitor chart (overlapping bars over 0-512, touching ones over
    // 0-255, bars 4 pixels wide and shifted at full-HD size).
    struct Case {
        design::ToneRange range;
        int width, height;
    };
    for (const Case& c :
         {Case{design::RangeAll, 696, 237}, Case{design::RangeLow, 696, 237}, Case{design::RangeHigh, 1920, 1080}}) {
        TCustomChart chart;
        chart.SetSize(c.width, c.height);
        TBarSeries& series = ConfigureMonitorChart(chart);
        PlotToneTable(chart, series, sample::Staircase(), c.range);
        chart.RenderBitmap(chart.BackColor(), chart.PanelRect());  // the pass the hit test maps with
        ExpectHitTestAsDefined(chart, series,
                               "tones " + std::to_string(c.range.FirstTone) + " at " + std::to_string(c.width));
    }

    // Two series side by side with offsets on an inverted axis, bars below
    // their base, a null point.
    TCustomChart chart;
    chart.SetSize(400, 200);
    chart.SetView3D(false);
    std::vector<TBarSeries*> series;
    for (int k = 0; k < 2; ++k) {
        auto* s = new TBarSeries;
        s->SetParentChart(&chart);
        s->SetOffsetPercent(k == 0 ? 30 : -45);
        s->SetYOrigin(2.0);
        for (int i = 0; i < 12; ++i)
            s->AddBarPoint((i * 7 + k * 3) % 9, std::string(), i == 4 ? clNone : clDefault);
        series.push_back(s);
    }
    chart.BottomAxis().SetInverted(true);
    chart.RenderBitmap(chart.BackColor(), chart.PanelRect());
    ExpectHitTestAsDefined(chart, *series[0], "first of two");
    ExpectHitTestAsDefined(chart, *series[1], "second of two");
}

TEST(MonitorHover, MouseMovesOverTheChartNeverMakeItDrawAgain)
{
    QWidget window;
    window.resize(design::Form1ClientWidth, design::Form1ClientHeight);
    auto* chart = new TChart(&window);
    chart->setGeometry(0, 0, 696, 237);
    TBarSeries& series = ConfigureMonitorChart(*chart);
    PlotToneTable(*chart, series, sample::RealisticLine(), design::RangeAll);
    std::vector<int> answers;
    chart->OnMouseMove = [&](int, int, int) { answers.push_back(series.PointAtCursor()); };
    window.show();
    for (int i = 0; i < 20 && chart->DrawingPassCount() == 0; ++i)
        QApplication::processEvents();
    ASSERT_GT(chart->DrawingPassCount(), 0);
    const int passes = chart->DrawingPassCount();
    const int requests = chart->RepaintRequestCount();

    // Up and down one tall bar, across neighbouring bars, off the bars, out of the plot.
    const auto onBar = [&](int i, int up) {
        return QPoint(series.PointPixelX(i) + series.BarPixelWidth() / 2, series.OriginPixel(i) - 1 - up);
    };
    std::vector<QPoint> moves;
    for (int up = 0; up < 30; up += 3)
        moves.push_back(onBar(70, up));
    for (int i = 100; i < 110; ++i)
        moves.push_back(onBar(i, 0));
    moves.push_back(QPoint(onBar(70, 0).x(), chart->PlotRect().Top + 2));  // above the bar
    moves.push_back(QPoint(5, 5));                                         // on the panel
    for (const QPoint& p : moves) {
        QCursor::setPos(chart->mapToGlobal(p));
        QApplication::processEvents();
    }

    ASSERT_EQ(answers.size(), moves.size());
    for (std::size_t k = 0; k < 10; ++k)
        EXPECT_EQ(answers[k], answers[0]) << "one bar, move " << k;
    EXPECT_GE(answers[0], 69);  // the lowest of the overlapping bars at that column
    EXPECT_LE(answers[0], 70);
    for (std::size_t k = 10; k < 20; ++k)
        EXPECT_GE(answers[k], 99) << "across the bars, move " << k;
    EXPECT_EQ(answers[20], -1);
    EXPECT_EQ(answers[21], -1);
    EXPECT_EQ(chart->RepaintRequestCount(), requests);
    EXPECT_EQ(chart->DrawingPassCount(), passes);
    EXPECT_FALSE(chart->testAttribute(Qt::WA_SetCursor));  // no series cursor: the widget's stays untouched
}
