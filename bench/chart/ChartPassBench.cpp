// One complete drawing pass of an empty chart with the monitor's design, at
// the monitor's size and at full-HD size, plus the buffered repaint.
#include "chart/ChartSeries.h"
#include "chart/CustomChart.h"
#include "monitor/MonitorChart.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

void Design(TCustomChart& c, int w, int h)
{
    c.SetSize(w, h);
    ApplyMonitorChartDesign(c);
    (new TChartSeries)->SetParentChart(&c);
}

void FullPass(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    TCustomChart chart;
    Design(chart, w, h);
    QImage window(w, h, QImage::Format_RGB32);
    for (auto _ : state) {
        chart.RequestRepaint();
        QPainter p(&window);
        chart.WindowPaint(p);
    }
    state.counters["passes"] = chart.DrawingPassCount();
}

void BufferedRepaint(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    TCustomChart chart;
    Design(chart, w, h);
    QImage window(w, h, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&window);
        chart.WindowPaint(p);
    }
    state.counters["passes"] = chart.DrawingPassCount();
}

}  // namespace

BENCHMARK(FullPass)->Args({696, 237})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BufferedRepaint)->Args({696, 237})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
