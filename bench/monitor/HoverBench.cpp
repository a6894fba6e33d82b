// The hover path of the main window, from a mouse move over Chart21 to the
// readout: the cursor moves (offscreen platform), Qt delivers the move to the
// chart, the chart's OnMouseMove asks the bar series for the bar under the
// cursor (DrawnBarAtCursor, as the window does) and a readout like the
// window's sets its three labels only when the bar has changed. Each iteration is one whole move: cursor,
// event delivery, hit test, labels and the paint events that follow.
//
// BM_MoveOverSameBar: moves that stay on one bar (nothing changes).
// BM_MoveAcrossBars: every move lands on another bar (the labels change).
// BM_BarAtPixel: the bar hit test alone, across the plot.
// Goal: a whole move under 0.2 ms. No move may cause a drawing pass of the chart.
#include "SampleTables.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "monitor/MonitorChart.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

QString Text(std::string_view s)
{
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// Chart21 and the three readout labels in one top-level window.
struct THoverWindow {
    QWidget window;
    TChart* chart;
    TBarSeries* series;
    QLabel* tone;
    QLabel* frequency;
    QLabel* bits;
    int lastIndex = -2;  // no bar yet
    int readoutUpdates = 0;

    THoverWindow()
    {
        window.resize(design::Form1ClientWidth, design::Form1ClientHeight);
        chart = new TChart(&window);
        chart->setGeometry(0, 0, 696, 237);
        series = &ConfigureMonitorChart(*chart);
        PlotToneTable(*chart, *series, sample::RealisticLine(), design::RangeAll);
        tone = new QLabel(Text(design::Label56Caption), &window);
        frequency = new QLabel(Text(design::Label57Caption), &window);
        bits = new QLabel(Text(design::Label58Caption), &window);
        tone->setGeometry(392, 284, 160, 14);
        frequency->setGeometry(392, 304, 160, 14);
        bits->setGeometry(392, 324, 160, 14);
        chart->OnMouseMove = [this](int, int, int) { Readout(); };
        window.show();
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();  // exposed and painted: the hit test has its pixels
    }

    // What the window's readout must do: ask for the bar, and touch the labels
    // only when it is another bar than last time.
    void Readout()
    {
        const int index = series->DrawnBarAtCursor();
        if (index == lastIndex)
            return;
        lastIndex = index;
        ++readoutUpdates;
        if (index < 0) {
            tone->setText(Text(design::ReadoutToneIdle));
            frequency->setText(Text(design::ReadoutFrequencyIdle));
            bits->setText(Text(design::ReadoutBitsIdle));
            return;
        }
        tone->setText(Text(design::ReadoutTone) + QString::number(index));
        frequency->setText(Text(design::ReadoutFrequency) + QString::number(index * design::ToneSpacingKHz, 'g', 15) +
                           Text(design::ReadoutFrequencyUnit));
        bits->setText(Text(design::ReadoutBits) + QString::number(series->YValues().ValueAt(index), 'g', 15));
    }

    void MoveTo(int x, int y)
    {
        QCursor::setPos(chart->mapToGlobal(QPoint(x, y)));
        QApplication::processEvents();
    }

    // A pixel on bar i: its middle column, one row above the base line.
    QPoint OnBar(int i) const
    {
        return QPoint(series->PointPixelX(i) + series->BarPixelWidth() / 2, series->OriginPixel(i) - 1);
    }
};

void Report(benchmark::State& state, THoverWindow& h, int passesBefore)
{
    const int passes = h.chart->DrawingPassCount() - passesBefore;
    state.counters["chart_passes"] = passes;
    state.counters["readout_updates_per_move"] =
        benchmark::Counter(h.readoutUpdates, benchmark::Counter::kAvgIterations);
    if (passes != 0)
        state.SkipWithError("a mouse move made the chart draw again");
}

void BM_MoveOverSameBar(benchmark::State& state)
{
    THoverWindow h;
    // Tone 70 carries 13 or 14 bits: a tall bar to move up and down in.
    const QPoint p = h.OnBar(70);
    h.MoveTo(p.x(), p.y());
    h.readoutUpdates = 0;
    const int passes = h.chart->DrawingPassCount();
    int step = 0;
    for (auto _ : state)
        h.MoveTo(p.x(), p.y() - (step++ % 40));
    Report(state, h, passes);
}
BENCHMARK(BM_MoveOverSameBar)->Unit(benchmark::kMicrosecond);

void BM_MoveAcrossBars(benchmark::State& state)
{
    THoverWindow h;
    std::vector<QPoint> points;
    for (int i = 64; i < 200; ++i)  // bars of 10 bits or more, next to each other
        points.push_back(h.OnBar(i));
    h.readoutUpdates = 0;
    const int passes = h.chart->DrawingPassCount();
    std::size_t k = 0;
    for (auto _ : state) {
        const QPoint& p = points[k++ % points.size()];
        h.MoveTo(p.x(), p.y());
    }
    Report(state, h, passes);
}
BENCHMARK(BM_MoveAcrossBars)->Unit(benchmark::kMicrosecond);

void BM_BarAtPixel(benchmark::State& state)
{
    THoverWindow h;
    const TRect& plot = h.chart->PlotRect();
    const int y = plot.Bottom - 3;
    int x = plot.Left;
    int hits = 0;
    for (auto _ : state) {
        hits += h.series->DrawnBarAt(x, y) >= 0 ? 1 : 0;
        if (++x >= plot.Right)
            x = plot.Left;
    }
    benchmark::DoNotOptimize(hits);
}
BENCHMARK(BM_BarAtPixel)->Unit(benchmark::kMicrosecond);

}  // namespace
