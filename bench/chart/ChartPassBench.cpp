// One complete drawing pass of an empty chart with the monitor's design, at
// the monitor's size and at full-HD size, plus the buffered repaint.
#include "chart/ChartSeries.h"
#include "chart/CustomChart.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

void Design(TCustomChart& c, int w, int h)
{
    c.BeginLoading();
    c.SetSize(w, h);
    c.SetBackColor(clWhite);
    c.BackWall().SetColor(clWhite);
    c.BackWall().Brush().SetColor(clWhite);
    c.SetMarginBottom(0);
    c.SetMarginRight(1);
    c.SetMarginTop(0);
    c.Title().SetAdjustFrame(false);
    c.Title().SetText({""});
    c.SetView3D(false);
    c.SetMaxPointsPerPage(255);
    c.SetBevelInner(bvLowered);
    c.Legend().SetVisible(false);
    TChartAxis& b = c.BottomAxis();
    b.SetAutomatic(false);
    b.SetMinimum(5);
    b.SetMaximum(512);
    b.SetLabelStyle(talText);
    b.SetLabelsAngle(90);
    b.SetLabelsSize(29);
    b.SetTickLength(2);
    b.Axis().SetVisible(false);
    b.Grid().SetColor(15066597);
    b.Grid().SetStyle(psSolid);
    b.SetStartPosition(2);
    b.SetEndPosition(98);
    b.Title().SetCaption("Tones");
    TChartAxis& l = c.LeftAxis();
    l.SetAutomatic(false);
    l.SetMaximum(16);
    l.Axis().SetVisible(false);
    l.Grid().SetColor(15066597);
    l.Grid().SetStyle(psSolid);
    l.SetStartPosition(1);
    l.SetEndPosition(98);
    l.Title().SetCaption("Bits ");
    c.EndLoading();
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

int main(int argc, char** argv)
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr || *platform == '\0')
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
