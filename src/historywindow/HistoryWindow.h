#pragma once
// The history window: a non-modal window listing the polls of a period,
// newest first, with "Export CSV..." and two plots (total bits over time,
// changes per tone). Choosing a poll in the list hands its record to the
// callback, so that the main window can draw its bars. The plots are read
// by a THistoryPlotWorker while the list is already shown; until they come,
// a new period shows how far the reading has come in their place. Under the
// list, the line events of the period (read with the plots), newest first.

#include "historywindow/HistoryBrowser.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTreeWidget;
class TChart;
class TBarSeries;
class THistoryPlotWorker;

class THistoryWindow : public QWidget {
    Q_OBJECT

public:
    // A top-level window over the store at storePath. With a parent it stays
    // above the parent and goes with it, but never blocks it.
    explicit THistoryWindow(const QString& storePath, QWidget* parent = nullptr);
    ~THistoryWindow() override;

    // --- actions ---------------------------------------------------------------------------
    // Reads the store again from the newest poll.
    void Reload();
    // A poll was kept: the list and plots follow it, unless the user has
    // chosen a poll in the list, which then stays as it is until Reload or
    // another period.
    void PollRecorded();
    // Lists another period (an index into design::HistoryPeriods).
    void SetPeriod(int period);
    // Reads and draws the two plots for the listed period at once, on this
    // thread (the window itself has them read by its worker).
    void RefreshPlots();
    // Writes the chosen rows (or the whole period when none is chosen) to path.
    bool ExportTo(const QString& path);

    // --- setters ---------------------------------------------------------------------------
    void SetOnPollChosen(THistoryBrowser::TPollChosen handler) { fBrowser.SetOnPollChosen(std::move(handler)); }

    // --- getters ---------------------------------------------------------------------------
    THistoryBrowser& Browser() { return fBrowser; }
    QTableView& List() { return *fList; }
    QTreeWidget& EventList() { return *fEvents; }
    TChart& TotalBitsChart() { return *fTotalBitsChart; }
    TChart& ChangeCountChart() { return *fChangeCountChart; }
    TBarSeries& TotalBitsSeries() { return *fTotalBitsSeries; }
    TBarSeries& ChangeCountSeries() { return *fChangeCountSeries; }
    QString StatusText() const;
    THistoryPlotWorker& PlotWorker() { return *fPlotWorker; }
    // The plots' place shows the reading's progress instead of the plots.
    bool ShowsPlotProgress() const;
    QString PlotProgressText() const;

signals:
    // The plots of the listed period have been drawn into their series.
    void PlotsShown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ExportClick();
    void CurrentRowChanged(int row);
    void ShowMessage();
    // Has the worker read the plots of the listed period.
    void StartPlots();
    void ShowPlotProgress(std::int64_t done, std::int64_t total);
    void PlotsRead(const THistoryPlotData& data);
    void PlotsNotRead(const QString& why);
    void DrawPlots();
    // The browser's events of the period, newest first.
    void ListEvents();

    // --- data ------------------------------------------------------------------------------
    THistoryBrowser fBrowser;
    QComboBox* fPeriod = nullptr;
    QPushButton* fExport = nullptr;
    QTableView* fList = nullptr;
    QTreeWidget* fEvents = nullptr;
    TChart* fTotalBitsChart = nullptr;
    TChart* fChangeCountChart = nullptr;
    TBarSeries* fTotalBitsSeries = nullptr;
    TBarSeries* fChangeCountSeries = nullptr;
    // The plots, or the progress of their reading, in the same place.
    QStackedWidget* fPlotArea = nullptr;
    QWidget* fPlotsPage = nullptr;
    QWidget* fProgressPage = nullptr;
    QLabel* fProgressText = nullptr;
    QProgressBar* fProgressBar = nullptr;
    QLabel* fStatus = nullptr;
    std::unique_ptr<THistoryPlotWorker> fPlotWorker;
    // The period whose plots are drawn (-1: none), and whether the drawn
    // plots are those of the listed period as it stands.
    int fPlottedPeriod = -1;
    bool fPlotsCurrent = false;
};
