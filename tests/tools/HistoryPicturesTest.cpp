// quillmont-poll --report and --waterfall: the stored polls drawn into a PDF
// and a PNG without polling, and the usage they refuse.

#include "history/HistoryStore.h"
#include "poll/PollCommand.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sstream>

TEST(HistoryPictures, ReportAndWaterfallOfTheStoredPolls)
{
    QTemporaryDir dir;
    const std::string store = dir.filePath(QStringLiteral("history.sqlite")).toStdString();
    {
        THistoryStore history;
        ASSERT_TRUE(history.Open(QString::fromStdString(store)));
        std::vector<THistoryRecord> records;
        for (int n = 0; n < 30; ++n) {
            ToneBits bits{};
            for (int tone = 40; tone < 440; ++tone)
                bits[static_cast<std::size_t>(tone)] = n < 15 ? 8 : 7;
            TPollOutcome captured;
            captured.Captured = true;
            records.push_back(
                MakeHistoryRecord(1714532400000LL + 60000LL * n, "192.168.1.254", captured, 0, 512, bits));
        }
        ASSERT_TRUE(history.AppendAll(records));
    }
    const std::string pdf = dir.filePath(QStringLiteral("report.pdf")).toStdString();
    const std::string png = dir.filePath(QStringLiteral("waterfall.png")).toStdString();
    std::istringstream in;
    std::ostringstream out, err;
    ASSERT_EQ(RunPollCommand({"--history", store, "--report", pdf}, in, out, err, nullptr), PollExitCaptured)
        << err.str();
    QFile report(QString::fromStdString(pdf));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(report.read(5) == "%PDF-");

    ASSERT_EQ(
        RunPollCommand({"--history", store, "--waterfall", png, "--size", "640x480", "--since", "2024-05-01T03:10:00Z"},
                       in, out, err, nullptr),
        PollExitCaptured)
        << err.str();
    const QImage image(QString::fromStdString(png));
    EXPECT_EQ(image.size(), QSize(640, 480));

    // Usage: one reader at a time, and always a store.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--report", pdf},
             {"--history", store, "--report", pdf, "--waterfall", png},
             {"--history", store, "--report", store},
             {"--history", store, "--report", pdf, "192.168.1.1"},
         }) {
        std::ostringstream usage;
        EXPECT_EQ(RunPollCommand(args, in, out, usage, nullptr), PollExitUsage) << args.back();
    }
    // A store that is not there: exit 1, nothing written.
    const std::string absent = dir.filePath(QStringLiteral("absent.pdf")).toStdString();
    EXPECT_EQ(
        RunPollCommand({"--history", dir.filePath(QStringLiteral("none.sqlite")).toStdString(), "--report", absent}, in,
                       out, err, nullptr),
        PollExitFailed);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(absent)));
}
