// The history window's plots read on the worker's thread: what they show
// against worked numbers and against the same read on the window's thread,
// a period changed while a read is under way, and a window closed or
// destroyed in the middle of one.
#include "HistoryTestUtil.h"
#include "HistoryWaiting.h"

#include "chart/BarSeries.h"
#include "history/HistoryTime.h"
#include "history/HistoryValues.h"
#include "historywindow/HistoryPlotWorker.h"
#include "historywindow/HistoryWindow.h"
#include "historywindow/TimePlotWidget.h"
#include "monitor/HistoryDesign.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int LastHour = 0;
constexpr int AllPolls = 4;
static_assert(design::HistoryPeriods[LastHour].Hours == 1 && design::HistoryPeriods[AllPolls].Hours == 0);

class HistoryPlotWorkerTest : public ::testing::Test {
protected:
    QString Path() const { return dir.filePath(QStringLiteral("history.sqlite")); }

    // Polls first..first+count-1 one minute apart, the last one endMinutesAgo
    // before now; every fifth one (n % 5 == 4) failed.
    void Fill(int first, int count, int endMinutesAgo)
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(Path()));
        const std::int64_t now = CurrentUtcMs();
        std::vector<THistoryRecord> records;
        for (int i = 0; i < count; ++i) {
            const int n = first + i;
            records.push_back(GeneratedRecord(n, n % 5 != 4));
            records.back().TimeUtcMs = now - 60000LL * (endMinutesAgo + count - 1 - i);
        }
        ASSERT_TRUE(store.AppendAll(records)) << store.LastError();
    }

    // Counts the window's PlotsShown.
    void Watch(THistoryWindow& window)
    {
        QObject::connect(&window, &THistoryWindow::PlotsShown, &window, [this] { ++plotsShown; });
    }

    static bool Idle(THistoryWindow& window) { return window.PlotWorker().RunningThreads() == 0; }

    // Point i of the total-bits plot as poll n of Fill gives it.
    static void ExpectTotalBitsPoint(const TTimePlotData& totals, int i, int n)
    {
        const bool captured = n % 5 != 4;
        const TTotalBitsPoint& point = totals.Points[static_cast<std::size_t>(i)];
        EXPECT_EQ(point.Captured, captured) << i;
        if (captured) {
            EXPECT_EQ(point.TotalBits, TotalBits(GeneratedBits(n))) << i;
        }
    }

    QTemporaryDir dir;
    int plotsShown = 0;
};

}  // namespace

TEST_F(HistoryPlotWorkerTest, PlotsComeFromTheWorkerAndEqualTheReadOnTheWindowsThread)
{
    Fill(0, 7, 1);  // poll 4 failed
    {
        TRawConnection other(Path());
        ASSERT_TRUE(other.Exec(QStringLiteral("UPDATE polls SET tone_values = '1,x' WHERE id = 3")));  // poll 2
    }
    THistoryWindow window(Path());
    Watch(window);
    // Nothing is read on the window's thread: the plots' place says what is read.
    EXPECT_TRUE(window.ShowsPlotProgress());
    EXPECT_EQ(window.PlotProgressText(), QStringLiteral("Reading 0 of 7 polls..."));
    EXPECT_EQ(window.TimePlot().Data().Points.size(), 0u);

    THeldJob job;
    window.PlotWorker().SetJobHook(job.Hook());
    job.LetGo();
    window.Reload();
    ASSERT_TRUE(WaitFor([&] { return plotsShown == 1 && Idle(window); }));
    EXPECT_NE(job.JobThread(), nullptr);
    EXPECT_NE(job.JobThread(), QThread::currentThread());
    EXPECT_FALSE(window.ShowsPlotProgress());

    // Every poll has its bar, the failed one red; the refused record's total
    // comes from its summary columns.
    const TTimePlotData& totals = window.TimePlot().Data();
    ASSERT_EQ(totals.Points.size(), 7u);
    for (int n = 0; n < 7; ++n)
        ExpectTotalBitsPoint(totals, n, n);
    // Readable captured polls 0, 1, 3, 5, 6: every tone moves at each of the
    // four steps (by one bit, or two across a poll left out).
    TBarSeries& changes = window.ChangeCountSeries();
    ASSERT_EQ(changes.PointCount(), ToneCount);
    for (int tone = 0; tone < ToneCount; ++tone)
        ASSERT_EQ(changes.PointY(tone), 4.0) << tone;
    EXPECT_EQ(window.StatusText(),
              QStringLiteral("7 polls (Last 24 hours); 1 poll with unreadable values left out of the change count"));

    // The same as the read on the window's thread.
    THistoryBrowser here(Path());
    ASSERT_TRUE(here.Reload(CurrentUtcMs()));
    ASSERT_TRUE(here.ComputePlots());
    const THistoryBrowser& there = window.Browser();
    ASSERT_EQ(there.TotalBitsPoints().size(), here.TotalBitsPoints().size());
    for (std::size_t i = 0; i < here.TotalBitsPoints().size(); ++i) {
        const TTotalBitsPoint& a = there.TotalBitsPoints()[i];
        const TTotalBitsPoint& b = here.TotalBitsPoints()[i];
        EXPECT_EQ(std::tie(a.Id, a.TimeUtcMs, a.TotalBits, a.Captured),
                  std::tie(b.Id, b.TimeUtcMs, b.TotalBits, b.Captured));
    }
    EXPECT_EQ(there.ChangeCounts(), here.ChangeCounts());
    EXPECT_EQ(there.RefusedInPlots(), 1);
    EXPECT_EQ(here.RefusedInPlots(), 1);
}

TEST_F(HistoryPlotWorkerTest, AnotherPeriodChosenMidReadCancelsItAndShowsTheNewPeriod)
{
    // 3000 polls ending two hours ago, then polls 3000..3029 ending five
    // minutes ago: the last hour holds those 30 however long the test takes.
    Fill(0, 3000, 120);
    Fill(3000, 30, 5);
    THistoryWindow window(Path());
    Watch(window);
    THeldJob job;
    window.PlotWorker().SetJobHook(job.Hook());
    window.SetPeriod(AllPolls);
    ASSERT_TRUE(job.Reached());
    EXPECT_TRUE(window.ShowsPlotProgress());
    EXPECT_EQ(window.PlotProgressText(), QStringLiteral("Reading 0 of 3,030 polls..."));

    // Chosen while all polls are being read: that read is cancelled (the held
    // job goes on only because it is), and its result never drawn.
    window.SetPeriod(LastHour);
    ASSERT_TRUE(WaitFor([&] { return plotsShown > 0 && Idle(window); }));
    EXPECT_EQ(plotsShown, 1);
    EXPECT_EQ(window.PlotWorker().StartedJobs(), 3u);  // the window's first period, all polls, the last hour
    EXPECT_EQ(window.PlotWorker().CancelledJobs(), 2u);

    const TTimePlotData& totals = window.TimePlot().Data();
    ASSERT_EQ(totals.Points.size(), 30u);
    for (int i = 0; i < 30; ++i)
        ExpectTotalBitsPoint(totals, i, 3000 + i);
    // 24 captured polls, each a change of every tone from the one before.
    for (int tone = 0; tone < ToneCount; ++tone)
        ASSERT_EQ(window.ChangeCountSeries().PointY(tone), 23.0) << tone;
    EXPECT_EQ(window.StatusText(), QStringLiteral("30 polls (Last hour)"));
}

TEST_F(HistoryPlotWorkerTest, ClosingOrDestroyingTheWindowMidReadIsClean)
{
    Fill(0, 200, 1);
    THistoryWindow window(Path());
    Watch(window);
    window.show();
    THeldJob job;
    window.PlotWorker().SetJobHook(job.Hook());
    window.Reload();
    ASSERT_TRUE(job.Reached());

    // Closed: the read stops and nothing is drawn.
    window.close();
    ASSERT_TRUE(WaitFor([&] { return Idle(window); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(plotsShown, 0);
    EXPECT_EQ(window.TimePlot().Data().Points.size(), 0u);

    // Shown again: read anew.
    window.show();
    ASSERT_TRUE(WaitFor([&] { return plotsShown == 1 && Idle(window); }));
    EXPECT_EQ(window.TimePlot().Data().Points.size(), 200u);

    // Destroyed while its read is held: the read is cancelled and its thread
    // joined, and what it had sent to the window's thread goes nowhere.
    THeldJob other;
    auto doomed = std::make_unique<THistoryWindow>(Path());
    doomed->PlotWorker().SetJobHook(other.Hook());
    doomed->SetPeriod(AllPolls);
    ASSERT_TRUE(other.Reached());
    doomed.reset();
    QCoreApplication::processEvents();
}
