// The table of polls of layout 1: the SQL texts made from its one column
// list, against the texts the files written so far were made with, and a
// row bound by the mapping read back column by column by name.
#include "history/HistoryRowMapping.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace {

using TRows = THistoryRowMapping;

// A file laid out as a new store lays it out, in memory.
class HistoryRowMappingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const QString& statement : TRows::LayoutStatements())
            ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
    }
    void TearDown() override
    {
        QSqlDatabase::database(Name, false).close();
        QSqlDatabase::removeDatabase(Name);
    }
    static QSqlDatabase Db() { return QSqlDatabase::database(Name, false); }

    static constexpr const char* Name = "row-mapping";
};

}  // namespace

// sqlite_master keeps the CREATE text as given, and files already written
// hold this one; the other texts must name the same columns in the same order.
TEST(HistoryRowMapping, TextsComeFromTheOneColumnList)
{
    const QString create =
        "CREATE TABLE polls ( id INTEGER PRIMARY KEY, time_utc_ms INTEGER NOT NULL, host TEXT NOT NULL,"
        " captured INTEGER NOT NULL, failed_step INTEGER NOT NULL, error_code INTEGER NOT NULL,"
        " error_text TEXT NOT NULL, deadline_exceeded INTEGER NOT NULL, outcome TEXT NOT NULL,"
        " first_tone INTEGER NOT NULL, last_tone INTEGER NOT NULL, total_bits INTEGER NOT NULL,"
        " zero_tones INTEGER NOT NULL, tone_values TEXT NOT NULL)";
    EXPECT_EQ(TRows::CreateTableSql(), create);
    EXPECT_EQ(TRows::LayoutStatements(),
              QStringList({create, QStringLiteral("CREATE INDEX polls_by_time ON polls (time_utc_ms)")}));
    EXPECT_EQ(TRows::InsertSql(),
              "INSERT INTO polls (time_utc_ms, host, captured, failed_step, error_code, error_text, deadline_exceeded,"
              " outcome, first_tone, last_tone, total_bits, zero_tones, tone_values)"
              " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    EXPECT_EQ(TRows::SelectSql(TRows::vwRecord),
              "SELECT id, time_utc_ms, host, captured, failed_step, error_code, error_text, deadline_exceeded,"
              " first_tone, last_tone, CAST(tone_values AS BLOB) FROM polls");
    EXPECT_EQ(TRows::SelectSql(TRows::vwSummary),
              "SELECT id, time_utc_ms, captured, outcome, total_bits, zero_tones FROM polls");
    EXPECT_EQ(TRows::SelectSql(TRows::vwTotalBits), "SELECT id, time_utc_ms, captured, total_bits FROM polls");
    EXPECT_EQ(TRows::SelectSql(TRows::vwKey), "SELECT id, time_utc_ms FROM polls");
}

// Each field lands in its own column (read here by name, not through the
// mapping), the summary columns hold what the record works out to, and
// every view reads the row back as it was written.
TEST_F(HistoryRowMappingTest, BoundRowHoldsEachFieldInItsColumnAndEveryViewReadsItBack)
{
    THistoryRecord record;
    record.TimeUtcMs = 1714532460000LL;
    record.Host = "192.168.1.254:2323";
    record.Outcome.FailedStep = TPollStep::psReceiveReply;
    record.Outcome.ErrorCode = 10060;
    record.Outcome.ErrorText = "timed out";
    record.Outcome.DeadlineExceeded = true;
    record.FirstTone = 32;
    record.LastTone = 255;
    for (int tone = 0; tone < ToneCount; ++tone)
        record.Bits[static_cast<std::size_t>(tone)] = tone % 4;

    QSqlQuery q(Db());
    ASSERT_TRUE(q.prepare(TRows::InsertSql()));
    TRows::BindRecord(q, record);
    ASSERT_TRUE(q.exec());
    const std::int64_t id = q.lastInsertId().toLongLong();
    ASSERT_EQ(id, 1);

    ASSERT_TRUE(q.exec(QStringLiteral(
        "SELECT time_utc_ms, host, captured, failed_step, error_code, error_text, deadline_exceeded, outcome,"
        " first_tone, last_tone, total_bits, zero_tones, substr(tone_values, 1, 12), length(tone_values),"
        " typeof(tone_values) FROM polls")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toLongLong(), 1714532460000LL);
    EXPECT_EQ(q.value(1).toString(), "192.168.1.254:2323");
    EXPECT_EQ(q.value(2).toInt(), 0);
    EXPECT_EQ(q.value(3).toInt(), 9);  // steps are stored by number
    EXPECT_EQ(q.value(4).toInt(), 10060);
    EXPECT_EQ(q.value(5).toString(), "timed out");
    EXPECT_EQ(q.value(6).toInt(), 1);
    EXPECT_EQ(q.value(7).toString(), "receive reply failed: 10060 timed out (the poll ran out of time)");
    EXPECT_EQ(q.value(8).toInt(), 32);
    EXPECT_EQ(q.value(9).toInt(), 255);
    EXPECT_EQ(q.value(10).toLongLong(), 768);  // 128 times 0+1+2+3
    EXPECT_EQ(q.value(11).toInt(), 129);       // tones 0, 4, ..., 512
    EXPECT_EQ(q.value(12).toString(), "0,1,2,3,0,1,");
    EXPECT_EQ(q.value(13).toInt(), 513 * 2 - 1);
    EXPECT_EQ(q.value(14).toString(), "text");

    ASSERT_TRUE(q.exec(TRows::SelectSql(TRows::vwRecord)) && q.next());
    THistoryRecord read;
    std::string reason;
    ASSERT_TRUE(TRows::ReadRecord(q, read, reason)) << reason;
    EXPECT_EQ(read.Id, id);
    EXPECT_EQ(read.TimeUtcMs, record.TimeUtcMs);
    EXPECT_EQ(read.Host, record.Host);
    EXPECT_FALSE(read.Outcome.Captured);
    EXPECT_EQ(read.Outcome.FailedStep, TPollStep::psReceiveReply);
    EXPECT_EQ(read.Outcome.ErrorCode, 10060);
    EXPECT_EQ(read.Outcome.ErrorText, "timed out");
    EXPECT_TRUE(read.Outcome.DeadlineExceeded);
    EXPECT_EQ(read.FirstTone, 32);
    EXPECT_EQ(read.LastTone, 255);
    EXPECT_EQ(read.Bits, record.Bits);
    EXPECT_FALSE(TRows::Value(q, TRows::vwRecord, TRows::coOutcome).isValid()) << "the record view does not read it";

    ASSERT_TRUE(q.exec(TRows::SelectSql(TRows::vwSummary)) && q.next());
    const THistorySummary summary = TRows::ReadSummary(q);
    EXPECT_EQ(summary.Id, id);
    EXPECT_EQ(summary.TimeUtcMs, record.TimeUtcMs);
    EXPECT_FALSE(summary.Captured);
    EXPECT_EQ(summary.OutcomeText, "receive reply failed: 10060 timed out (the poll ran out of time)");
    EXPECT_EQ(summary.TotalBits, 768);
    EXPECT_EQ(summary.ZeroTones, 129);

    ASSERT_TRUE(q.exec(TRows::SelectSql(TRows::vwTotalBits)) && q.next());
    const TTotalBitsPoint point = TRows::ReadTotalBitsPoint(q);
    EXPECT_EQ(point.Id, id);
    EXPECT_EQ(point.TimeUtcMs, record.TimeUtcMs);
    EXPECT_EQ(point.TotalBits, 768);
    EXPECT_FALSE(point.Captured);

    ASSERT_TRUE(q.exec(TRows::SelectSql(TRows::vwKey)) && q.next());
    const THistoryPageKey key = TRows::ReadKey(q);
    EXPECT_EQ(key.Id, id);
    EXPECT_EQ(key.TimeUtcMs, record.TimeUtcMs);
}
