// The history window on the offscreen platform: paging over 50,000 polls,
// choosing a poll, the two plots, the line events and the export of chosen rows.
#include "HistoryTestUtil.h"
#include "HistoryWaiting.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "chart/CustomChart.h"
#include "history/HistoryCsv.h"
#include "history/HistoryTime.h"
#include "history/HistoryValues.h"
#include "historywindow/HistoryWindow.h"
#include "historywindow/TimePlotWidget.h"
#include "historywindow/ToneComparisonWidget.h"
#include "historywindow/WaterfallWidget.h"
#include "monitor/HistoryDesign.h"
#include "monitor/MonitorChart.h"
#include "story/HistoryPlots.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

constexpr int AllPolls = 4;
static_assert(design::HistoryPeriods[AllPolls].Hours == 0);

class HistoryWindowTest : public ::testing::Test {
protected:
    QString Path() const { return dir.filePath(QStringLiteral("history.sqlite")); }

    // Polls 0..count-1 one minute apart, the last half a minute before now;
    // every fifth one failed.
    void Fill(int count)
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(Path()));
        const std::int64_t now = CurrentUtcMs();
        filledAtMs = now;
        std::vector<THistoryRecord> records;
        for (int n = 0; n < count; ++n) {
            records.push_back(GeneratedRecord(n, n % 5 != 4));
            records.back().TimeUtcMs = now - 60000LL * (count - n) + 30000;
        }
        ASSERT_TRUE(store.AppendAll(records)) << store.LastError();
    }

    static void Select(THistoryWindow& window, int row, QItemSelectionModel::SelectionFlags how)
    {
        QTableView& list = window.List();
        list.selectionModel()->setCurrentIndex(list.model()->index(row, 0), how | QItemSelectionModel::Rows);
    }

    QTemporaryDir dir;
    // When Fill ran: periods counted back from then hold the same polls
    // however long the test has taken since.
    std::int64_t filledAtMs = 0;
};

}  // namespace

TEST_F(HistoryWindowTest, PagesOverFiftyThousandPollsWithoutLoadingThemAll)
{
    Fill(50000);
    THistoryWindow window(Path());
    window.SetPeriod(AllPolls);
    window.show();
    QApplication::processEvents();

    THistoryBrowser& browser = window.Browser();
    THistoryListModel& model = browser.Model();
    EXPECT_EQ(browser.ListedCount(), 50000);
    EXPECT_EQ(window.StatusText(), QStringLiteral("50000 polls (All polls)"));
    EXPECT_EQ(model.FetchedRows(), design::HistoryPageSize);
    EXPECT_TRUE(model.canFetchMore(QModelIndex()));

    // Scrolling to the end of the list reads the next page, and only that.
    for (int page = 2; page <= 4; ++page) {
        window.List().verticalScrollBar()->setValue(window.List().verticalScrollBar()->maximum());
        QApplication::processEvents();
        EXPECT_EQ(model.FetchedRows(), page * design::HistoryPageSize);
    }
    EXPECT_EQ(model.PagesRead(), 4);
    // Newest first, with no poll twice and none skipped across the pages.
    for (int row = 1; row < model.FetchedRows(); ++row)
        ASSERT_EQ(model.SummaryAt(row).Id, model.SummaryAt(row - 1).Id - 1) << row;
    EXPECT_EQ(model.SummaryAt(0).Id, 50000);
    EXPECT_EQ(model.data(model.index(0, THistoryListModel::hcOutcome)).toString(),
              QStringLiteral("connect failed: 10061 Connection refused"));
    EXPECT_EQ(model.data(model.index(1, THistoryListModel::hcTotalBits)).toString().toLongLong(),
              TotalBits(GeneratedBits(49998)));

    // The default period lists the last 24 hours: 1440 polls, a minute apart.
    browser.SetPeriod(design::HistoryDefaultPeriod, filledAtMs);
    EXPECT_EQ(browser.ListedCount(), 24 * 60);
    EXPECT_EQ(model.FetchedRows(), design::HistoryPageSize);
}

TEST_F(HistoryWindowTest, ChoosingAPollDeliversItsBars)
{
    Fill(6);
    {
        TRawConnection other(Path());
        ASSERT_TRUE(other.Exec(QStringLiteral("UPDATE polls SET tone_values = '1,x' WHERE id = 3")));
    }
    THistoryWindow window(Path());
    std::vector<THistoryRecord> chosen;
    window.SetOnPollChosen([&](const THistoryRecord& record) { chosen.push_back(record); });
    window.show();
    QApplication::processEvents();

    Select(window, 1, QItemSelectionModel::ClearAndSelect);  // the second newest: the failed poll 4
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].Id, 5);
    EXPECT_FALSE(chosen[0].Outcome.Captured);
    EXPECT_EQ(chosen[0].Bits, ToneBits{});
    EXPECT_EQ(chosen[0].FirstTone, 0);
    EXPECT_EQ(chosen[0].LastTone, 255);
    EXPECT_TRUE(window.StatusText().startsWith(QStringLiteral("Poll of ")));

    // The main window draws the record as it draws a poll: its bars over its range.
    Select(window, 2, QItemSelectionModel::ClearAndSelect);
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[1].Id, 4);
    EXPECT_EQ(chosen[1].Bits, GeneratedBits(3));
    TCustomChart chart;
    TBarSeries& series = ConfigureMonitorChart(chart);
    PlotToneTable(chart, series, chosen[1].Bits, design::ToneRange{chosen[1].FirstTone, chosen[1].LastTone});
    ASSERT_EQ(series.PointCount(), 256);
    for (int tone = 0; tone < 256; ++tone)
        ASSERT_EQ(series.PointY(tone), GeneratedBits(3)[tone]) << tone;

    // A record with hostile values is refused and nothing is handed on.
    Select(window, 3, QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(chosen.size(), 2u);
    EXPECT_EQ(window.StatusText(), QStringLiteral("poll 3 refused: 2 values where 513 belong"));
}

TEST_F(HistoryWindowTest, PlotsShowEveryListedPollAndTheChangesPerTone)
{
    Fill(7);  // poll 4 failed
    THistoryWindow window(Path());
    window.RefreshPlots();

    // Every poll on the time plot, oldest first, the failed one marked so.
    const TTimePlotData& totals = window.TimePlot().Data();
    ASSERT_EQ(totals.Points.size(), 7u);
    for (int n = 0; n < 7; ++n) {
        EXPECT_EQ(totals.Points[static_cast<std::size_t>(n)].Captured, n != 4) << n;
        if (n != 4) {
            EXPECT_EQ(totals.Points[static_cast<std::size_t>(n)].TotalBits, TotalBits(GeneratedBits(n))) << n;
        }
    }

    // Captured polls 0,1,2,3,5,6: every tone moves by one bit between
    // neighbours (15 wraps to 0), and from 3 to 5 by two, so each tone
    // changes at all five steps.
    TBarSeries& changes = window.ChangeCountSeries();
    ASSERT_EQ(changes.PointCount(), ToneCount);
    for (int tone = 0; tone < ToneCount; ++tone)
        ASSERT_EQ(changes.PointY(tone), 5.0) << tone;
    EXPECT_EQ(changes.PointColor(31), design::ColorGreen);
    EXPECT_EQ(changes.PointColor(32), design::ColorBlue);

    // Drawn: the picture holds the blue line.
    window.TimePlot().resize(600, 200);
    const QImage picture = window.TimePlot().grab().toImage();
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            colours.insert(picture.pixel(x, y) | 0xFF000000u);
    EXPECT_TRUE(colours.count(qRgb(0, 0, 255)));
}

TEST_F(HistoryWindowTest, ExportWritesTheChosenPollsOrTheWholePeriod)
{
    Fill(5);
    THistoryWindow window(Path());
    window.show();
    QApplication::processEvents();
    Select(window, 0, QItemSelectionModel::ClearAndSelect);
    Select(window, 3, QItemSelectionModel::Select);
    const QString out = dir.filePath(QStringLiteral("chosen.csv"));
    ASSERT_TRUE(window.ExportTo(out)) << window.StatusText().toStdString();
    EXPECT_EQ(window.StatusText(), QStringLiteral("Exported 2 polls to ") + out);

    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    THistoryRecord oldest, newest;
    ASSERT_TRUE(store.ReadRecord(2, oldest));
    ASSERT_TRUE(store.ReadRecord(5, newest));
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), HistoryCsvHeader() + HistoryCsvRow(oldest) + HistoryCsvRow(newest));

    window.List().clearSelection();
    ASSERT_TRUE(window.ExportTo(out));
    EXPECT_EQ(window.StatusText(), QStringLiteral("Exported 5 polls to ") + out);
}

TEST_F(HistoryWindowTest, NoStoreYetIsSaidAndNothingIsCreated)
{
    THistoryWindow window(Path());
    EXPECT_EQ(window.StatusText(), QStringLiteral("no history yet: ") + Path() + QStringLiteral(" does not exist"));
    EXPECT_EQ(window.Browser().Model().rowCount(), 0);
    EXPECT_FALSE(QFile::exists(Path()));
    Fill(2);
    window.Reload();
    EXPECT_EQ(window.Browser().Model().rowCount(), 2);

    // New polls show up as they are kept, until the user chooses one.
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    THistoryRecord next = GeneratedRecord(9);
    next.TimeUtcMs = CurrentUtcMs();
    ASSERT_TRUE(store.Append(next));
    window.PollRecorded();
    EXPECT_EQ(window.Browser().Model().rowCount(), 3);
    window.List().selectionModel()->setCurrentIndex(window.List().model()->index(1, 0),
                                                    QItemSelectionModel::ClearAndSelect);
    ASSERT_TRUE(store.Append(next));
    window.PollRecorded();
    EXPECT_EQ(window.Browser().Model().rowCount(), 3);
    window.Reload();
    EXPECT_EQ(window.Browser().Model().rowCount(), 4);
}

TEST_F(HistoryWindowTest, TheLastColumnSaysWhoMadeEachPoll)
{
    const std::vector<TPollOrigin> origins{TPollOrigin::poUnknown, TPollOrigin::poWindow, TPollOrigin::poRecorder,
                                           TPollOrigin::poPollCommand};
    {
        THistoryStore store;
        ASSERT_TRUE(store.Open(Path()));
        std::vector<THistoryRecord> records;
        for (std::size_t n = 0; n < origins.size(); ++n) {
            records.push_back(GeneratedRecord(static_cast<int>(n)));
            records.back().TimeUtcMs = CurrentUtcMs() - 60000LL * static_cast<std::int64_t>(origins.size() - n);
            records.back().Origin = origins[n];
        }
        ASSERT_TRUE(store.AppendAll(records));
    }
    THistoryWindow window(Path());
    THistoryListModel& model = window.Browser().Model();

    // The columns as they were, then "By".
    ASSERT_EQ(model.columnCount(), 5);
    std::vector<QString> titles;
    for (int c = 0; c < model.columnCount(); ++c)
        titles.push_back(model.headerData(c, Qt::Horizontal).toString());
    EXPECT_EQ(titles, (std::vector<QString>{"Time", "Outcome", "Total bits", "Tones with 0 bits", "By"}));
    EXPECT_EQ(window.List().horizontalHeader()->sectionSize(THistoryListModel::hcZeroTones),
              design::HistoryColumnWidths[THistoryListModel::hcZeroTones]);

    // Newest first: the poll command's, the recorder's, the window's, and
    // one kept before the store said who made a poll, shown empty.
    ASSERT_EQ(model.rowCount(), 4);
    const auto by = [&](int row) { return model.data(model.index(row, THistoryListModel::hcBy)).toString(); };
    EXPECT_EQ(by(3), QString());
    if (model.SummaryAt(0).Origin == TPollOrigin::poUnknown)
        GTEST_SKIP() << "this store does not keep who made a poll";
    EXPECT_EQ(by(0), QStringLiteral("poll command"));
    EXPECT_EQ(by(1), QStringLiteral("recorder"));
    EXPECT_EQ(by(2), QStringLiteral("window"));
}

namespace {

// Tones 32..479 at `bits` bits, the rest at 0: 448 tones loaded.
ToneBits LoadedBits(int bits)
{
    ToneBits table{};
    for (int tone = 32; tone < 480; ++tone)
        table[static_cast<std::size_t>(tone)] = bits;
    return table;
}

// The texts of the event list's rows, top to bottom.
std::vector<QStringList> EventRows(QTreeWidget& list)
{
    std::vector<QStringList> rows;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < list.columnCount(); ++c)
            cells << list.topLevelItem(row)->text(c);
        rows.push_back(cells);
    }
    return rows;
}

}  // namespace

TEST_F(HistoryWindowTest, ListsTheLineEventsOfThePeriodNewestFirst)
{
    // 39 polls a minute apart, the last half a minute ago, but for an hour
    // without polls between polls 29 and 30: 0..9 at 8 bits, 10..12 failed
    // (no reply), 13..19 at 8 bits again (the same line: no event), 20..24
    // at 6 bits (a resync: all 448 tones changed), from 25 on tones 100..104
    // at 0 (lost, 30 bits).
    std::vector<std::int64_t> times;
    {
        const std::int64_t now = CurrentUtcMs();
        const std::int64_t first = now - 30000 - 38 * 60000LL - 3600000LL + 60000LL;
        THistoryStore store;
        ASSERT_TRUE(store.Open(Path()));
        std::vector<THistoryRecord> records;
        for (int n = 0; n < 39; ++n) {
            const bool failed = n >= 10 && n <= 12;
            ToneBits bits = LoadedBits(n < 20 ? 8 : 6);
            if (n >= 25)
                for (int tone = 100; tone <= 104; ++tone)
                    bits[static_cast<std::size_t>(tone)] = 0;
            records.push_back(GeneratedRecord(n, !failed));
            if (!failed)
                records.back().Bits = bits;
            records.back().TimeUtcMs = first + 60000LL * n + (n >= 30 ? 3600000LL - 60000LL : 0);
            times.push_back(records.back().TimeUtcMs);
        }
        ASSERT_EQ(times.back(), now - 30000);
        ASSERT_TRUE(store.AppendAll(records)) << store.LastError();
    }

    // Read by the worker with the plots (the default period: the last 24 hours).
    THistoryWindow window(Path());
    int shown = 0;
    QObject::connect(&window, &THistoryWindow::PlotsShown, [&] { ++shown; });
    window.show();
    ASSERT_TRUE(WaitFor([&] { return shown == 1; }));
    QTreeWidget& list = window.EventList();
    QStringList titles;
    for (int c = 0; c < list.columnCount(); ++c)
        titles << list.headerItem()->text(c);
    EXPECT_EQ(titles, (QStringList{"Start", "End", "Event", "Tones", "Polls", "Detail"}));
    const auto at = [&](int n) { return FormatLocalTime(times[static_cast<std::size_t>(n)]); };
    const std::vector<QStringList> expected{
        {at(29), at(30), "gap", "", "2", "3600 s without a poll (usual interval 60 s)"},
        {at(24), at(25), "tones-lost", "100-104", "2", "5 tones, 30 bits"},
        {at(19), at(20), "resync", "", "2", "448 tones changed (of 448 loaded)"},
        {at(10), at(12), "no-reply", "", "3", "connect failed: 10061 Connection refused"},
    };
    EXPECT_EQ(EventRows(list), expected);

    // Choosing the tones-lost event marks it on the time plot (oldest first
    // it is the third) and compares the readings either side of it.
    list.setCurrentItem(list.topLevelItem(1));
    EXPECT_EQ(window.TimePlot().HighlightedEvent(), 2);
    ASSERT_TRUE(window.Comparison().Comparison().has_value());
    EXPECT_EQ(window.Views().currentWidget(), &window.Comparison());
    {
        const TToneComparisonData& shownPair = *window.Comparison().Comparison();
        EXPECT_EQ(shownPair.BeforeUtcMs, times[24]);
        EXPECT_EQ(shownPair.AfterUtcMs, times[25]);
        EXPECT_EQ(shownPair.Comparison.BitsLost, 30);
        EXPECT_EQ(shownPair.Comparison.TonesLost, 5);
        EXPECT_EQ(shownPair.Comparison.BitsGained, 0);
    }
    // The no-reply run: the readings on either side are polls 9 and 13.
    list.setCurrentItem(list.topLevelItem(3));
    EXPECT_EQ(window.Comparison().Comparison()->BeforeUtcMs, times[9]);
    EXPECT_EQ(window.Comparison().Comparison()->AfterUtcMs, times[13]);

    // The last hour holds polls 30..38 alone, the same line all along; the
    // events of the period before are gone as soon as it is chosen.
    window.SetPeriod(0);
    EXPECT_EQ(list.topLevelItemCount(), 0);
    ASSERT_TRUE(WaitFor([&] { return shown == 2; }));
    EXPECT_EQ(window.Browser().ListedCount(), 9);
    EXPECT_EQ(EventRows(list), (std::vector<QStringList>{{"No line events in this period", "", "", "", "", ""}}));
    EXPECT_FALSE(list.topLevelItem(0)->flags() & Qt::ItemIsSelectable);

    window.SetPeriod(AllPolls);
    ASSERT_TRUE(WaitFor([&] { return shown == 3; }));
    EXPECT_EQ(EventRows(list), expected);
}

TEST_F(HistoryWindowTest, AtItsDefaultSizeThePollColumnsFitAndEveryPartShows)
{
    Fill(100);
    THistoryWindow window(Path());
    window.show();
    QApplication::processEvents();
    ASSERT_EQ(window.size(), QSize(design::HistoryClientWidth, design::HistoryClientHeight));

    // Every column of the polls within the list, its scroll bar shown: no sideways scrolling.
    QTableView& polls = window.List();
    ASSERT_TRUE(polls.verticalScrollBar()->isVisible());
    int columns = 0;
    for (int c = 0; c < THistoryListModel::hcBy; ++c)
        columns += polls.horizontalHeader()->sectionSize(c);
    EXPECT_LE(columns + polls.fontMetrics().horizontalAdvance(QStringLiteral("poll command")),
              polls.viewport()->width());
    EXPECT_FALSE(polls.horizontalScrollBar()->isVisible());
    // Seven polls, three events and both plots at their height.
    const int row = polls.verticalHeader()->defaultSectionSize();
    EXPECT_GE(polls.viewport()->height(), 7 * row);
    EXPECT_GE(window.EventList().viewport()->height(), 3 * row);
    EXPECT_GE(window.TimePlot().height(), design::HistoryPlotHeight);
    EXPECT_GE(window.Waterfall().height(), design::HistoryPlotHeight);
}

TEST_F(HistoryWindowTest, TheViewsFollowARangeChosenByZoomingAndTheyChoosePolls)
{
    Fill(120);  // two hours, a poll a minute
    THistoryWindow window(Path());
    int shown = 0;
    QObject::connect(&window, &THistoryWindow::PlotsShown, [&] { ++shown; });
    std::vector<THistoryRecord> chosen;
    window.SetOnPollChosen([&](const THistoryRecord& r) { chosen.push_back(r); });
    window.show();
    ASSERT_TRUE(WaitFor([&] { return shown == 1; }));
    EXPECT_EQ(window.Waterfall().Shown().Polls(), 120);

    // Zoomed in six times near the right end (the polls are the last two of
    // the 24 hours shown): once the axis rests, the list, the events and the
    // views are of the 22.5 minutes it shows.
    TTimePlotWidget& plot = window.TimePlot();
    const QRect area = plot.Layout().Plot;
    for (int i = 0; i < 6; ++i)
        plot.ZoomAt(area.right() - area.width() / 20, 0.5);
    const std::int64_t from = plot.Data().FromUtcMs, to = plot.Data().ToUtcMs;
    ASSERT_TRUE(WaitFor([&] { return shown == 2; }));
    EXPECT_EQ(window.Browser().Period(), THistoryBrowser::CustomPeriod);
    EXPECT_EQ(window.findChild<QComboBox*>()->currentText(), QStringLiteral("Custom range..."));
    EXPECT_EQ(window.Browser().Filter().SinceUtcMs, from);
    EXPECT_EQ(window.Browser().Filter().UntilUtcMs, to);
    EXPECT_EQ(plot.Data().FromUtcMs, from);
    EXPECT_EQ(plot.Data().ToUtcMs, to);
    THistoryStore store;
    ASSERT_TRUE(store.Open(Path()));
    const std::int64_t inRange = store.Count(window.Browser().Filter());
    EXPECT_GT(inRange, 0);
    EXPECT_LT(inRange, 120);
    EXPECT_EQ(window.Browser().ListedCount(), inRange);
    EXPECT_EQ(static_cast<std::int64_t>(plot.Data().Points.size()), inRange);
    EXPECT_EQ(window.Waterfall().Shown().Polls(), inRange);
    EXPECT_TRUE(window.StatusText().startsWith(QStringLiteral("%1 polls (from ").arg(inRange)));

    // A click on the waterfall's newest row with a poll (the rows above it
    // hold none) chooses the newest poll of the range.
    window.Views().setCurrentWidget(&window.Waterfall());
    QApplication::processEvents();
    TWaterfallWidget& waterfall = window.Waterfall();
    QPoint top = waterfall.Layout().Plot.topLeft() + QPoint(200, 0);
    while (waterfall.PollAt(top) == 0 && top.y() < waterfall.Layout().Plot.bottom())
        top.ry() += 1;
    const std::int64_t newest = waterfall.PollAt(top);
    ASSERT_NE(newest, 0);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(top), waterfall.mapToGlobal(QPointF(top)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&waterfall, &release);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen.back().Id, newest);
    EXPECT_EQ(chosen.back().Id, window.Browser().Model().SummaryAt(0).Id);

    // Two polls chosen in the list: Compare shows them, older first.
    EXPECT_FALSE(window.CompareButton().isEnabled());
    Select(window, 0, QItemSelectionModel::ClearAndSelect);
    Select(window, 2, QItemSelectionModel::Select);
    ASSERT_TRUE(window.CompareButton().isEnabled());
    window.CompareButton().click();
    ASSERT_TRUE(window.Comparison().Comparison().has_value());
    const TToneComparisonData& pair = *window.Comparison().Comparison();
    EXPECT_EQ(pair.AfterUtcMs, window.Browser().Model().SummaryAt(0).TimeUtcMs);
    EXPECT_EQ(pair.BeforeUtcMs, window.Browser().Model().SummaryAt(2).TimeUtcMs);
    EXPECT_EQ(window.Views().currentWidget(), &window.Comparison());
}

TEST_F(HistoryWindowTest, SaveReportWritesThePdfOfTheListedPeriodOffTheWindowsThread)
{
    Fill(30);
    THistoryWindow window(Path());
    bool done = false, written = false;
    QObject::connect(&window, &THistoryWindow::ReportDone, [&](bool ok) {
        done = true;
        written = ok;
    });
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    ASSERT_TRUE(window.SaveReportTo(pdf));
    EXPECT_TRUE(window.StatusText().startsWith(QStringLiteral("Writing the report")));
    ASSERT_TRUE(WaitFor([&] { return done; }));
    EXPECT_TRUE(written);
    EXPECT_EQ(window.StatusText(), QStringLiteral("Report written to %1").arg(pdf));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");

    // A folder that is not there: the status line says why.
    done = false;
    ASSERT_TRUE(window.SaveReportTo(dir.filePath(QStringLiteral("none/report.pdf"))));
    ASSERT_TRUE(WaitFor([&] { return done; }));
    EXPECT_FALSE(written);
    EXPECT_TRUE(window.StatusText().startsWith(QStringLiteral("cannot write"))) << window.StatusText().toStdString();
}
