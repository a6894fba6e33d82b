// Layout 2 of the history store on real SQLite files: the same polls give
// the same answers to every reading call whether kept in layout 1, moved
// from it, or appended to layout 2; odd values and chains of packed changes
// come back exactly; the change count from the day summaries equals the
// count over the polls; a move killed halfway leaves a usable store; and a
// generated line fits the size goal.
#include "AsOrdinaryUser.h"
#include "HistoryTestUtil.h"

#include "common/GeneratedRecord.h"
#include "history/HistoryStore.h"
#include "history/HistoryValues.h"
#include "history/ToneChangeCounter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <limits>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::int64_t StartUtcMs = 1714521600000LL;  // 2024-05-01T00:00:00Z, a day's start
constexpr std::int64_t DayMs = 86400000LL;
const std::string HostA = "192.168.1.254";
const std::string HostB = "[fe80::1]:2323 \xc3\xa9";

// Polls of two hosts over about five days, every 17 minutes, with what a
// store meets: failed polls (their reasons with commas and quotes, a table
// left behind or none), values at both ends of the 32-bit range, one tone
// flipping, runs of equal times, polls kept late (earlier than the poll
// before) and every origin.
std::vector<THistoryRecord> OddPolls(int count = 420)
{
    std::vector<THistoryRecord> records;
    ToneBits line{};
    for (int tone = 0; tone < ToneCount; ++tone)
        line[static_cast<std::size_t>(tone)] = tone < 6 ? 0 : 2 + (tone * 7) % 11;
    std::int64_t time = StartUtcMs + 3600000;
    for (int n = 0; n < count; ++n) {
        if (n % 13 != 0)
            time += 17 * 60000;  // every 13th poll at the same time as the one before
        THistoryRecord r;
        r.TimeUtcMs = n % 47 == 46 ? time - 2 * DayMs + 5000 : time;  // kept late
        r.Host = n % 3 == 2 ? HostB : HostA;
        r.Origin = static_cast<TPollOrigin>(n % 4);
        r.FirstTone = n % 9 == 0 ? 32 : 0;
        r.LastTone = n % 9 == 0 ? 512 : 255;
        ToneBits bits = line;
        bits[451] = n % 2;
        if (n % 29 == 3)
            for (int tone = 200; tone < 210; ++tone)
                bits[static_cast<std::size_t>(tone)] = 0;
        if (n % 31 == 7) {
            bits[0] = std::numeric_limits<std::int32_t>::min();
            bits[1] = std::numeric_limits<std::int32_t>::max();
            bits[512] = -1;
        }
        if (n % 37 == 11)
            for (int tone = 0; tone < ToneCount; ++tone)
                bits[static_cast<std::size_t>(tone)] = (tone * 7919 + n) % 16;  // a resync
        if (n % 61 == 30)
            line[static_cast<std::size_t>(100 + n % 50)] += 1;  // the line itself moves on
        r.Outcome.Captured = n % 11 != 5 && n % 53 != 52;
        if (!r.Outcome.Captured) {
            r.Outcome.FailedStep = n % 2 ? TPollStep::psConnect : TPollStep::psReadBits;
            r.Outcome.ErrorCode = n % 2 ? 10061 : 0;
            r.Outcome.ErrorText = n % 2 ? "Connection refused, \"again\"" : "No bit loading in the router's reply";
            r.Outcome.DeadlineExceeded = n % 4 == 1;
            if (n % 3 == 0)
                bits = ToneBits{};
        }
        r.Bits = bits;
        records.push_back(r);
    }
    return records;
}

// What every reading call answers for a store.
struct TAnswers {
    std::int64_t Count = 0;
    std::int64_t CountOfPeriod = 0;
    std::vector<THistoryRecord> All;
    std::vector<std::int64_t> Refused;
    std::vector<THistoryRecord> ById;
    std::vector<THistoryRecord> Chosen;
    std::vector<THistoryRecord> Period;
    std::vector<THistorySummary> Pages;
    std::vector<TTotalBitsPoint> Totals;
    std::vector<std::int64_t> Changes;
};

THistoryFilter Period()
{
    return {true, StartUtcMs + DayMs + 1234, true, StartUtcMs + 3 * DayMs + 777};
}

TAnswers AnswersOf(THistoryStore& store, std::int64_t lastId)
{
    TAnswers a;
    a.Count = store.Count(THistoryFilter::All());
    a.CountOfPeriod = store.Count(Period());
    EXPECT_TRUE(store.ForEachRecord(
        THistoryFilter::All(), [&](const THistoryRecord& r) { a.All.push_back(r); },
        [&](std::int64_t id, std::int64_t, const std::string&) { a.Refused.push_back(id); }));
    for (std::int64_t id = 1; id <= lastId; ++id) {
        THistoryRecord r;
        if (store.ReadRecord(id, r))
            a.ById.push_back(r);
    }
    std::vector<std::int64_t> ids;
    for (std::int64_t id = lastId; id > 0; id -= 7)
        ids.push_back(id);
    EXPECT_TRUE(store.ForEachRecordOf(ids, [&](const THistoryRecord& r) { a.Chosen.push_back(r); }, {}));
    EXPECT_TRUE(store.ForEachRecord(Period(), [&](const THistoryRecord& r) { a.Period.push_back(r); }, {}));
    std::vector<THistorySummary> page;
    THistoryPageKey key;
    const THistoryPageKey* after = nullptr;
    do {
        EXPECT_TRUE(store.ReadPage(THistoryFilter::All(), after, 50, page));
        a.Pages.insert(a.Pages.end(), page.begin(), page.end());
        if (!page.empty())
            key = {page.back().TimeUtcMs, page.back().Id};
        after = &key;
    } while (page.size() == 50);
    EXPECT_TRUE(store.ReadTotalBits(THistoryFilter::All(), a.Totals));
    EXPECT_TRUE(store.ReadToneChanges(Period(), a.Changes));
    return a;
}

// The records, their origins forgotten (layout 1 does not keep them).
std::vector<THistoryRecord> WithoutOrigins(std::vector<THistoryRecord> records)
{
    for (THistoryRecord& r : records)
        r.Origin = TPollOrigin::poUnknown;
    return records;
}

void ExpectSameRecords(const std::vector<THistoryRecord>& expected, const std::vector<THistoryRecord>& actual,
                       const char* what)
{
    ASSERT_EQ(expected.size(), actual.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_TRUE(SameRecord(expected[i], actual[i])) << what << ": record " << i << " (id " << expected[i].Id << ")";
}

void ExpectSameAnswers(const TAnswers& expected, const TAnswers& actual, bool origins)
{
    EXPECT_EQ(expected.Count, actual.Count);
    EXPECT_EQ(expected.CountOfPeriod, actual.CountOfPeriod);
    const auto records = [&](const std::vector<THistoryRecord>& r) { return origins ? r : WithoutOrigins(r); };
    ExpectSameRecords(records(expected.All), records(actual.All), "all");
    EXPECT_EQ(expected.Refused, actual.Refused);
    ExpectSameRecords(records(expected.ById), records(actual.ById), "by id");
    ExpectSameRecords(records(expected.Chosen), records(actual.Chosen), "chosen");
    ExpectSameRecords(records(expected.Period), records(actual.Period), "period");
    ASSERT_EQ(expected.Pages.size(), actual.Pages.size());
    for (std::size_t i = 0; i < expected.Pages.size(); ++i) {
        const THistorySummary& e = expected.Pages[i];
        const THistorySummary& a = actual.Pages[i];
        EXPECT_TRUE(e.Id == a.Id && e.TimeUtcMs == a.TimeUtcMs && e.Captured == a.Captured &&
                    e.OutcomeText == a.OutcomeText && e.TotalBits == a.TotalBits && e.ZeroTones == a.ZeroTones &&
                    (!origins || e.Origin == a.Origin))
            << "row " << i << " (id " << e.Id << ")";
    }
    ASSERT_EQ(expected.Totals.size(), actual.Totals.size());
    for (std::size_t i = 0; i < expected.Totals.size(); ++i) {
        const TTotalBitsPoint& e = expected.Totals[i];
        const TTotalBitsPoint& a = actual.Totals[i];
        EXPECT_TRUE(e.Id == a.Id && e.TimeUtcMs == a.TimeUtcMs && e.TotalBits == a.TotalBits &&
                    e.Captured == a.Captured)
            << "point " << i;
    }
    EXPECT_EQ(expected.Changes, actual.Changes);
}

// The change count as the history window worked it out: over the records in time order.
std::vector<std::int64_t> CountedFromRecords(THistoryStore& store, const THistoryFilter& filter,
                                             const std::string* host = nullptr)
{
    std::vector<TToneSample> samples;
    EXPECT_TRUE(store.ForEachRecord(filter,
                                    [&](const THistoryRecord& r) {
                                        if (!host || r.Host == *host)
                                            samples.push_back({r.Outcome.Captured, r.Bits});
                                    },
                                    {}));
    const ToneChangeCounts counts = CountToneChanges(samples);
    return std::vector<std::int64_t>(counts.begin(), counts.end());
}

class HistoryLayoutTest : public ::testing::Test {
protected:
    QString Path(const QString& name = QStringLiteral("history.sqlite")) const { return dir.filePath(name); }

    static std::string Version(const QString& path)
    {
        TRawConnection raw(path);
        return raw.Value(QStringLiteral("SELECT version FROM schema_version")).toStdString();
    }

    QTemporaryDir dir;
};

}  // namespace

// The same polls kept three ways answer every reading call alike: a store
// of layout 1 read as it is (open read-only), the same file moved to layout
// 2, and the polls appended to a new store (which alone keeps the origins).
// A record that layout 1 refuses stays refused, for the same reason.
TEST_F(HistoryLayoutTest, OldNewAndMovedStoresGiveTheSameAnswers)
{
    std::vector<THistoryRecord> polls = OddPolls();
    std::vector<THistoryRecord> old = polls;
    ASSERT_TRUE(MakeLayout1Store(Path(QStringLiteral("old.sqlite")), old));
    {
        TRawConnection raw(Path(QStringLiteral("old.sqlite")));
        ASSERT_TRUE(raw.Exec(QStringLiteral("UPDATE polls SET tone_values = '1,2,3' WHERE id = 40")));
        ASSERT_TRUE(raw.Exec(QStringLiteral("UPDATE polls SET tone_values = X'0102' WHERE id = 41")));
    }
    ASSERT_TRUE(QFile::copy(Path(QStringLiteral("old.sqlite")), Path(QStringLiteral("moved.sqlite"))));
    const std::int64_t lastId = static_cast<std::int64_t>(polls.size()) + 1;

    THistoryStoreOptions readOnly;
    readOnly.ReadOnly = true;
    THistoryStore oldStore;
    ASSERT_TRUE(oldStore.Open(Path(QStringLiteral("old.sqlite")), readOnly)) << oldStore.LastError();
    EXPECT_EQ(oldStore.FileSchemaVersion(), 1);
    const TAnswers oldAnswers = AnswersOf(oldStore, lastId);
    EXPECT_EQ(oldAnswers.Refused, (std::vector<std::int64_t>{40, 41}));
    THistoryRecord refused;
    EXPECT_FALSE(oldStore.ReadRecord(41, refused));
    const std::string refusal = oldStore.LastError();
    EXPECT_EQ(oldStore.Notice(), "");

    THistoryStore moved;
    ASSERT_TRUE(moved.Open(Path(QStringLiteral("moved.sqlite")))) << moved.LastError();
    EXPECT_EQ(moved.FileSchemaVersion(), 2);
    EXPECT_FALSE(moved.IsReadOnly());
    const TAnswers movedAnswers = AnswersOf(moved, lastId);
    ExpectSameAnswers(oldAnswers, movedAnswers, true);
    EXPECT_FALSE(moved.ReadRecord(41, refused));
    EXPECT_EQ(moved.LastError(), refusal);
    // A poll appended after the move is packed against the moved ones.
    THistoryRecord next = polls.back();
    next.TimeUtcMs += 60000;
    next.Bits[300] = 99;
    ASSERT_TRUE(moved.Append(next)) << moved.LastError();
    THistoryRecord read;
    ASSERT_TRUE(moved.ReadRecord(next.Id, read));
    EXPECT_TRUE(SameRecord(read, next));

    // Appended to layout 2, against the same polls in layout 1 unspoilt;
    // this layout alone keeps who made each poll.
    std::vector<THistoryRecord> clean = polls;
    ASSERT_TRUE(MakeLayout1Store(Path(QStringLiteral("clean.sqlite")), clean));
    THistoryStore cleanStore;
    ASSERT_TRUE(cleanStore.Open(Path(QStringLiteral("clean.sqlite")), readOnly));
    const TAnswers cleanAnswers = AnswersOf(cleanStore, lastId);
    std::vector<THistoryRecord> appended = polls;
    THistoryStore fresh;
    ASSERT_TRUE(fresh.Open(Path(QStringLiteral("new.sqlite"))));
    ASSERT_TRUE(fresh.AppendAll(appended)) << fresh.LastError();
    const TAnswers freshAnswers = AnswersOf(fresh, lastId);
    ExpectSameAnswers(cleanAnswers, freshAnswers, false);
    EXPECT_TRUE(freshAnswers.Refused.empty());
    ASSERT_EQ(freshAnswers.ById.size(), polls.size());
    for (std::size_t i = 0; i < polls.size(); ++i)
        EXPECT_EQ(freshAnswers.ById[i].Origin, polls[i].Origin);
    for (const THistorySummary& s : freshAnswers.Pages)
        EXPECT_EQ(s.Origin, polls[static_cast<std::size_t>(s.Id - 1)].Origin);
}

// Every value an int32 can hold comes back, through whole frames and
// changes, along chains longer than a whole record's interval, for hosts
// whose polls alternate, from a new connection and after polls kept late.
TEST_F(HistoryLayoutTest, OddValuesAndLongChainsComeBackExactly)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max());
    std::vector<THistoryRecord> records;
    ToneBits bits{};
    for (int n = 0; n < 300; ++n) {
        // A few tones change each poll, to anything; now and then all of them.
        const int changes = n % 50 == 0 ? ToneCount : 1 + n % 4;
        for (int c = 0; c < changes; ++c)
            bits[static_cast<std::size_t>(c == 0 && changes < ToneCount ? (n * 37) % ToneCount
                                                                        : random() % ToneCount)] = any(random);
        if (n % 100 == 99)
            bits.fill(std::numeric_limits<std::int32_t>::min());
        THistoryRecord r = GeneratedRecord(n);
        r.Host = n % 2 ? HostA : HostB;
        r.Bits = bits;
        records.push_back(r);
    }
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(Path()));
        for (std::size_t i = 0; i < 150; ++i)
            ASSERT_TRUE(store.Append(records[i])) << store.LastError();
        std::vector<THistoryRecord> rest(records.begin() + 150, records.end());
        ASSERT_TRUE(store.AppendAll(rest));
        std::copy(rest.begin(), rest.end(), records.begin() + 150);
    }
    {
        TRawConnection raw(Path());
        EXPECT_GT(raw.Value(QStringLiteral("SELECT count(*) FROM polls WHERE base_id IS NOT NULL")).toInt(), 200);
        EXPECT_GE(raw.Value(QStringLiteral("SELECT count(*) FROM polls WHERE base_id IS NULL")).toInt(), 2 * 2);
    }
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    std::vector<THistoryRecord> read;
    ASSERT_TRUE(store.ForEachRecord(THistoryFilter::All(), [&](const THistoryRecord& r) { read.push_back(r); }, {}));
    ExpectSameRecords(records, read, "in order");
    for (std::size_t i = records.size(); i-- > 0;) {
        THistoryRecord one;
        ASSERT_TRUE(store.ReadRecord(records[i].Id, one)) << store.LastError();
        ASSERT_TRUE(SameRecord(one, records[i])) << i;
    }

    // Changes whose chain is spoilt are refused with the reason, not read wrong.
    std::vector<QString> changes;
    {
        TRawConnection raw(Path());
        for (int skip = 0; skip < 3; ++skip)
            changes.push_back(raw.Value(
                QStringLiteral(
                    "SELECT id FROM polls WHERE base_id IS NOT NULL AND id > 150 ORDER BY id LIMIT 1 OFFSET %1")
                    .arg(skip)));
        const QString base = raw.Value(QStringLiteral("SELECT base_id FROM polls WHERE id = %1").arg(changes[0]));
        ASSERT_TRUE(raw.Exec(QStringLiteral("UPDATE polls SET tone_values = X'01' WHERE id = %1").arg(base)));
        ASSERT_TRUE(raw.Exec(QStringLiteral("UPDATE polls SET base_id = 100000 WHERE id = %1").arg(changes[1])));
        ASSERT_TRUE(raw.Exec(QStringLiteral("UPDATE polls SET base_id = id WHERE id = %1").arg(changes[2])));
        ASSERT_TRUE(raw.Exec(QStringLiteral("UPDATE polls SET host_id = 77 WHERE id = 10")));
    }
    const auto refusal = [&](const QString& id) {
        THistoryRecord one;
        EXPECT_FALSE(store.ReadRecord(id.toLongLong(), one));
        return store.LastError();
    };
    EXPECT_NE(refusal(changes[0]).find("whose values are refused: its whole values end early"), std::string::npos)
        << store.LastError();
    EXPECT_EQ(refusal(changes[1]),
              "poll " + changes[1].toStdString() +
                  " refused: its values are made against poll 100000, which is not in the history");
    EXPECT_EQ(refusal(changes[2]), "poll " + changes[2].toStdString() +
                                       " refused: its values are more than 1024 changes away from whole values");
    EXPECT_EQ(refusal(QStringLiteral("10")), "poll 10 refused: its host 77 is not in the table of hosts");
    std::vector<std::int64_t> refused;
    ASSERT_TRUE(store.ForEachRecord(
        THistoryFilter::All(), [](const THistoryRecord&) {},
        [&](std::int64_t id, std::int64_t, const std::string&) { refused.push_back(id); }));
    EXPECT_GE(refused.size(), 4u);
}

// The change count read from the day summaries equals the count over the
// polls, for every host together and for each alone, on random periods
// (edges inside days, on midnight, open on either side), with polls kept
// late that make a day be counted again, appended one by one and in batches.
TEST_F(HistoryLayoutTest, ToneChangesFromTheDaysEqualTheCountOverThePolls)
{
    std::vector<THistoryRecord> polls = OddPolls();
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    for (std::size_t i = 0; i < polls.size(); ++i) {
        if (i < 200) {
            ASSERT_TRUE(store.Append(polls[i])) << store.LastError();
        } else {
            std::vector<THistoryRecord> batch(polls.begin() + static_cast<std::ptrdiff_t>(i),
                                              polls.begin() +
                                                  static_cast<std::ptrdiff_t>(std::min(i + 37, polls.size())));
            ASSERT_TRUE(store.AppendAll(batch));
            i += batch.size() - 1;
        }
    }
    std::mt19937 random(11);
    const std::int64_t span = 6 * DayMs;
    std::uniform_int_distribution<std::int64_t> at(StartUtcMs - DayMs, StartUtcMs + span);
    std::vector<THistoryFilter> filters{THistoryFilter::All(),
                                        THistoryFilter::Since(StartUtcMs + DayMs),
                                        THistoryFilter::Until(StartUtcMs + 2 * DayMs),
                                        {true, StartUtcMs + DayMs, true, StartUtcMs + 3 * DayMs}};
    for (int i = 0; i < 40; ++i) {
        std::int64_t since = at(random);
        std::int64_t until = at(random);
        if (since > until)
            std::swap(since, until);
        if (i % 5 == 0)
            since -= since % DayMs;  // on midnight
        filters.push_back({i % 7 != 3, since, i % 7 != 4, until});
    }
    for (const THistoryFilter& filter : filters) {
        const std::string period = std::to_string(filter.HasSince ? filter.SinceUtcMs : -1) + " - " +
                                   std::to_string(filter.HasUntil ? filter.UntilUtcMs : -1);
        std::vector<std::int64_t> changes;
        ASSERT_TRUE(store.ReadToneChanges(filter, changes)) << store.LastError();
        ASSERT_EQ(changes, CountedFromRecords(store, filter)) << period;
        for (const std::string& host : {HostA, HostB}) {
            ASSERT_TRUE(store.ReadToneChanges(filter, host, changes)) << store.LastError();
            ASSERT_EQ(changes, CountedFromRecords(store, filter, &host)) << host << " " << period;
        }
    }
    // A day summary that cannot be read is counted from the day's polls.
    {
        TRawConnection raw(Path());
        ASSERT_TRUE(raw.Exec(
            QStringLiteral("UPDATE tone_days SET changes = X'03' WHERE day = %1").arg((StartUtcMs + DayMs) / DayMs)));
    }
    for (const THistoryFilter& filter : filters) {
        std::vector<std::int64_t> changes;
        ASSERT_TRUE(store.ReadToneChanges(filter, changes)) << store.LastError();
        ASSERT_EQ(changes, CountedFromRecords(store, filter));
    }
    std::vector<std::int64_t> changes;
    ASSERT_TRUE(store.ReadToneChanges(THistoryFilter::All(), "no such host", changes));
    EXPECT_EQ(changes, std::vector<std::int64_t>(ToneCount, 0));
    EXPECT_GT(CountedFromRecords(store, THistoryFilter::All())[451], 100) << "the flipping tone counts";
}

// A move killed at any point leaves a store that opens: of layout 1, all
// there, while the move was not committed; of layout 2 once it was. The
// next opening moves what is left to move; every poll is as it was.
TEST_F(HistoryLayoutTest, KilledMoveLeavesAUsableStoreOfOneLayoutOrTheOther)
{
    std::vector<THistoryRecord> polls = OddPolls(2000);
    ASSERT_TRUE(MakeLayout1Store(Path(), polls));
    const QByteArray original = [&] {
        QFile f(Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    for (const bool atCommit : {false, true}) {
        SCOPED_TRACE(atCommit ? "killed once committed" : "killed halfway");
        {
            QFile::remove(Path() + QStringLiteral("-wal"));
            QFile::remove(Path() + QStringLiteral("-shm"));
            QFile f(Path());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(original);
        }
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            THistoryStoreOptions options;
            options.OnMigration = [atCommit](std::int64_t moved, std::int64_t total, bool committed) {
                if (committed == atCommit && (committed || moved == total / 2))
                    ::raise(SIGKILL);
            };
            THistoryStore store;
            store.Open(Path(), options);
            ::_exit(3);  // not killed: the test fails below
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;

        EXPECT_EQ(Version(Path()), atCommit ? "2" : "1");
        {
            TRawConnection raw(Path());
            EXPECT_EQ(raw.Value(QStringLiteral("SELECT count(*) FROM polls")), "2000");
            EXPECT_EQ(raw.Value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'polls_layout1'")),
                      "0");
        }
        THistoryStoreOptions readOnly;
        readOnly.ReadOnly = true;
        THistoryStore reader;
        ASSERT_TRUE(reader.Open(Path(), readOnly)) << reader.LastError();
        std::vector<THistoryRecord> read;
        ASSERT_TRUE(
            reader.ForEachRecord(THistoryFilter::All(), [&](const THistoryRecord& r) { read.push_back(r); }, {}));
        std::vector<THistoryRecord> expected = polls;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const auto& a, const auto& b) { return a.TimeUtcMs < b.TimeUtcMs; });
        ExpectSameRecords(expected, read, "after the kill");

        // Opening for writing moves it (or finds it moved), and the reader
        // that held layout 1 follows.
        std::int64_t told = 0;
        THistoryStoreOptions options;
        options.OnMigration = [&](std::int64_t, std::int64_t, bool) { ++told; };
        THistoryStore store;
        ASSERT_TRUE(store.Open(Path(), options)) << store.LastError();
        EXPECT_EQ(store.FileSchemaVersion(), 2);
        EXPECT_EQ(told, atCommit ? 0 : 2001);
        // A move that ran to its end gave the space back: the text values took far more.
        if (!atCommit) {
            EXPECT_LT(QFileInfo(Path()).size() * 4, original.size());
        }
        read.clear();
        ASSERT_TRUE(
            store.ForEachRecord(THistoryFilter::All(), [&](const THistoryRecord& r) { read.push_back(r); }, {}));
        ExpectSameRecords(expected, read, "moved");
        read.clear();
        ASSERT_TRUE(
            reader.ForEachRecord(THistoryFilter::All(), [&](const THistoryRecord& r) { read.push_back(r); }, {}));
        ExpectSameRecords(expected, read, "read by the reader opened before the move");
        EXPECT_EQ(reader.FileSchemaVersion(), 2);
    }
}

// Newer layouts open read-only and are read with this layout's columns; a
// layout-1 store stays as it is when only read.
TEST_F(HistoryLayoutTest, OnlyAWritableOpeningMovesAStore)
{
    std::vector<THistoryRecord> polls = OddPolls(30);
    ASSERT_TRUE(MakeLayout1Store(Path(), polls));
    THistoryStoreOptions readOnly;
    readOnly.ReadOnly = true;
    {
        THistoryStore reader;
        ASSERT_TRUE(reader.Open(Path(), readOnly));
        EXPECT_TRUE(reader.IsReadOnly());
        THistoryRecord record = polls[0];
        EXPECT_FALSE(reader.Append(record));
        EXPECT_EQ(reader.Count(THistoryFilter::All()), 30);
    }
    EXPECT_EQ(Version(Path()), "1");
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(Path()));
        EXPECT_EQ(store.Notice(), "");
    }
    EXPECT_EQ(Version(Path()), "2");
    {
        TRawConnection raw(Path());
        ASSERT_TRUE(raw.Exec(QStringLiteral("UPDATE schema_version SET version = 3")));
    }
    THistoryStore newer;
    ASSERT_TRUE(newer.Open(Path()));
    EXPECT_TRUE(newer.IsReadOnly());
    std::vector<std::int64_t> changes;
    EXPECT_TRUE(newer.ReadToneChanges(THistoryFilter::All(), changes));
    EXPECT_EQ(changes, CountedFromRecords(newer, THistoryFilter::All()));
    EXPECT_EQ(Version(Path()), "3");
}

// A store of layout 1 that its user may only read cannot be moved: it is
// read as it is, and says so, as a newer one does.
TEST_F(HistoryLayoutTest, AnOldStoreThatCannotBeWrittenIsReadAsItIs)
{
    std::vector<THistoryRecord> polls = OddPolls(30);
    ASSERT_TRUE(MakeLayout1Store(Path(), polls));
    TAsOrdinaryUser::GiveToUser(dir.path().toStdString());
    for (const QString& file : QDir(dir.path()).entryList(QDir::Files))
        TAsOrdinaryUser::GiveToUser(dir.filePath(file).toStdString());
    QFile::setPermissions(Path(), QFile::ReadOwner);
    TAsOrdinaryUser user;
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path())) << store.LastError();
    EXPECT_TRUE(store.IsReadOnly());
    EXPECT_EQ(store.FileSchemaVersion(), 1);
    EXPECT_NE(store.Notice().find("older layout and cannot be moved"), std::string::npos) << store.Notice();
    EXPECT_EQ(store.Count(THistoryFilter::All()), 30);
    THistoryRecord first;
    ASSERT_TRUE(store.ReadRecord(1, first));
    EXPECT_TRUE(SameRecord(first, WithoutOrigins(polls)[0]));
    THistoryRecord record = polls[0];
    EXPECT_FALSE(store.Append(record));
    EXPECT_NE(store.LastError().find("read-only"), std::string::npos);
}

// Three days of a line like the simulator's (a reading a minute, the usual
// troubles) take at most 150 bytes a poll in the file, day summaries and
// index included.
TEST_F(HistoryLayoutTest, AGeneratedLineTakesAtMost150BytesAPoll)
{
    constexpr int Polls = 3 * 1440;
    const TGeneratedLine line;
    std::vector<THistoryRecord> records;
    for (int n = 0; n < Polls; ++n)
        records.push_back(GeneratedRecord(line, n));
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(Path()));
        ASSERT_TRUE(store.AppendAll(records));
        THistoryRecord last;
        ASSERT_TRUE(store.ReadRecord(records.back().Id, last));
        EXPECT_TRUE(SameRecord(last, records.back()));
    }
    const double perPoll = static_cast<double>(QFileInfo(Path()).size()) / Polls;
    EXPECT_LE(perPoll, 150.0);
    std::cout << "bytes a poll: " << perPoll << "\n";
}
