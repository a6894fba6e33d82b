// The monitor chart with 513 bars: one full drawing pass at the window's
// design size and at full-HD size, and a window repaint from a clean buffer.
#include "SampleTables.h"

#include "chart/BarSeries.h"
#include "chart/CustomChart.h"
#include "monitor/MonitorChart.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

struct Chart {
    TCustomChart chart;
    TBarSeries* series;

    Chart(int width, int height)
    {
        chart.SetSize(width, height);
        series = &ConfigureMonitorChart(chart);
        PlotToneTable(chart, *series, sample::RealisticLine(), design::RangeAll);
    }
};

// A full pass straight into a bitmap, as an export draws it.
void BM_MonitorChartPass(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    Chart c(w, h);
    c.chart.Canvas().SetUseOffscreenBuffer(false);
    QImage image(w, h, QImage::Format_RGB32);
    QPainter painter(&image);
    for (auto _ : state) {
        c.chart.PaintTo(painter, c.chart.PanelRect());
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["bars"] = c.series->PointCount();
}
BENCHMARK(BM_MonitorChartPass)->Args({696, 237})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

// A window paint after a repaint request: the pass into the buffer and the copy.
void BM_MonitorWindowPaintDirty(benchmark::State& state)
{
    Chart c(696, 237);
    c.chart.SetRepaintEnabled(true);
    QImage window(696, 237, QImage::Format_RGB32);
    QPainter painter(&window);
    for (auto _ : state) {
        c.chart.RequestRepaint();
        c.chart.WindowPaint(painter);
    }
}
BENCHMARK(BM_MonitorWindowPaintDirty)->Unit(benchmark::kMicrosecond);

// A window paint with nothing changed: one copy of the clean buffer.
void BM_MonitorWindowPaintClean(benchmark::State& state)
{
    Chart c(696, 237);
    c.chart.SetRepaintEnabled(true);
    QImage window(696, 237, QImage::Format_RGB32);
    QPainter painter(&window);
    c.chart.WindowPaint(painter);
    const int passes = c.chart.DrawingPassCount();
    for (auto _ : state)
        c.chart.WindowPaint(painter);
    if (c.chart.DrawingPassCount() != passes)
        state.SkipWithError("a clean window paint ran a drawing pass");
}
BENCHMARK(BM_MonitorWindowPaintClean)->Unit(benchmark::kMicrosecond);

}  // namespace
