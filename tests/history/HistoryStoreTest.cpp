// The history store on real SQLite files in a temporary folder: round trip,
// paging, locked / full / read-only / damaged / newer stores, hostile records
// and the CSV export.
#include "AsOrdinaryUser.h"
#include "HistoryTestUtil.h"

#include "history/HistoryCsv.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistoryTime.h"
#include "history/HistoryValues.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <fstream>
#include <latch>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

class HistoryStoreTest : public ::testing::Test {
protected:
    QString Path(const QString& name = QStringLiteral("history.sqlite")) const { return dir.filePath(name); }

    // A store holding polls 0..count-1, every fifth one failed.
    void Fill(THistoryStore& store, int count)
    {
        for (int n = 0; n < count; ++n) {
            THistoryRecord record = GeneratedRecord(n, n % 5 != 4);
            ASSERT_TRUE(store.Append(record)) << store.LastError();
        }
    }

    static QByteArray ReadFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void WriteFile(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(HistoryStoreTest, RoundTripOfCapturedAndFailedPolls)
{
    THistoryStore store;
    ASSERT_TRUE(store.Open(dir.filePath(QStringLiteral("new/folder/history.sqlite")))) << store.LastError();
    EXPECT_EQ(store.Notice(), "");
    EXPECT_FALSE(store.IsReadOnly());
    EXPECT_EQ(store.FileSchemaVersion(), THistoryStore::CurrentSchemaVersion);

    THistoryRecord captured = GeneratedRecord(1);
    captured.Host = "[fe80::1]:2323 \xc3\xa9";
    captured.FirstTone = 256;
    captured.LastTone = 512;
    THistoryRecord failed = GeneratedRecord(2, false);
    failed.Outcome.FailedStep = TPollStep::psReceiveReply;
    failed.Outcome.DeadlineExceeded = true;
    failed.Bits[5] = 7;  // a failed poll keeps whatever the table held
    ASSERT_TRUE(store.Append(captured)) << store.LastError();
    ASSERT_TRUE(store.Append(failed)) << store.LastError();
    EXPECT_GT(failed.Id, captured.Id);
    store.Close();

    // Read back through a new connection, as the next run of the program would.
    THistoryStore again;
    ASSERT_TRUE(again.Open(dir.filePath(QStringLiteral("new/folder/history.sqlite"))));
    EXPECT_EQ(again.Count(THistoryFilter::All()), 2);
    for (const THistoryRecord* expected : {&captured, &failed}) {
        THistoryRecord read;
        ASSERT_TRUE(again.ReadRecord(expected->Id, read)) << again.LastError();
        EXPECT_EQ(read.Id, expected->Id);
        EXPECT_EQ(read.TimeUtcMs, expected->TimeUtcMs);
        EXPECT_EQ(read.Host, expected->Host);
        EXPECT_EQ(read.Outcome.Captured, expected->Outcome.Captured);
        EXPECT_EQ(read.Outcome.FailedStep, expected->Outcome.FailedStep);
        EXPECT_EQ(read.Outcome.ErrorCode, expected->Outcome.ErrorCode);
        EXPECT_EQ(read.Outcome.ErrorText, expected->Outcome.ErrorText);
        EXPECT_EQ(read.Outcome.DeadlineExceeded, expected->Outcome.DeadlineExceeded);
        EXPECT_EQ(read.FirstTone, expected->FirstTone);
        EXPECT_EQ(read.LastTone, expected->LastTone);
        EXPECT_EQ(read.Bits, expected->Bits);
    }
    THistoryRecord none;
    EXPECT_FALSE(again.ReadRecord(999, none));
    EXPECT_EQ(again.LastError(), "poll 999 is not in the history");

    // The list reads the summary columns: newest first, outcome text, totals.
    std::vector<THistorySummary> page;
    ASSERT_TRUE(again.ReadPage(THistoryFilter::All(), nullptr, 10, page));
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(page[0].Id, failed.Id);
    EXPECT_FALSE(page[0].Captured);
    EXPECT_EQ(page[0].OutcomeText, "receive reply failed: 10061 Connection refused (the poll ran out of time)");
    EXPECT_EQ(page[0].TotalBits, 7);
    EXPECT_EQ(page[0].ZeroTones, 512);
    EXPECT_EQ(page[1].OutcomeText, "reply captured");
    EXPECT_EQ(page[1].TotalBits, TotalBits(captured.Bits));
    EXPECT_EQ(page[1].ZeroTones, ZeroTones(captured.Bits));
}

// Steps are stored by number. A reply without the bit loading comes back as
// that step; a number this version does not know (written by a later one)
// comes back as a failed poll with its reason.
TEST_F(HistoryStoreTest, StepsComeBackByNumberAndAnUnknownOneStaysAFailure)
{
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    THistoryRecord noBits = GeneratedRecord(1, false);
    noBits.Outcome.FailedStep = TPollStep::psReadBits;
    noBits.Outcome.ErrorCode = 0;
    noBits.Outcome.ErrorText = "No bit loading in the router's reply: Syntax error";
    THistoryRecord later = noBits;
    ASSERT_TRUE(store.Append(noBits));
    ASSERT_TRUE(store.Append(later));
    {
        TRawConnection other(Path());
        ASSERT_TRUE(other.Exec(QStringLiteral("UPDATE polls SET failed_step = 99 WHERE id = %1").arg(later.Id)));
    }
    THistoryRecord read;
    ASSERT_TRUE(store.ReadRecord(noBits.Id, read));
    EXPECT_FALSE(read.Outcome.Captured);
    EXPECT_EQ(read.Outcome.FailedStep, TPollStep::psReadBits);
    EXPECT_EQ(DescribeOutcome(read.Outcome), "No bit loading in the router's reply: Syntax error");
    ASSERT_TRUE(store.ReadRecord(later.Id, read));
    EXPECT_FALSE(read.Outcome.Captured);
    EXPECT_EQ(read.Outcome.FailedStep, TPollStep::psNone);
    EXPECT_EQ(DescribeOutcome(read.Outcome), "failed: No bit loading in the router's reply: Syntax error");
    std::vector<THistorySummary> page;
    ASSERT_TRUE(store.ReadPage(THistoryFilter::All(), nullptr, 10, page));
    ASSERT_EQ(page.size(), 2u);
    for (const THistorySummary& s : page) {
        EXPECT_FALSE(s.Captured);
        EXPECT_EQ(s.OutcomeText, "No bit loading in the router's reply: Syntax error");
    }
}

TEST_F(HistoryStoreTest, KeysetPagesCoverEveryPollOnceNewestFirst)
{
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    // Polls with equal times (a clock that stood still) and one out of order.
    std::vector<THistoryRecord> records;
    for (int n = 0; n < 23; ++n)
        records.push_back(GeneratedRecord(n / 3));
    records.push_back(GeneratedRecord(-10));
    for (THistoryRecord& r : records)
        ASSERT_TRUE(store.Append(r));

    std::vector<std::pair<std::int64_t, std::int64_t>> listed;
    std::vector<THistorySummary> page;
    THistoryPageKey key;
    const THistoryPageKey* after = nullptr;
    do {
        ASSERT_TRUE(store.ReadPage(THistoryFilter::All(), after, 5, page));
        for (const THistorySummary& s : page)
            listed.emplace_back(s.TimeUtcMs, s.Id);
        if (!page.empty())
            key = {page.back().TimeUtcMs, page.back().Id};
        after = &key;
    } while (page.size() == 5);
    std::vector<std::pair<std::int64_t, std::int64_t>> expected;
    for (const THistoryRecord& r : records)
        expected.emplace_back(r.TimeUtcMs, r.Id);
    std::sort(expected.rbegin(), expected.rend());
    EXPECT_EQ(listed, expected);

    // A period starts at its first poll.
    const THistoryFilter since = THistoryFilter::Since(GeneratedRecord(5).TimeUtcMs);
    EXPECT_EQ(store.Count(since), 8);  // polls 15..22 are at minute 5, 6 and 7
    ASSERT_TRUE(store.ReadPage(since, nullptr, 100, page));
    EXPECT_EQ(page.size(), 8u);
    std::vector<TTotalBitsPoint> totals;
    ASSERT_TRUE(store.ReadTotalBits(since, totals));
    ASSERT_EQ(totals.size(), 8u);
    EXPECT_EQ(totals.front().TimeUtcMs, GeneratedRecord(5).TimeUtcMs);
    EXPECT_EQ(totals.back().TotalBits, TotalBits(GeneratedBits(7)));
}

TEST_F(HistoryStoreTest, LockedStoreReportsAndTheNextAppendWorks)
{
    THistoryStoreOptions options;
    options.BusyTimeoutMs = 0;
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path(), options));
    Fill(store, 2);
    {
        TRawConnection other(Path());
        ASSERT_TRUE(other.Exec(QStringLiteral("BEGIN IMMEDIATE")));
        ASSERT_TRUE(other.Exec(QStringLiteral("DELETE FROM polls")));
        THistoryRecord record = GeneratedRecord(10);
        EXPECT_FALSE(store.Append(record));
        EXPECT_EQ(store.LastError(), "the history could not be written: database is locked");
        EXPECT_EQ(record.Id, 0);
        // The recorder the window uses says so in one line and goes on.
        THistoryRecorder recorder(Path(), options);
        EXPECT_EQ(recorder.Record(record), "History not written: database is locked");
        ASSERT_TRUE(other.Exec(QStringLiteral("ROLLBACK")));
    }
    THistoryRecord record = GeneratedRecord(11);
    ASSERT_TRUE(store.Append(record)) << store.LastError();
    EXPECT_EQ(store.Count(THistoryFilter::All()), 3);
}

// Programs that start a new store at the same moment (several polls started
// at once) all get it, and every poll is kept: one of them lays out the file,
// the others find it laid out. Each round is a new file opened by several
// connections released together.
TEST_F(HistoryStoreTest, StoresStartedAtTheSameMomentKeepEveryPoll)
{
    constexpr int Rounds = 40;
    constexpr int Writers = 6;
    // In memory where there is a memory file system: the race is the same, the flushes cost nothing.
    QTemporaryDir memory(QStringLiteral("/dev/shm/quillmont-history-XXXXXX"));
    const QDir folder(memory.isValid() ? memory.path() : dir.path());
    for (int round = 0; round < Rounds; ++round) {
        const QString path = folder.filePath(QStringLiteral("round-%1/history.sqlite").arg(round));
        std::latch start(Writers);
        std::vector<std::string> errors(Writers);
        // Qt's own threads: Qt keeps data for every thread that uses it, and
        // frees it only for threads it started.
        std::vector<std::unique_ptr<QThread>> writers;
        for (int w = 0; w < Writers; ++w)
            writers.emplace_back(QThread::create([&, w] {
                THistoryStore store;
                THistoryRecord record = GeneratedRecord(w);
                start.arrive_and_wait();
                if (!store.Open(path))
                    errors[static_cast<std::size_t>(w)] = "open: " + store.LastError();
                else if (!store.Append(record))
                    errors[static_cast<std::size_t>(w)] = "append: " + store.LastError();
                else if (!store.Notice().empty())
                    errors[static_cast<std::size_t>(w)] = "notice: " + store.Notice();
            }));
        for (auto& t : writers)
            t->start();
        for (auto& t : writers)
            t->wait();
        for (int w = 0; w < Writers; ++w)
            ASSERT_EQ(errors[static_cast<std::size_t>(w)], "") << "round " << round << ", writer " << w;

        THistoryStore store;
        ASSERT_TRUE(store.Open(path)) << store.LastError();
        std::vector<std::int64_t> times;
        ASSERT_TRUE(store.ForEachRecord(THistoryFilter::All(),
                                        [&](const THistoryRecord& r) { times.push_back(r.TimeUtcMs); }, {}));
        ASSERT_EQ(times.size(), static_cast<std::size_t>(Writers)) << "round " << round;
        for (int w = 0; w < Writers; ++w)
            EXPECT_EQ(times[static_cast<std::size_t>(w)], GeneratedRecord(w).TimeUtcMs);
        TRawConnection raw(path);
        EXPECT_EQ(raw.Value(QStringLiteral("PRAGMA journal_mode")), "wal");
        EXPECT_EQ(raw.Value(QStringLiteral("SELECT count(*) FROM schema_version")), "1");
    }
}

TEST_F(HistoryStoreTest, FullStoreReportsAndKeepsWhatWasWritten)
{
    THistoryStoreOptions options;
    options.MaxPageCount = 12;
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path(), options));
    int written = 0;
    for (int n = 0; n < 100; ++n) {
        THistoryRecord record = GeneratedRecord(n);
        if (!store.Append(record)) {
            EXPECT_EQ(store.LastError(), "the history could not be written: database or disk is full");
            break;
        }
        ++written;
    }
    ASSERT_GT(written, 0);
    ASSERT_LT(written, 100);
    EXPECT_EQ(store.Count(THistoryFilter::All()), written);
    THistoryRecord last;
    std::vector<THistorySummary> page;
    ASSERT_TRUE(store.ReadPage(THistoryFilter::All(), nullptr, 1, page));
    ASSERT_TRUE(store.ReadRecord(page[0].Id, last));
    EXPECT_EQ(last.Bits, GeneratedBits(written - 1));
}

TEST_F(HistoryStoreTest, NewerLayoutIsOpenedReadOnly)
{
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(Path()));
        Fill(store, 3);
    }
    {
        TRawConnection other(Path());
        ASSERT_TRUE(other.Exec(QStringLiteral("UPDATE schema_version SET version = 3")));
    }
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path())) << store.LastError();
    EXPECT_TRUE(store.IsReadOnly());
    EXPECT_EQ(store.FileSchemaVersion(), 3);
    EXPECT_NE(store.Notice().find("newer version"), std::string::npos) << store.Notice();
    EXPECT_NE(store.Notice().find("read-only"), std::string::npos);
    EXPECT_EQ(store.Count(THistoryFilter::All()), 3);
    THistoryRecord record = GeneratedRecord(7);
    EXPECT_FALSE(store.Append(record));
    EXPECT_NE(store.LastError().find("read-only"), std::string::npos);
    store.Close();

    // The recorder tells it once, then keeps saying the history is not written.
    THistoryRecorder recorder(Path());
    EXPECT_NE(recorder.Record(record).find("newer version"), std::string::npos);
    EXPECT_EQ(recorder.Record(record).rfind("History not written: ", 0), 0u);
    EXPECT_TRUE(recorder.Store().IsReadOnly());

    // A layout version that cannot be read is damage, not a newer version.
    {
        TRawConnection other(Path());
        ASSERT_TRUE(other.Exec(QStringLiteral("UPDATE schema_version SET version = 'two'")));
    }
    recorder.Store().Close();
    ASSERT_TRUE(store.Open(Path()));
    EXPECT_FALSE(store.IsReadOnly());
    EXPECT_NE(store.Notice().find("layout version cannot be read"), std::string::npos);
}

TEST_F(HistoryStoreTest, ReadOnlyFileStillLetsThePollGoOn)
{
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(Path()));
        Fill(store, 1);
    }
    // The store and its folder belong to the user, who made the store read-only.
    TAsOrdinaryUser::GiveToUser(dir.path().toStdString());
    for (const QString& file : QDir(dir.path()).entryList(QDir::Files))
        TAsOrdinaryUser::GiveToUser(dir.filePath(file).toStdString());
    QFile::setPermissions(Path(), QFile::ReadOwner);
    TAsOrdinaryUser user;
    THistoryRecorder recorder(Path());
    THistoryRecord record = GeneratedRecord(3);
    const std::string note = recorder.Record(record);
    EXPECT_EQ(note.rfind("History not written: ", 0), 0u) << note;
}

TEST_F(HistoryStoreTest, DamagedFileIsSetAsideAndANewStoreStarted)
{
    const QByteArray garbage(8192, 'x');
    WriteFile(Path(), garbage);
    WriteFile(Path() + QStringLiteral("-wal"), QByteArray("stale journal"));
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path())) << store.LastError();
    const QString aside = store.SetAsidePath();
    ASSERT_TRUE(aside.startsWith(Path() + QStringLiteral(".damaged-"))) << aside.toStdString();
    EXPECT_EQ(ReadFile(aside), garbage) << "the damaged file is kept as it was";
    EXPECT_EQ(ReadFile(aside + QStringLiteral("-wal")), QByteArray("stale journal"));
    EXPECT_EQ(store.Notice(), "The history store " + Path().toStdString() +
                                  " was damaged (file is not a database); it was moved to " + aside.toStdString() +
                                  " and a new one started.");
    EXPECT_EQ(store.Count(THistoryFilter::All()), 0);
    Fill(store, 2);
    store.Close();

    // A second damage in the same second gets a name of its own.
    WriteFile(Path(), garbage);
    ASSERT_TRUE(store.Open(Path()));
    EXPECT_NE(store.SetAsidePath(), aside);
    EXPECT_EQ(ReadFile(store.SetAsidePath()), garbage);
    EXPECT_TRUE(QFile::exists(aside));

    // A store of ours whose table of polls is gone is damaged too.
    store.Close();
    {
        TRawConnection other(Path());
        ASSERT_TRUE(other.Exec(QStringLiteral("DROP TABLE polls")));
    }
    THistoryRecorder recorder(Path());
    THistoryRecord record = GeneratedRecord(1);
    const std::string told = recorder.Record(record);
    EXPECT_NE(told.find("table of polls is missing"), std::string::npos) << told;
    EXPECT_EQ(recorder.Store().Count(THistoryFilter::All()), 1);
}

// A file that goes bad while the store is open is found by the next append:
// it is set aside as at opening, the poll goes into a new file, and the new
// file is set up as the first one was (journal, size limit).
TEST_F(HistoryStoreTest, StoreDamagedWhileOpenIsSetAsideAtTheNextAppend)
{
    THistoryStoreOptions options;
    options.MaxPageCount = 12;
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path(), options));
    Fill(store, 2);
    QByteArray spoilt;
    {
        // Everything into the file itself, then all but its first page spoilt;
        // a write of the first page by another connection makes the store
        // read the file again instead of what it holds in memory.
        TRawConnection other(Path());
        ASSERT_EQ(other.Value(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")), "0");
        const QByteArray bytes = ReadFile(Path());
        const int pageSize = other.Value(QStringLiteral("PRAGMA page_size")).toInt();
        ASSERT_GT(bytes.size(), 2 * pageSize);
        spoilt = QByteArray(bytes.size() - pageSize, 'x');
        WriteFile(Path(), bytes.left(pageSize) + spoilt);
        ASSERT_TRUE(other.Exec(QStringLiteral("PRAGMA user_version = 7")));
    }
    THistoryRecord record = GeneratedRecord(5);
    ASSERT_TRUE(store.Append(record)) << store.LastError();
    const QString aside = store.SetAsidePath();
    ASSERT_TRUE(aside.startsWith(Path() + QStringLiteral(".damaged-"))) << aside.toStdString();
    EXPECT_EQ(store.Notice(), "The history store " + Path().toStdString() +
                                  " was damaged (database disk image is malformed); it was moved to " +
                                  aside.toStdString() + " and a new one started.");
    EXPECT_TRUE(ReadFile(aside).endsWith(spoilt)) << "the damaged file is kept, not rewritten";
    EXPECT_EQ(store.Count(THistoryFilter::All()), 1);
    THistoryRecord read;
    ASSERT_TRUE(store.ReadRecord(record.Id, read));
    EXPECT_EQ(read.Bits, record.Bits);
    {
        TRawConnection raw(Path());
        EXPECT_EQ(raw.Value(QStringLiteral("PRAGMA journal_mode")), "wal");
        EXPECT_EQ(raw.Value(QStringLiteral("PRAGMA application_id")), "1364019249");
        EXPECT_EQ(raw.Value(QStringLiteral("SELECT version FROM schema_version")),
                  QString::number(THistoryStore::CurrentSchemaVersion));
    }

    // The next append reports nothing, and the new file has the old one's limit.
    int written = 1;
    for (int n = 6; n < 100; ++n) {
        THistoryRecord next = GeneratedRecord(n);
        if (!store.Append(next)) {
            EXPECT_EQ(store.LastError(), "the history could not be written: database or disk is full");
            break;
        }
        EXPECT_EQ(store.Notice(), "");
        ++written;
    }
    EXPECT_LT(written, 95);
    EXPECT_EQ(store.Count(THistoryFilter::All()), written);
}

// Every read and write asks the one check first: a store that is not open
// (never opened, refused at opening, closed) says so and touches nothing.
TEST_F(HistoryStoreTest, EveryCallOnAStoreThatIsNotOpenSaysSo)
{
    {
        TRawConnection other(Path(QStringLiteral("foreign.sqlite")));
        ASSERT_TRUE(other.Exec(QStringLiteral("CREATE TABLE contacts (name TEXT)")));
    }
    THistoryStore never, refused, closed;
    EXPECT_FALSE(refused.Open(Path(QStringLiteral("foreign.sqlite"))));
    ASSERT_TRUE(closed.Open(Path()));
    Fill(closed, 2);
    closed.Close();
    for (THistoryStore* store : {&never, &refused, &closed}) {
        EXPECT_FALSE(store->IsOpen());
        EXPECT_EQ(store->Count(THistoryFilter::All()), -1);
        EXPECT_EQ(store->LastError(), "no history store is open");
        std::vector<THistorySummary> page(1);
        EXPECT_FALSE(store->ReadPage(THistoryFilter::All(), nullptr, 10, page));
        EXPECT_TRUE(page.empty());
        THistoryRecord record;
        EXPECT_FALSE(store->ReadRecord(1, record));
        int visits = 0;
        const auto visit = [&](const THistoryRecord&) { ++visits; };
        const auto refusal = [&](std::int64_t, std::int64_t, const std::string&) { ++visits; };
        EXPECT_FALSE(store->ForEachRecord(THistoryFilter::All(), visit, refusal));
        EXPECT_FALSE(store->ForEachRecordOf({1, 2}, visit, refusal));
        EXPECT_EQ(visits, 0);
        std::vector<TTotalBitsPoint> points(1);
        EXPECT_FALSE(store->ReadTotalBits(THistoryFilter::All(), points));
        EXPECT_TRUE(points.empty());
        EXPECT_EQ(store->LastError(), "no history store is open");

        record = GeneratedRecord(9);
        EXPECT_FALSE(store->Append(record));
        EXPECT_EQ(store->LastError(), "the history could not be written: no store is open");
        std::vector<THistoryRecord> records{GeneratedRecord(10)};
        EXPECT_FALSE(store->AppendAll(records));
        EXPECT_EQ(store->LastError(), "the history could not be written: no store is open");
        EXPECT_EQ(records[0].Id, 0);
    }
    // Opened for reading only: reads go on, writes are refused before any transaction.
    THistoryStoreOptions readOnly;
    readOnly.ReadOnly = true;
    THistoryStore reader;
    ASSERT_TRUE(reader.Open(Path(), readOnly));
    std::vector<THistoryRecord> records{GeneratedRecord(10), GeneratedRecord(11)};
    EXPECT_FALSE(reader.AppendAll(records));
    EXPECT_EQ(reader.LastError(),
              "the history could not be written: the store " + Path().toStdString() + " is open read-only");
    EXPECT_EQ(reader.Count(THistoryFilter::All()), 2);
}

TEST_F(HistoryStoreTest, AnotherProgramsDatabaseIsLeftAlone)
{
    {
        TRawConnection other(Path());
        ASSERT_TRUE(other.Exec(QStringLiteral("CREATE TABLE contacts (name TEXT)")));
    }
    const QByteArray before = ReadFile(Path());
    THistoryStore store;
    EXPECT_FALSE(store.Open(Path()));
    EXPECT_NE(store.LastError().find("is not a history store"), std::string::npos) << store.LastError();
    EXPECT_EQ(ReadFile(Path()), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);

    // Nor is a folder or a missing file taken for a store when only reading.
    EXPECT_FALSE(store.Open(dir.path()));
    THistoryStoreOptions readOnly;
    readOnly.ReadOnly = true;
    EXPECT_FALSE(store.Open(Path(QStringLiteral("none.sqlite")), readOnly));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("none.sqlite"))));
}

TEST_F(HistoryStoreTest, HostileRecordsAreRefusedOneByOne)
{
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    Fill(store, 4);  // ids 1..4
    {
        TRawConnection other(Path());
        ASSERT_TRUE(other.Exec(QStringLiteral("UPDATE polls SET tone_values = '1,2,3' WHERE id = 2")));
        // The values as text (as layout 1 kept them, and a moved refused record keeps them), the first spoilt.
        const QString text = QString::fromStdString(EncodeToneValues(GeneratedBits(2)));
        ASSERT_TRUE(other.Exec(QStringLiteral("UPDATE polls SET tone_values = 'x%1' WHERE id = 3").arg(text.mid(1))));
        ASSERT_TRUE(other.Exec(QStringLiteral("UPDATE polls SET last_tone = 9000 WHERE id = 4")));
    }
    THistoryRecord record;
    EXPECT_TRUE(store.ReadRecord(1, record));
    EXPECT_FALSE(store.ReadRecord(2, record));
    EXPECT_EQ(store.LastError(), "poll 2 refused: 3 values where 513 belong");
    EXPECT_FALSE(store.ReadRecord(3, record));
    EXPECT_EQ(store.LastError().rfind("poll 3 refused: value 0 is \"x", 0), 0u) << store.LastError();
    EXPECT_FALSE(store.ReadRecord(4, record));
    EXPECT_EQ(store.LastError(), "poll 4 refused: its range 0 - 9000 is not a range of tones");

    std::vector<std::int64_t> visited, refused;
    ASSERT_TRUE(store.ForEachRecord(
        THistoryFilter::All(), [&](const THistoryRecord& r) { visited.push_back(r.Id); },
        [&](std::int64_t id, std::int64_t, const std::string&) { refused.push_back(id); }));
    EXPECT_EQ(visited, std::vector<std::int64_t>{1});
    EXPECT_EQ(refused, (std::vector<std::int64_t>{2, 3, 4}));

    // The export writes the good polls and names the refused ones.
    THistoryExport result;
    ASSERT_TRUE(ExportHistoryCsv(store, THistoryFilter::All(), Path(QStringLiteral("out.csv")).toStdString(), result));
    EXPECT_EQ(result.Written, 1);
    ASSERT_EQ(result.Refused.size(), 3u);
    EXPECT_EQ(result.Refused[0], "poll 2 refused: 3 values where 513 belong");
}

TEST_F(HistoryStoreTest, ExportMatchesTheStoredValues)
{
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    Fill(store, 12);
    const std::string out = Path(QStringLiteral("polls.csv")).toStdString();

    // The chosen polls, given newest first, come out oldest first.
    THistoryExport result;
    ASSERT_TRUE(ExportHistoryCsv(store, std::vector<std::int64_t>{9, 3, 5, 3}, out, result)) << result.Error;
    EXPECT_EQ(result.Written, 3);
    std::ifstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line + "\n", HistoryCsvHeader());
    for (std::int64_t id : {3, 5, 9}) {
        THistoryRecord stored;
        ASSERT_TRUE(store.ReadRecord(id, stored));
        ASSERT_TRUE(std::getline(in, line));
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');)
            cells.push_back(cell);
        ASSERT_EQ(cells.size(), 3u + 513u);
        EXPECT_EQ(cells[0], FormatUtcIso(stored.TimeUtcMs));
        EXPECT_EQ(cells[1], stored.Host);
        EXPECT_EQ(cells[2], DescribeOutcome(stored.Outcome));
        for (int tone = 0; tone < ToneCount; ++tone)
            ASSERT_EQ(cells[3 + static_cast<std::size_t>(tone)], std::to_string(stored.Bits[tone])) << tone;
    }
    EXPECT_FALSE(std::getline(in, line));

    // A period; and a file that cannot be written is reported, the old one kept.
    ASSERT_TRUE(ExportHistoryCsv(store, THistoryFilter::Since(GeneratedRecord(10).TimeUtcMs), out, result));
    EXPECT_EQ(result.Written, 2);
    std::ifstream again(out);
    const std::string whole((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
    EXPECT_EQ(whole, HistoryCsvHeader() + HistoryCsvRow(GeneratedRecord(10)) + HistoryCsvRow(GeneratedRecord(11)));
    EXPECT_FALSE(
        ExportHistoryCsv(store, THistoryFilter::All(), dir.filePath("no/such/dir/x.csv").toStdString(), result));
    EXPECT_NE(result.Error.find("cannot write"), std::string::npos);
}
