// The line events of ninety days of stored polls (129,600, one a minute), as
// quillmont-poll --events finds them: reading the store and the events
// together, and the reading alone for its share.
#include "common/GeneratedRecord.h"
#include "history/HistoryEvents.h"
#include "history/HistoryStore.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

// Built once.
const QString& NinetyDaysStore()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("history.sqlite"));
        THistoryStore store;
        if (!store.Open(file))
            std::abort();
        const TGeneratedLine line;
        std::vector<THistoryRecord> records;
        for (int n = 0; n < TGeneratedLine::Polls; ++n) {
            records.push_back(GeneratedRecord(line, n, TPollOrigin::poUnknown));
            if (records.size() == 10000 || n == TGeneratedLine::Polls - 1) {
                if (!store.AppendAll(records))
                    std::abort();
                records.clear();
            }
        }
        return file;
    }();
    return path;
}

void BM_EventsFromStoreNinetyDays(benchmark::State& state)
{
    THistoryStore store;
    if (!store.Open(NinetyDaysStore()))
        std::abort();
    std::size_t events = 0;
    for (auto _ : state) {
        THistoryEvents result;
        if (!ReadHistoryEvents(store, THistoryFilter::All(), result))
            state.SkipWithError(result.Error.c_str());
        events = result.Events.size();
    }
    state.counters["events"] = static_cast<double>(events);
}
BENCHMARK(BM_EventsFromStoreNinetyDays)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

void BM_ReadStoreNinetyDays(benchmark::State& state)
{
    THistoryStore store;
    if (!store.Open(NinetyDaysStore()))
        std::abort();
    for (auto _ : state) {
        std::int64_t read = 0;
        if (!store.ForEachRecord(THistoryFilter::All(), [&](const THistoryRecord&) { ++read; }, {}))
            state.SkipWithError(store.LastError().c_str());
        if (read != TGeneratedLine::Polls)
            state.SkipWithError("polls missing");
    }
}
BENCHMARK(BM_ReadStoreNinetyDays)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
