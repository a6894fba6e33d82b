// quillmont-poll --history FILE --waterfall OUT.png: the picture of the
// stored polls at the size asked for (1000x700 by default), the period of
// --since and --until, and the usage errors of sizes and mixed options.
#include "HistoryTestUtil.h"

#include "poll/PollArguments.h"
#include "poll/PollCommand.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sstream>

namespace {

class WaterfallCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        history = dir.filePath(QStringLiteral("history.sqlite")).toStdString();
        THistoryStore store;
        ASSERT_TRUE(store.Open(QString::fromStdString(history)));
        std::vector<THistoryRecord> records;
        for (int n = 0; n < 600; ++n)
            records.push_back(GeneratedRecord(n, n % 50 != 7));
        ASSERT_TRUE(store.AppendAll(records)) << store.LastError();
    }

    int Run(const std::vector<std::string>& args)
    {
        std::istringstream in;
        out.str({});
        err.str({});
        return RunPollCommand(args, in, out, err, nullptr);
    }

    std::string Out(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }

    QTemporaryDir dir;
    std::string history;
    std::ostringstream out, err;
};

TEST_F(WaterfallCommandTest, WritesThePictureAtItsSize)
{
    ASSERT_EQ(Run({"--history", history, "--waterfall", Out("a.png")}), PollExitCaptured) << err.str();
    QImage image(QString::fromStdString(Out("a.png")));
    EXPECT_EQ(image.size(), QSize(1000, 700));
    EXPECT_TRUE(out.str().empty());
    ASSERT_EQ(Run({"--history", history, "--waterfall", Out("b.png"), "--size", "640x480", "--since",
                   "2024-05-01T05:00Z", "--until", "2024-05-01T07:00Z"}),
              PollExitCaptured)
        << err.str();
    image = QImage(QString::fromStdString(Out("b.png")));
    EXPECT_EQ(image.size(), QSize(640, 480));
    // The picture holds the scale's colours (the cells were drawn).
    int coloured = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) {
            const QColor c = image.pixelColor(x, y);
            coloured += c.saturation() > 100 ? 1 : 0;
        }
    EXPECT_GT(coloured, 1000);
    // An empty period still draws, saying so.
    ASSERT_EQ(Run({"--history", history, "--waterfall", Out("c.png"), "--since", "2030-01-01"}), PollExitCaptured)
        << err.str();
    EXPECT_FALSE(QImage(QString::fromStdString(Out("c.png"))).isNull());
}

TEST_F(WaterfallCommandTest, BadSizesAndMixedOptionsAreUsageErrors)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--history", history, "--waterfall", Out("x.png"), "--size", "199x700"},
             {"--history", history, "--waterfall", Out("x.png"), "--size", "1000x8193"},
             {"--history", history, "--waterfall", Out("x.png"), "--events"},
             {"--history", history, "--waterfall", Out("x.png"), "--export-csv", Out("y.csv")},
             {"--history", history, "--waterfall", Out("x.png"), "192.168.1.254"},
             {"--history", history, "--waterfall", history},
             {"--waterfall", Out("x.png")},
         }) {
        EXPECT_EQ(Run(args), PollExitUsage) << args.back();
        EXPECT_FALSE(QFile::exists(QString::fromStdString(Out("x.png"))));
    }
    // A store that is not there is not made.
    EXPECT_EQ(Run({"--history", Out("missing/none.sqlite"), "--waterfall", Out("x.png")}), PollExitFailed);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Out("x.png"))));
    EXPECT_NE(PollUsage().find("--waterfall OUT.png"), std::string::npos);
}

}  // namespace
