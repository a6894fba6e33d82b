// A year of polls in the history window: every view is computed off the
// window's thread, which is never held up for long while they are.

#include "HistoryTestUtil.h"
#include "HistoryWaiting.h"
#include "common/GeneratedRecord.h"

#include "history/HistoryStore.h"
#include "history/HistoryTime.h"
#include "historywindow/HistoryPlotWorker.h"
#include "historywindow/HistoryWindow.h"
#include "historywindow/TimePlotWidget.h"
#include "historywindow/WaterfallWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int AllPolls = 4;
// A poll every ten minutes for a year.
constexpr int YearPolls = 365 * 144;

// The goal is 50 ms (measured in bench_history_window); the bound leaves room
// for a loaded machine, and still fails when a read of the year (seconds)
// runs on the window's thread. The sanitizers make every step several times
// slower; the window's share of the work is the same.
#if defined(__SANITIZE_ADDRESS__)
constexpr double LongestStallMs = 1000;
#else
constexpr double LongestStallMs = 250;
#endif

}  // namespace

TEST(HistoryWindowYearTest, TheWindowsThreadIsNeverHeldUpWhileTheViewsOfAYearAreComputed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("year.sqlite"));
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(path));
        const std::int64_t start = CurrentUtcMs() - 366LL * 86400000;
        std::vector<THistoryRecord> records;
        records.reserve(YearPolls);
        // The generated line's troubles (no replies, lost tones, resyncs, a
        // flipping tone), a poll every ten minutes, and two days without
        // polls in the middle of the year.
        const TGeneratedLine line;
        for (int n = 0; n < YearPolls; ++n) {
            records.push_back(GeneratedRecord(line, n));
            records.back().TimeUtcMs = start + 600000LL * n + (n > YearPolls / 2 ? 2 * 86400000LL : 0);
        }
        ASSERT_TRUE(store.AppendAll(records)) << store.LastError();
    }

    THistoryWindow window(path);
    bool shown = false;
    QObject::connect(&window, &THistoryWindow::PlotsShown, [&] {
        // Drawn on screen at once, as the user sees them.
        window.TimePlot().repaint();
        window.Waterfall().repaint();
        shown = true;
    });
    // The longest time between two ticks of a 5-ms timer, which ticks only
    // while the window's thread runs its events.
    QElapsedTimer clock;
    double last = 0, longest = 0;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const double now = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    ticks.start(5);
    window.SetPeriod(AllPolls);
    window.show();
    ASSERT_TRUE(WaitFor([&] { return shown && window.PlotWorker().RunningThreads() == 0; }, 120000));
    const double now = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    longest = std::max(longest, now - last);

    EXPECT_EQ(window.Browser().ListedCount(), YearPolls);
    EXPECT_EQ(window.TimePlot().Data().Points.size(), static_cast<std::size_t>(YearPolls));
    EXPECT_EQ(window.Waterfall().Shown().Polls(), YearPolls);
    EXPECT_LE(static_cast<int>(window.Waterfall().Shown().Rows().size()), window.Waterfall().Layout().Plot.height());
    RecordProperty("longest_stall_ms", static_cast<int>(longest));
    EXPECT_LT(longest, LongestStallMs);
}
