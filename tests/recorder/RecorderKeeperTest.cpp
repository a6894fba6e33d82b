// What the recorder does with each finished poll, in process against a real
// store: every poll kept with origin recorder, the log's one line per
// failure run and per event (none per good poll), the metrics hook, and a
// store that cannot be written: one line, the polls waiting in memory, and
// all of them written once it can be again.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "RecorderTestFiles.h"
#include "history/HistoryStore.h"
#include "history/HistoryTime.h"
#include "recorder/RecorderKeeper.h"

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t T0 = 1714532400000LL;  // 2024-05-01 03:00:00 UTC
const std::string Host = "192.168.1.1";

ToneBits LineBits()
{
    ToneBits bits{};
    for (int tone = 30; tone <= 400; ++tone)
        bits[static_cast<std::size_t>(tone)] = 8;
    return bits;
}

THistoryRecord Reading(int minute, const ToneBits& bits = LineBits())
{
    TPollOutcome outcome;
    outcome.Captured = true;
    return MakeHistoryRecord(T0 + minute * 60000LL, Host, outcome, 0, 255, bits);
}

THistoryRecord Failure(int minute)
{
    TPollOutcome outcome;
    outcome.FailedStep = TPollStep::psConnect;
    outcome.ErrorCode = 10061;
    outcome.ErrorText = "Connection refused";
    return MakeHistoryRecord(T0 + minute * 60000LL, Host, outcome, 0, 255, ToneBits{});
}

std::string Local(int minute)
{
    return FormatLocalTime(T0 + minute * 60000LL).toStdString();
}

std::vector<std::string> Lines(const std::ostringstream& log)
{
    std::vector<std::string> lines;
    std::istringstream in(log.str());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class RecorderKeeperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quillmont-keeper-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        path = QString::fromStdString((dir / "history.sqlite").string());
    }
    void TearDown() override { fs::remove_all(dir); }

    // A store option that fails fast where another program holds the store.
    static THistoryStoreOptions Impatient()
    {
        THistoryStoreOptions options;
        options.BusyTimeoutMs = 50;
        return options;
    }

    fs::path dir;
    QString path;
    std::ostringstream log;
};

}  // namespace

TEST_F(RecorderKeeperTest, KeepsEveryPollAndLogsTheFirstFailureOfARunAndEachEventButNoGoodPoll)
{
    TRecorderKeeper keeper(path, log);
    std::vector<std::pair<bool, std::vector<TLineEvent>>> handed;
    keeper.SetOnPollKept([&](const THistoryRecord& record, const std::vector<TLineEvent>& events) {
        EXPECT_EQ(record.Origin, TPollOrigin::poRecorder);
        handed.push_back({record.Outcome.Captured, events});
    });
    ToneBits lost = LineBits();
    for (int tone = 100; tone <= 104; ++tone)
        lost[static_cast<std::size_t>(tone)] = 0;
    const std::vector<THistoryRecord> polls = {Reading(0), Reading(1), Failure(2),      Failure(3),
                                               Failure(4), Reading(5), Reading(6, lost)};
    for (const THistoryRecord& poll : polls)
        keeper.Keep(poll);

    EXPECT_EQ(Lines(log),
              (std::vector<std::string>{
                  "poll of 192.168.1.1 failed: connect failed: 10061 Connection refused; polling on, "
                  "quietly until it answers",
                  "no-reply " + Local(2) + " to " + Local(4) + " (3 polls): connect failed: 10061 Connection refused",
                  "tones-lost " + Local(5) + " to " + Local(6) + " (2 polls), tones 100-104: 5 tones, 40 bits",
              }));
    ASSERT_EQ(handed.size(), polls.size());
    for (std::size_t i = 0; i < polls.size(); ++i) {
        EXPECT_EQ(handed[i].first, polls[i].Outcome.Captured) << i;
        EXPECT_EQ(handed[i].second.size(), i >= 5 ? 1u : 0u) << i;
    }
    EXPECT_EQ(handed[5].second[0].Kind, TLineEventKind::lekNoReply);
    EXPECT_EQ(handed[6].second[0].Kind, TLineEventKind::lekTonesLost);

    const std::vector<THistoryRecord> stored = StoredPolls(path.toStdString());
    ASSERT_EQ(stored.size(), polls.size());
    for (std::size_t i = 0; i < polls.size(); ++i) {
        EXPECT_EQ(stored[i].TimeUtcMs, polls[i].TimeUtcMs) << i;
        if (StoreKeepsOrigin()) {
            EXPECT_EQ(stored[i].Origin, TPollOrigin::poRecorder) << i;
        }
        EXPECT_EQ(stored[i].Outcome.Captured, polls[i].Outcome.Captured) << i;
        EXPECT_EQ(stored[i].Bits, polls[i].Bits) << i;
    }
    EXPECT_EQ(keeper.PollsKept(), 7);
    EXPECT_EQ(keeper.PollsWaiting(), 0u);
}

// The session's polls: kept now, with the whole table's range whatever range
// the session had selected.
TEST_F(RecorderKeeperTest, APollOfTheSessionIsKeptNowWithTheWholeTable)
{
    TRecorderKeeper keeper(path, log);
    TPollOutcome outcome;
    outcome.Captured = true;
    const std::int64_t before = CurrentUtcMs();
    EXPECT_EQ(keeper.KeepPoll(outcome, Host, LineBits(), tones::RangeLow), "");
    const std::vector<THistoryRecord> stored = StoredPolls(path.toStdString());
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_GE(stored[0].TimeUtcMs, before);
    EXPECT_LE(stored[0].TimeUtcMs, CurrentUtcMs());
    EXPECT_EQ(stored[0].FirstTone, 0);
    EXPECT_EQ(stored[0].LastTone, 512);
    if (StoreKeepsOrigin()) {
        EXPECT_EQ(stored[0].Origin, TPollOrigin::poRecorder);
    }
    EXPECT_EQ(stored[0].Host, Host);
    EXPECT_EQ(log.str(), "");
}

TEST_F(RecorderKeeperTest, ALockedStoreCostsOneLineAndThePollsWaitingAreWrittenOnceItIsFree)
{
    TRecorderKeeper keeper(path, log, Impatient());
    keeper.Keep(Reading(0));
    ASSERT_EQ(StoredPolls(path.toStdString()).size(), 1u);
    {
        QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        locker.setDatabaseName(path);
        ASSERT_TRUE(locker.open());
        QSqlQuery lock(locker);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN EXCLUSIVE"))) << lock.lastError().text().toStdString();

        keeper.Keep(Reading(1));
        keeper.Keep(Failure(2));
        keeper.Keep(Reading(3));
        EXPECT_EQ(keeper.PollsWaiting(), 3u);
        // The store's trouble once; the line's own lines go on meanwhile.
        const std::vector<std::string> lines = Lines(log);
        ASSERT_EQ(lines.size(), 3u) << log.str();
        EXPECT_EQ(lines[0], "History not written: database is locked; the polls wait in memory (up to 1440) and "
                            "the store is tried again at each poll");
        EXPECT_EQ(lines[1].substr(0, 26), "poll of 192.168.1.1 failed");
        EXPECT_EQ(lines[2].substr(0, 9), "no-reply ");
        ASSERT_TRUE(lock.exec(QStringLiteral("COMMIT")));
        locker.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));

    keeper.Keep(Reading(4));
    EXPECT_EQ(keeper.PollsWaiting(), 0u);
    EXPECT_EQ(Lines(log).back(), "the history is written again: 4 polls, those that waited among them, written now");
    const std::vector<THistoryRecord> stored = StoredPolls(path.toStdString());
    ASSERT_EQ(stored.size(), 5u);
    EXPECT_EQ(stored[2].TimeUtcMs, T0 + 2 * 60000LL);
    EXPECT_FALSE(stored[2].Outcome.Captured);
    EXPECT_EQ(stored[4].TimeUtcMs, T0 + 4 * 60000LL);
    EXPECT_EQ(keeper.PollsKept(), 5);
}

// A store that cannot be used at all (a folder stands in its place): the
// polls wait up to the limit, the oldest are given up beyond it (said once),
// and what waits is written when the store can be made after all; what
// still waits at the end is said to be lost.
TEST_F(RecorderKeeperTest, BeyondTheLimitTheOldestWaitingPollsAreGivenUp)
{
    fs::create_directory(path.toStdString());
    TRecorderKeeper keeper(path, log, Impatient(), 2);
    for (int minute = 0; minute < 4; ++minute)
        keeper.Keep(Reading(minute));
    EXPECT_EQ(keeper.PollsWaiting(), 2u);
    EXPECT_EQ(keeper.PollsDropped(), 2);
    std::vector<std::string> lines = Lines(log);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 21), "History not written: ");
    EXPECT_EQ(lines[1],
              "too many polls wait for the store: the oldest are given up from now on, one for each new poll");

    fs::remove(path.toStdString());
    keeper.Keep(Reading(4));
    const std::vector<THistoryRecord> stored = StoredPolls(path.toStdString());
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].TimeUtcMs, T0 + 3 * 60000LL);
    EXPECT_EQ(stored[1].TimeUtcMs, T0 + 4 * 60000LL);
    EXPECT_EQ(keeper.PollsDropped(), 3);

    fs::remove(path.toStdString());
    fs::remove(path.toStdString() + "-wal");
    fs::remove(path.toStdString() + "-shm");
    fs::create_directory(path.toStdString());
    TRecorderKeeper unlucky(path, log, Impatient());
    unlucky.Keep(Reading(5));
    unlucky.Keep(Reading(6));
    unlucky.Finish();
    EXPECT_EQ(Lines(log).back(), "2 polls could not be written before the end: they are lost");
}
