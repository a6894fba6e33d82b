// The line history's costs: appending one poll to a store that already holds
// a day of polls, opening the history window on 100,000 polls until its
// first rows are there, the plots over all of them, and the size of a poll
// in the file.
#include "history/HistoryStore.h"
#include "history/HistoryTime.h"
#include "historywindow/HistoryWindow.h"
#include "monitor/HistoryDesign.h"

#include <QApplication>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

ToneBits Bits(int n)
{
    ToneBits bits{};
    for (int tone = 0; tone < ToneCount; ++tone)
        bits[static_cast<std::size_t>(tone)] = tone < 6 ? 0 : (tone * 7 + n / 60) % 16;
    return bits;
}

THistoryRecord Record(int n, std::int64_t timeUtcMs)
{
    TPollOutcome outcome;
    outcome.Captured = n % 97 != 0;
    if (!outcome.Captured) {
        outcome.FailedStep = TPollStep::psConnect;
        outcome.ErrorCode = 10060;
        outcome.ErrorText = "Connection timed out";
    }
    return MakeHistoryRecord(timeUtcMs, "192.168.1.254", outcome, 0, 255, outcome.Captured ? Bits(n) : ToneBits{});
}

// A store of count polls one minute apart, the newest a minute ago.
QString MakeStore(QTemporaryDir& dir, int count)
{
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    THistoryStore store;
    if (!store.Open(path))
        std::abort();
    const std::int64_t now = CurrentUtcMs();
    std::vector<THistoryRecord> records;
    for (int n = 0; n < count; ++n) {
        records.push_back(Record(n, now - 60000LL * (count - n)));
        if (records.size() == 10000 || n == count - 1) {
            if (!store.AppendAll(records))
                std::abort();
            records.clear();
        }
    }
    return path;
}

// Built once: 100,000 polls, about ten weeks at one poll a minute.
QTemporaryDir& BigDir()
{
    static QTemporaryDir dir;
    return dir;
}
const QString& BigStore()
{
    static const QString path = MakeStore(BigDir(), 100000);
    return path;
}

void BM_AppendOnePoll(benchmark::State& state)
{
    QTemporaryDir dir;
    THistoryStore store;
    if (!store.Open(MakeStore(dir, 1440)))
        std::abort();
    int n = 0;
    for (auto _ : state) {
        THistoryRecord record = Record(n, CurrentUtcMs());
        if (!store.Append(record))
            state.SkipWithError(store.LastError().c_str());
        ++n;
    }
}
BENCHMARK(BM_AppendOnePoll)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The window as the main window opens it (the last 24 hours), until the list has its first rows.
void BM_OpenWindowFirstRows(benchmark::State& state)
{
    const QString& path = BigStore();
    for (auto _ : state) {
        THistoryWindow window(path);
        window.show();
        window.List().viewport()->repaint();  // the first rows painted
        if (window.Browser().Model().rowCount() == 0)
            state.SkipWithError("no rows");
    }
}
BENCHMARK(BM_OpenWindowFirstRows)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The same, then the period switched to all 100,000 polls.
void BM_OpenWindowAllPollsFirstRows(benchmark::State& state)
{
    const QString& path = BigStore();
    for (auto _ : state) {
        THistoryWindow window(path);
        window.SetPeriod(static_cast<int>(design::HistoryPeriods.size()) - 1);
        window.show();
        window.List().viewport()->repaint();
        if (window.Browser().ListedCount() != 100000)
            state.SkipWithError("not all polls listed");
    }
}
BENCHMARK(BM_OpenWindowAllPollsFirstRows)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Reading what the two plots show for all 100,000 polls (runs after the first rows are shown).
void BM_PlotsOverAllPolls(benchmark::State& state)
{
    THistoryBrowser browser(BigStore());
    browser.Reload(CurrentUtcMs());
    browser.SetPeriod(static_cast<int>(design::HistoryPeriods.size()) - 1, CurrentUtcMs());
    for (auto _ : state)
        if (!browser.ComputePlots())
            state.SkipWithError(browser.Message().c_str());
}
BENCHMARK(BM_PlotsOverAllPolls)->Unit(benchmark::kMillisecond)->Iterations(2);

// Not a timing: the size of the file per poll, as a counter.
void BM_StoreBytesPerPoll(benchmark::State& state)
{
    const QString& path = BigStore();
    for (auto _ : state)
        benchmark::DoNotOptimize(QFileInfo(path).size());
    state.counters["bytes_per_poll"] = static_cast<double>(QFileInfo(path).size()) / 100000.0;
}
BENCHMARK(BM_StoreBytesPerPoll)->Iterations(1);

}  // namespace
