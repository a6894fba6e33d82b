// The evidence report of a small generated line, read back with poppler:
// the figures against a hand count, every event with its times and tones,
// the zone named; written whole or not at all.

#include "AsOrdinaryUser.h"
#include "HistoryTestUtil.h"

#include "history/HistoryStore.h"
#include "report/HistoryReport.h"
#include "report/ReportFigures.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// 2024-05-01 03:00:00 UTC.
constexpr std::int64_t Start = 1714532400000LL;

ToneBits Line(int bits)
{
    ToneBits line{};
    for (int tone = 40; tone < 440; ++tone)
        line[static_cast<std::size_t>(tone)] = bits;
    return line;
}

class HistoryReportTest : public ::testing::Test {
protected:
    // 60 polls a minute apart: 10..12 failed (no reply), 20..29 with tones
    // 100..109 at 0 (lost 80 bits, then regained), 35..37 with every tone at
    // 0 (line down), and two hours without polls between 44 and 45.
    void SetUp() override
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(Path()));
        std::vector<THistoryRecord> records;
        for (int n = 0; n < 60; ++n) {
            const bool failed = n >= 10 && n <= 12;
            records.push_back(GeneratedRecord(n, !failed));
            records.back().Host = "192.168.1.254";
            ToneBits bits = Line(8);
            if (n >= 20 && n <= 29)
                for (int tone = 100; tone <= 109; ++tone)
                    bits[static_cast<std::size_t>(tone)] = 0;
            if (n >= 35 && n <= 37)
                bits = ToneBits{};
            if (!failed)
                records.back().Bits = bits;
            records.back().TimeUtcMs = Start + 60000LL * n + (n >= 45 ? 7200000LL : 0);
        }
        ASSERT_TRUE(store.AppendAll(records)) << store.LastError();
        for (const THistoryRecord& r : records)
            times.push_back(r.TimeUtcMs);
    }

    QString Path() const { return dir.filePath(QStringLiteral("history.sqlite")); }

    static THistoryReportOptions Options()
    {
        THistoryReportOptions options;
        options.Zone = QTimeZone::utc();
        options.NowUtcMs = [] { return Start + 86400000LL; };
        return options;
    }

    static QString Tool(const QString& program, const QStringList& args)
    {
        QProcess process;
        process.start(program, args);
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    QString At(int n) const
    {
        return QDateTime::fromMSecsSinceEpoch(times[static_cast<std::size_t>(n)], QTimeZone::utc())
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }

    QTemporaryDir dir;
    std::vector<std::int64_t> times;
};

}  // namespace

TEST_F(HistoryReportTest, FiguresAgreeWithAHandCount)
{
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    THistoryPlotData data;
    std::string error;
    ASSERT_TRUE(ReadHistoryPlotData(store, THistoryFilter::All(), data, error)) << error;
    const TReportFigures f = ComputeReportFigures(data, times.front(), times.back());
    EXPECT_EQ(f.Polls, 60);
    EXPECT_EQ(f.Readings, 57);
    EXPECT_EQ(f.FailedPolls, 3);
    // The gap runs from poll 44 to poll 45: two hours and a minute.
    EXPECT_EQ(f.NoPollsMs, 7260000);
    EXPECT_EQ(DurationText(f.NoPollsMs), "2 h 1 min");
    // The line was down from poll 35 to poll 37.
    EXPECT_EQ(f.LineDownMs, 120000);
    // The largest loss: into the line-down, all 3,200 bits, from poll 34 to 35.
    ASSERT_TRUE(f.HasLoss);
    EXPECT_EQ(f.LossBits, 3200);
    EXPECT_EQ(f.LossBeforeUtcMs, times[34]);
    EXPECT_EQ(f.LossAfterUtcMs, times[35]);
    EXPECT_EQ(f.LatestReadingUtcMs, times[59]);
    EXPECT_EQ(DurationText(0), "0 s");
    EXPECT_EQ(DurationText(2 * 86400000LL + 4 * 3600000LL + 5000), "2 days 4 h");
}

TEST_F(HistoryReportTest, ThePdfHoldsEveryFigureAndEveryEvent)
{
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    QString error;
    ASSERT_TRUE(WriteHistoryReport(store, THistoryFilter::All(), pdf, Options(), error)) << error.toStdString();

    const QString info = Tool(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QStringLiteral("Title:           Line report"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("(A4)"))) << info.toStdString();
    const QString text = Tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    for (const QString& expected : {
             QStringLiteral("Host: 192.168.1.254"),
             QStringLiteral("Period: from %1 to %2").arg(At(0), At(59)),
             QStringLiteral("Times in UTC"),
             QStringLiteral("Polls: 60"),
             QStringLiteral("Readings: 57"),
             QStringLiteral("Failed polls: 3"),
             QStringLiteral("Time without polls: 2 h 1 min"),
             QStringLiteral("Line-down time: 2 min"),
             QStringLiteral("Largest loss: 3,200 bits (3,200 to 0) between %1 and %2").arg(At(34), At(35)),
             QStringLiteral("Latest reading: %1, 3,200 bits").arg(At(59)),
             QStringLiteral("Before the largest loss: %1, 3,200 bits").arg(At(34)),
         })
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.toStdString();
    // Every event: no-reply 10..12, tones-lost 19..20 and regained 29..30 on
    // 100-109, line-down 35..37, the resync after it 37..38, the gap 44..45.
    const auto row = [&](int first, int last, const QString& kind) {
        return QRegularExpression(QRegularExpression::escape(At(first)) + QStringLiteral("\\s+") +
                                  QRegularExpression::escape(At(last)) + QStringLiteral("\\s+") + kind);
    };
    EXPECT_TRUE(text.contains(row(10, 12, QStringLiteral("no-reply")))) << text.toStdString();
    EXPECT_TRUE(text.contains(row(19, 20, QStringLiteral("tones-lost\\s+100-109"))));
    EXPECT_TRUE(text.contains(row(29, 30, QStringLiteral("tones-regained\\s+100-109"))));
    EXPECT_TRUE(text.contains(row(35, 37, QStringLiteral("line-down"))));
    EXPECT_TRUE(text.contains(row(37, 38, QStringLiteral("resync"))));
    EXPECT_TRUE(text.contains(row(44, 45, QStringLiteral("gap"))));
}

TEST_F(HistoryReportTest, ManyEventsTakeAsManyPagesAsTheyNeed)
{
    // 400 polls alternating between two lines: a resync at every one.
    const QString many = dir.filePath(QStringLiteral("many.sqlite"));
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(many));
        std::vector<THistoryRecord> records;
        for (int n = 0; n < 400; ++n) {
            records.push_back(GeneratedRecord(n));
            records.back().Bits = Line(n % 2 == 0 ? 8 : 5);
            records.back().TimeUtcMs = Start + 60000LL * n;
        }
        ASSERT_TRUE(store.AppendAll(records));
    }
    THistoryStore store;
    ASSERT_TRUE(store.Open(many));
    const QString pdf = dir.filePath(QStringLiteral("many.pdf"));
    QString error;
    ASSERT_TRUE(WriteHistoryReport(store, THistoryFilter::All(), pdf, Options(), error)) << error.toStdString();
    const QString text = Tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_EQ(text.count(QStringLiteral("resync")), 399);
    const QString info = Tool(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+([5-9]|1[0-9])\\n")))) << info.toStdString();
}

TEST_F(HistoryReportTest, WrittenWholeOrNotAtAll)
{
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    QString error;
    // A folder that does not exist: an error, and no file.
    const QString missing = dir.filePath(QStringLiteral("no-such-folder/report.pdf"));
    EXPECT_FALSE(WriteHistoryReport(store, THistoryFilter::All(), missing, Options(), error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(missing));

    // An existing file its owner may only read is refused and left as it was.
    const QString kept = dir.filePath(QStringLiteral("kept.pdf"));
    {
        QFile file(kept);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the report of last week");
    }
    ASSERT_EQ(::chmod(kept.toLocal8Bit().constData(), 0444), 0);
    TAsOrdinaryUser::GiveToUser(dir.path().toStdString());
    TAsOrdinaryUser::GiveToUser(kept.toStdString());
    {
        TAsOrdinaryUser user;
        error.clear();
        EXPECT_FALSE(WriteHistoryReport(store, THistoryFilter::All(), kept, Options(), error));
        EXPECT_TRUE(error.contains(QStringLiteral("Permission denied"))) << error.toStdString();
    }
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("the report of last week"));
}
