// The history window on ninety days of polls at one a minute (129,600):
// opening it on "All polls" until its first rows are painted; until both
// plots are drawn, with the longest time its thread went without running
// its events (a 5 ms timer notes the largest gap between its ticks); and the
// parts: the plots' read (the worker's share) and the total-bits plot drawn
// reduced to the bars that show, against every poll drawn.
#include "common/GeneratedRecord.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "history/HistoryStore.h"
#include "history/HistoryTime.h"
#include "historywindow/HistoryPlotWorker.h"
#include "historywindow/HistoryWindow.h"
#include "historywindow/TimePlotWidget.h"
#include "historywindow/WaterfallWidget.h"
#include "monitor/HistoryDesign.h"
#include "story/HistoryPlotData.h"
#include "story/HistoryPlots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTableView>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int AllPolls = static_cast<int>(design::HistoryPeriods.size()) - 1;
static_assert(design::HistoryPeriods[AllPolls].Hours == 0);

// Changes with what the generated store holds, so that an old one is made anew.
constexpr int StoreMaker = 1;

// Made by the recorder, the window and the poll command in turn.
THistoryRecord MixedOriginRecord(const TGeneratedLine& line, int n)
{
    static constexpr TPollOrigin Origins[] = {TPollOrigin::poRecorder, TPollOrigin::poWindow,
                                              TPollOrigin::poPollCommand};
    return GeneratedRecord(line, n, Origins[n % 3], ToneCount - 1);
}

bool Usable(const QString& path)
{
    if (!QFile::exists(path))
        return false;
    THistoryStore store;
    THistoryStoreOptions options;
    options.ReadOnly = true;
    return store.Open(path, options) && store.FileSchemaVersion() == THistoryStore::CurrentSchemaVersion &&
           store.Count(THistoryFilter::All()) == TGeneratedLine::Polls;
}

// Ninety days of polls, made once (in transactions of 20,000 polls, into a
// file renamed into place when complete) and kept for the next runs.
const QString& NinetyDaysStore()
{
    static const QString path = [] {
        QDir().mkpath(QStringLiteral(QM_BENCH_DATA_DIR));
        const QString file = QStringLiteral(QM_BENCH_DATA_DIR "/history-90-days-layout%1-maker%2.sqlite")
                                 .arg(THistoryStore::CurrentSchemaVersion)
                                 .arg(StoreMaker);
        if (Usable(file))
            return file;
        const QString making = file + QStringLiteral(".making");
        for (const QString& stale : {making, making + "-wal", making + "-shm"})
            QFile::remove(stale);
        {
            THistoryStore store;
            if (!store.Open(making))
                std::abort();
            const TGeneratedLine line;
            std::vector<THistoryRecord> records;
            for (int n = 0; n < TGeneratedLine::Polls; ++n) {
                records.push_back(MixedOriginRecord(line, n));
                if (records.size() == 20000 || n == TGeneratedLine::Polls - 1) {
                    if (!store.AppendAll(records))
                        std::abort();
                    records.clear();
                }
            }
        }  // closed: the journal is folded back into the file
        QFile::remove(file);
        if (!QFile::rename(making, file) || !Usable(file))
            std::abort();
        return file;
    }();
    return path;
}

// Notes the longest gap between ticks of a 5 ms timer, which ticks only while
// the thread runs its events: the longest time the window could not react.
class TStallWatch {
public:
    TStallWatch()
    {
        fTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&fTimer, &QTimer::timeout, [this] { Tick(); });
    }
    void Start()
    {
        fClock.start();
        fLast = 0;
        fLongest = 0;
        fTimer.start(5);
    }
    // Also counts the time since the last tick, for work that just ended.
    void Tick()
    {
        const double now = fClock.nsecsElapsed() / 1e6;
        fLongest = std::max(fLongest, now - fLast);
        fLast = now;
    }
    double LongestMs() const { return fLongest; }

private:
    QTimer fTimer;
    QElapsedTimer fClock;
    double fLast = 0;
    double fLongest = 0;
};

double Ms(const QElapsedTimer& clock)
{
    return clock.nsecsElapsed() / 1e6;
}

// The window opened as a user opens it, then "All polls" chosen, until the
// list has painted its first rows.
void BM_FirstRowsAllPolls(benchmark::State& state)
{
    const QString& path = NinetyDaysStore();
    double longest = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto window = std::make_unique<THistoryWindow>(path);
        window->SetPeriod(AllPolls);
        window->show();
        window->List().viewport()->repaint();
        const double ms = Ms(clock);
        state.SetIterationTime(ms / 1000.0);
        longest = std::max(longest, ms);
        if (window->List().model()->rowCount() != design::HistoryPageSize)
            state.SkipWithError("no first page");
        window.reset();  // joins the plots' reads, which are not timed here
    }
    state.counters["longest_ms"] = longest;
}
BENCHMARK(BM_FirstRowsAllPolls)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The same until both plots over all polls are drawn on screen, and the
// longest time the window's thread was held up meanwhile: opening the window
// (counted from before it is made to its first events), or afterwards.
void BM_PlotsDrawnAllPolls(benchmark::State& state)
{
    const QString& path = NinetyDaysStore();
    double opening = 0;
    double afterwards = 0;
    for (auto _ : state) {
        TStallWatch watch;
        QElapsedTimer clock;
        clock.start();
        watch.Start();
        auto window = std::make_unique<THistoryWindow>(path);
        window->SetPeriod(AllPolls);
        window->show();
        window->List().viewport()->repaint();
        QEventLoop loop;
        bool drawn = false;
        bool first = true;
        QObject::connect(window.get(), &THistoryWindow::PlotsShown, &loop, [&] {
            window->TimePlot().repaint();
            window->Waterfall().repaint();
            window->ChangeCountChart().repaint();
            drawn = true;
            loop.quit();
        });
        QTimer startLoop;
        QObject::connect(&startLoop, &QTimer::timeout, [&] {
            if (first) {
                // Everything until the loop runs was one wait for the user.
                opening = std::max(opening, Ms(clock));
                watch.Start();
                first = false;
            }
        });
        startLoop.setSingleShot(true);
        startLoop.start(0);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        watch.Tick();
        const double ms = Ms(clock);
        state.SetIterationTime(ms / 1000.0);
        afterwards = std::max(afterwards, watch.LongestMs());
        if (!drawn || window->TimePlot().Data().Points.empty())
            state.SkipWithError("the plots were not drawn");
        window.reset();
    }
    state.counters["opening_block_ms"] = opening;
    state.counters["longest_block_after_ms"] = afterwards;
}
BENCHMARK(BM_PlotsDrawnAllPolls)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The worker's share: both plots read from the store.
void BM_ReadPlotDataAllPolls(benchmark::State& state)
{
    THistoryStore store;
    THistoryStoreOptions options;
    options.ReadOnly = true;
    if (!store.Open(NinetyDaysStore(), options))
        std::abort();
    for (auto _ : state) {
        THistoryPlotData data;
        std::string error;
        if (!ReadHistoryPlotData(store, THistoryFilter::All(), data, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(data.ChangesPerTone.data());
    }
}
BENCHMARK(BM_ReadPlotDataAllPolls)->Unit(benchmark::kMillisecond)->Iterations(3);

// What the window's thread does when the plots' read has come: the data
// taken, every view filled and painted on screen.
void BM_PlotsTakenAndPainted(benchmark::State& state)
{
    THistoryStore store;
    THistoryStoreOptions options;
    options.ReadOnly = true;
    THistoryPlotData data;
    std::string error;
    if (!store.Open(NinetyDaysStore(), options) || !ReadHistoryPlotData(store, THistoryFilter::All(), data, error))
        std::abort();
    THistoryWindow window(NinetyDaysStore());
    window.SetPeriod(AllPolls);
    window.show();
    QEventLoop loop;
    QObject::connect(&window, &THistoryWindow::PlotsShown, &loop, &QEventLoop::quit);
    loop.exec();
    for (auto _ : state) {
        window.Browser().SetPlots(data);
        window.TimePlot().SetData(window.Browser().TotalBitsPoints(), window.Browser().Events(),
                                  window.Browser().AxisFromUtcMs(), window.Browser().AxisToUtcMs());
        window.Waterfall().SetGrid(window.Browser().Waterfall());
        PlotChangeCounts(window.ChangeCountChart(), window.ChangeCountSeries(), window.Browser().ChangeCounts());
        window.TimePlot().repaint();
        window.Waterfall().repaint();
        window.ChangeCountChart().repaint();
    }
}
BENCHMARK(BM_PlotsTakenAndPainted)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
