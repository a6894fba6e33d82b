// The monitor chart's drawing pass against bare QPainter calls drawing the
// very same primitives. One pass (513 bars of a realistic line over the range
// 0-512) is recorded through the chart's canvas on a recording device and
// turned into a replay program; the replay must give the pass' pixels exactly
// (checked before timing). The pass includes everything the engine does:
// layout, labels, painter state and the drawing itself; the replay only the
// drawing. Both draw into a fresh RGB32 image with a new painter each time.
//
// BM_PassVsReplay alternates pass and replay in every iteration, so that both
// see the same machine load, and reports the median of each and their ratio
// (pass_per_replay at or below 1: the engine adds nothing to the drawing).
// BM_WindowPassVsReplay does the same with the pass as a window paint after
// a change runs it: into the window buffer, then one copy of the buffer to
// the window, which the replay does not do (at full-HD size the copy of the
// 8 MB buffer is most of the difference).
// BM_Pass, BM_WindowPaint and BM_Replay run one side alone (for profiling,
// e.g. under callgrind with --benchmark_filter).
#include "PaintRecorder.h"
#include "SampleTables.h"

#include "chart/BarSeries.h"
#include "chart/CustomChart.h"
#include "monitor/MonitorChart.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// Chart21 with a realistic table over the whole range, drawn without the
// window buffer, as the exports draw it.
struct TMonitor {
    TCustomChart chart;
    TBarSeries* series;

    TMonitor(int width, int height)
    {
        chart.SetSize(width, height);
        series = &ConfigureMonitorChart(chart);
        PlotToneTable(chart, *series, sample::RealisticLine(), design::RangeAll);
        chart.Canvas().SetUseOffscreenBuffer(false);
    }

    void Pass(QImage& image)
    {
        QPainter p(&image);
        chart.PaintTo(p, chart.PanelRect());
    }
};

std::unique_ptr<TPaintProgram> Record(TMonitor& m, int width, int height)
{
    TRecordingDevice device(width, height);
    {
        QPainter p(&device);
        m.chart.PaintTo(p, m.chart.PanelRect());
    }
    return device.TakeProgram();
}

void Replay(const TPaintProgram& program, QImage& image)
{
    QPainter p(&image);
    program.Replay(p);
}

QImage White(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Records a pass and checks that its replay draws the pass' pixels.
std::unique_ptr<TPaintProgram> RecordChecked(benchmark::State& state, TMonitor& m, int width, int height)
{
    std::unique_ptr<TPaintProgram> program = Record(m, width, height);
    QImage passed = White(width, height);
    m.Pass(passed);
    QImage replayed = White(width, height);
    Replay(*program, replayed);
    if (passed != replayed)
        state.SkipWithError("the replay does not draw the pass' pixels");
    state.counters["primitives"] = program->PrimitiveCount();
    state.counters["state_changes"] = program->StateChangeCount();
    state.counters["texts"] = program->TextCount();
    return program;
}

double Median(std::vector<double>& v)
{
    if (v.empty())
        return 0.0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

void BM_PassVsReplay(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    TMonitor m(w, h);
    const std::unique_ptr<TPaintProgram> program = RecordChecked(state, m, w, h);
    QImage passImage = White(w, h);
    QImage replayImage = White(w, h);
    std::vector<double> pass, replay;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        m.Pass(passImage);
        const auto t1 = Clock::now();
        Replay(*program, replayImage);
        const auto t2 = Clock::now();
        pass.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        replay.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    const double p = Median(pass), r = Median(replay);
    state.counters["pass_us"] = p;
    state.counters["replay_us"] = r;
    state.counters["pass_per_replay"] = r > 0.0 ? p / r : 0.0;
}
BENCHMARK(BM_PassVsReplay)->Args({696, 237})->Args({1920, 1080})->UseManualTime()->Unit(benchmark::kMicrosecond);

// The same with the pass as the window paints it: into the window buffer,
// then the buffer copied to the window.
void BM_WindowPassVsReplay(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    TMonitor m(w, h);
    const std::unique_ptr<TPaintProgram> program = RecordChecked(state, m, w, h);
    m.chart.Canvas().SetUseOffscreenBuffer(true);
    QImage passImage = White(w, h);
    QImage replayImage = White(w, h);
    std::vector<double> pass, replay;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        {
            m.chart.RequestRepaint();
            QPainter p(&passImage);
            m.chart.WindowPaint(p);
        }
        const auto t1 = Clock::now();
        Replay(*program, replayImage);
        const auto t2 = Clock::now();
        pass.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        replay.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    if (passImage != replayImage)
        state.SkipWithError("the window paint does not draw the replay's pixels");
    const double p = Median(pass), r = Median(replay);
    state.counters["pass_us"] = p;
    state.counters["replay_us"] = r;
    state.counters["pass_per_replay"] = r > 0.0 ? p / r : 0.0;
}
BENCHMARK(BM_WindowPassVsReplay)->Args({696, 237})->Args({1920, 1080})->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_Pass(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    TMonitor m(w, h);
    QImage image = White(w, h);
    for (auto _ : state) {
        m.Pass(image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Pass)->Args({696, 237})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

void BM_Replay(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    TMonitor m(w, h);
    const std::unique_ptr<TPaintProgram> program = RecordChecked(state, m, w, h);
    QImage image = White(w, h);
    for (auto _ : state) {
        Replay(*program, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Replay)->Args({696, 237})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

void BM_WindowPaint(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    TMonitor m(w, h);
    m.chart.Canvas().SetUseOffscreenBuffer(true);
    QImage image = White(w, h);
    for (auto _ : state) {
        m.chart.RequestRepaint();
        QPainter p(&image);
        m.chart.WindowPaint(p);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_WindowPaint)->Args({696, 237})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

// `bench_pass_replay --list WIDTH HEIGHT` prints the recorded operations.
// For instruction counts: `valgrind --tool=callgrind '--toggle-collect=*ProfiledRuns*'
// bench_pass_replay --profile pass|window|replay WIDTH HEIGHT COUNT` counts COUNT
// passes (unbuffered, as exports draw), window paints (buffered, with the copy)
// or replays after one warm-up run (fonts loaded, caches filled).
__attribute__((noinline)) void ProfiledRuns(TMonitor& m, const TPaintProgram& program, QImage& image, char what,
                                            int count)
{
    for (int i = 0; i < count; ++i) {
        if (what == 'p') {
            m.Pass(image);
        } else if (what == 'w') {
            m.chart.RequestRepaint();
            QPainter p(&image);
            m.chart.WindowPaint(p);
        } else {
            Replay(program, image);
        }
    }
}

int Profile(const char* what, int width, int height, int count)
{
    TMonitor m(width, height);
    const std::unique_ptr<TPaintProgram> program = Record(m, width, height);
    QImage image = White(width, height);
    const char kind = std::string(what) == "pass" ? 'p' : std::string(what) == "window" ? 'w' : 'r';
    if (kind == 'w')
        m.chart.Canvas().SetUseOffscreenBuffer(true);
    m.Pass(image);
    Replay(*program, image);
    ProfiledRuns(m, *program, image, kind, count);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr || *platform == '\0')
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    if (argc == 4 && std::string(argv[1]) == "--list") {
        // What one pass hands to the painter, operation by operation.
        const int w = std::atoi(argv[2]), h = std::atoi(argv[3]);
        TMonitor m(w, h);
        std::fputs(Record(m, w, h)->Listing().toUtf8().constData(), stdout);
        return 0;
    }
    if (argc == 6 && std::string(argv[1]) == "--profile")
        return Profile(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
