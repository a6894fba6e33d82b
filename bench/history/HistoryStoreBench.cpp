// The history store on a generated line (bench/common/GeneratedLine.h, one
// poll a minute) over 90 days (129,600 polls) and a year (525,600): moving a
// store of layout 1 to layout 2, exporting one day, the line events over
// everything, the tone changes and the total bits over everything,
// appending one poll, and the bytes a poll takes in each layout. The stores
// are made once and kept in the build folder (bench-cache/), layout 2 by
// AppendAll in large transactions, layout 1 through its row mapping.
#include "common/GeneratedRecord.h"
#include "history/HistoryCsv.h"
#include "history/HistoryEvents.h"
#include "history/HistoryRowMapping.h"
#include "history/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>

namespace {

constexpr int NinetyDays = 90 * 1440;
constexpr int OneYear = 365 * 1440;

QString CacheFolder()
{
    const QString folder = QStringLiteral(QM_BENCH_CACHE);
    QDir().mkpath(folder);
    return folder;
}

// A store of layout 2 holding the first polls of the line, made once.
QString Layout2Store(int polls)
{
    const QString path = CacheFolder() + QStringLiteral("/layout2-%1.sqlite").arg(polls);
    {
        THistoryStoreOptions readOnly;
        readOnly.ReadOnly = true;
        THistoryStore store;
        if (store.Open(path, readOnly) && store.FileSchemaVersion() == THistoryStore::CurrentSchemaVersion &&
            store.Count(THistoryFilter::All()) == polls)
            return path;
    }
    QFile::remove(path);
    std::cerr << "making " << path.toStdString() << "\n";
    const TGeneratedLine line;
    THistoryStore store;
    if (!store.Open(path))
        std::abort();
    std::vector<THistoryRecord> records;
    for (int n = 0; n < polls; ++n) {
        records.push_back(GeneratedRecord(line, n));
        if (records.size() == 50000 || n == polls - 1) {
            if (!store.AppendAll(records))
                std::abort();
            records.clear();
        }
    }
    return path;
}

// The same polls in a store of layout 1, as the versions before layout 2 wrote them.
QString Layout1Store(int polls)
{
    const QString path = CacheFolder() + QStringLiteral("/layout1-%1.sqlite").arg(polls);
    if (QFileInfo::exists(path))
        return path;
    std::cerr << "making " << path.toStdString() << "\n";
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("layout1"));
        db.setDatabaseName(partial);
        if (!db.open())
            std::abort();
        QSqlQuery q(db);
        QStringList statements{QStringLiteral("BEGIN"),
                               QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"),
                               QStringLiteral("INSERT INTO schema_version (version) VALUES (1)")};
        statements << THistoryRowMapping::LayoutStatements();
        statements << QStringLiteral("PRAGMA application_id = %1").arg(THistoryStore::ApplicationId);
        for (const QString& statement : statements)
            if (!q.exec(statement))
                std::abort();
        q.prepare(THistoryRowMapping::InsertSql());
        const TGeneratedLine line;
        for (int n = 0; n < polls; ++n) {
            THistoryRowMapping::BindRecord(q, GeneratedRecord(line, n));
            if (!q.exec())
                std::abort();
        }
        if (!q.exec(QStringLiteral("COMMIT")))
            std::abort();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("layout1"));
    QFile::rename(partial, path);
    return path;
}

int PollsOf(const benchmark::State& state)
{
    return static_cast<int>(state.range(0));
}

void BM_MoveLayout1ToLayout2(benchmark::State& state)
{
    const QString old = Layout1Store(PollsOf(state));
    double bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir(CacheFolder() + QStringLiteral("/move-XXXXXX"));
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        if (!QFile::copy(old, path))
            std::abort();
        state.ResumeTiming();
        THistoryStore store;
        if (!store.Open(path) || store.FileSchemaVersion() != THistoryStore::CurrentSchemaVersion)
            state.SkipWithError(store.LastError().c_str());
        store.Close();
        bytes = static_cast<double>(QFileInfo(path).size());
    }
    state.counters["layout1_bytes_per_poll"] = static_cast<double>(QFileInfo(old).size()) / PollsOf(state);
    state.counters["moved_bytes_per_poll"] = bytes / PollsOf(state);
}
BENCHMARK(BM_MoveLayout1ToLayout2)->Arg(NinetyDays)->Arg(OneYear)->Unit(benchmark::kSecond)->Iterations(1);

void BM_StoreBytesPerPoll(benchmark::State& state)
{
    const QString path = Layout2Store(PollsOf(state));
    for (auto _ : state)
        benchmark::DoNotOptimize(QFileInfo(path).size());
    state.counters["bytes_per_poll"] = static_cast<double>(QFileInfo(path).size()) / PollsOf(state);
}
BENCHMARK(BM_StoreBytesPerPoll)->Arg(NinetyDays)->Arg(OneYear)->Iterations(1);

// One day in the middle of the period, as --export-csv --since --until writes it.
void BM_ExportOneDay(benchmark::State& state)
{
    THistoryStore store;
    if (!store.Open(Layout2Store(PollsOf(state))))
        std::abort();
    QTemporaryDir dir;
    const std::string out = dir.filePath(QStringLiteral("day.csv")).toStdString();
    const std::int64_t since = TGeneratedLine::StartUtcMs + 60000LL * (PollsOf(state) / 2);
    const THistoryFilter day{true, since, true, since + 86400000LL};
    for (auto _ : state) {
        THistoryExport result;
        if (!ExportHistoryCsv(store, day, out, result) || result.Written < 1300)
            state.SkipWithError("export failed");
    }
}
BENCHMARK(BM_ExportOneDay)->Arg(NinetyDays)->Arg(OneYear)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_EventsOverEverything(benchmark::State& state)
{
    THistoryStore store;
    if (!store.Open(Layout2Store(PollsOf(state))))
        std::abort();
    for (auto _ : state) {
        THistoryEvents result;
        if (!ReadHistoryEvents(store, THistoryFilter::All(), result))
            state.SkipWithError(result.Error.c_str());
        state.counters["events"] = static_cast<double>(result.Events.size());
    }
}
BENCHMARK(BM_EventsOverEverything)->Arg(NinetyDays)->Arg(OneYear)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ReadToneChangesOverEverything(benchmark::State& state)
{
    THistoryStore store;
    if (!store.Open(Layout2Store(PollsOf(state))))
        std::abort();
    std::vector<std::int64_t> changes;
    for (auto _ : state)
        if (!store.ReadToneChanges(THistoryFilter::All(), changes))
            state.SkipWithError(store.LastError().c_str());
    state.counters["tone451_changes"] = static_cast<double>(changes.at(451));
}
BENCHMARK(BM_ReadToneChangesOverEverything)->Arg(NinetyDays)->Arg(OneYear)->Unit(benchmark::kMillisecond);

// The same period with edges inside days: two part days read from their polls.
void BM_ReadToneChangesPartDays(benchmark::State& state)
{
    THistoryStore store;
    if (!store.Open(Layout2Store(PollsOf(state))))
        std::abort();
    const THistoryFilter period{true, TGeneratedLine::StartUtcMs + 3600000LL, true,
                                TGeneratedLine::StartUtcMs + 60000LL * PollsOf(state) - 3600000LL};
    std::vector<std::int64_t> changes;
    for (auto _ : state)
        if (!store.ReadToneChanges(period, changes))
            state.SkipWithError(store.LastError().c_str());
}
BENCHMARK(BM_ReadToneChangesPartDays)->Arg(NinetyDays)->Arg(OneYear)->Unit(benchmark::kMillisecond);

void BM_ReadTotalBitsOverEverything(benchmark::State& state)
{
    THistoryStore store;
    if (!store.Open(Layout2Store(PollsOf(state))))
        std::abort();
    std::vector<TTotalBitsPoint> points;
    for (auto _ : state)
        if (!store.ReadTotalBits(THistoryFilter::All(), points) || points.size() != std::size_t(PollsOf(state)))
            state.SkipWithError(store.LastError().c_str());
}
BENCHMARK(BM_ReadTotalBitsOverEverything)->Arg(NinetyDays)->Arg(OneYear)->Unit(benchmark::kMillisecond);

// One poll appended to a copy of the store, each in its own transaction, by
// a store that has appended before (and, first, by one that has not).
void BM_AppendOnePoll(benchmark::State& state)
{
    QTemporaryDir dir(CacheFolder() + QStringLiteral("/append-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    if (!QFile::copy(Layout2Store(PollsOf(state)), path))
        std::abort();
    THistoryStore store;
    if (!store.Open(path))
        std::abort();
    const TGeneratedLine line;
    int n = PollsOf(state);
    for (auto _ : state) {
        THistoryRecord record = GeneratedRecord(line, n++);
        if (!store.Append(record))
            state.SkipWithError(store.LastError().c_str());
    }
}
BENCHMARK(BM_AppendOnePoll)->Arg(NinetyDays)->Arg(OneYear)->Unit(benchmark::kMillisecond)->Iterations(500);

}  // namespace

BENCHMARK_MAIN();
