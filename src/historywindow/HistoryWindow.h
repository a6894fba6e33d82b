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
class QTabWidget;
class QTableView;
class QTreeWidget;
class TChart;
class TBarSeries;
class TTimePlotWidget;
class TToneComparisonWidget;
class TWaterfallWidget;
class THistoryPlotWorker;
class TReportJob;

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
    // Lists a range of the user's own (the period box then shows "Custom range...").
    void SetRange(std::int64_t fromUtcMs, std::int64_t toUtcMs);
    // Asks for a range in a dialog, starting from the one listed; false when cancelled.
    bool AskRange();
    // Reads and draws the two plots for the listed period at once, on this
    // thread (the window itself has them read by its worker).
    void RefreshPlots();
    // Writes the chosen rows (or the whole period when none is chosen) to path.
    bool ExportTo(const QString& path);
    // Writes the evidence report of the listed period to path on the report
    // job's thread; the status line says when it is written, or why not.
    bool SaveReportTo(const QString& path);
    // Compares the two polls chosen in the list (false unless two are), or
    // two given polls, on the Compare tab.
    bool CompareChosen();
    bool ComparePolls(std::int64_t firstId, std::int64_t secondId);
    // Chooses a line event (an index into the browser's events): marked on
    // the time plot, the readings either side of it compared.
    void SelectEvent(int event);

    // --- setters ---------------------------------------------------------------------------
    void SetOnPollChosen(THistoryBrowser::TPollChosen handler) { fBrowser.SetOnPollChosen(std::move(handler)); }

    // --- getters ---------------------------------------------------------------------------
    THistoryBrowser& Browser() { return fBrowser; }
    QTableView& List() { return *fList; }
    QTreeWidget& EventList() { return *fEvents; }
    TTimePlotWidget& TimePlot() { return *fTimePlot; }
    TWaterfallWidget& Waterfall() { return *fWaterfall; }
    TToneComparisonWidget& Comparison() { return *fComparison; }
    QTabWidget& Views() { return *fViews; }
    QPushButton& CompareButton() { return *fCompare; }
    TChart& ChangeCountChart() { return *fChangeCountChart; }
    TBarSeries& ChangeCountSeries() { return *fChangeCountSeries; }
    QString StatusText() const;
    THistoryPlotWorker& PlotWorker() { return *fPlotWorker; }
    TReportJob& ReportJob() { return *fReportJob; }
    // The plots' place shows the reading's progress instead of the plots.
    bool ShowsPlotProgress() const;
    QString PlotProgressText() const;

signals:
    // The plots of the listed period have been drawn into their series.
    void PlotsShown();
    // A report asked for with SaveReportTo is written, or failed.
    void ReportDone(bool written);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ExportClick();
    void SaveReportClick();
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
    void ChooseEvent(int event);

    // The list and the views follow the browser's period as it now stands.
    void PeriodChanged();

    // --- data ------------------------------------------------------------------------------
    THistoryBrowser fBrowser;
    QComboBox* fPeriod = nullptr;
    QPushButton* fExport = nullptr;
    QPushButton* fSaveReport = nullptr;
    QTableView* fList = nullptr;
    QTreeWidget* fEvents = nullptr;
    QPushButton* fCompare = nullptr;
    TTimePlotWidget* fTimePlot = nullptr;
    QTabWidget* fViews = nullptr;
    TWaterfallWidget* fWaterfall = nullptr;
    TToneComparisonWidget* fComparison = nullptr;
    TChart* fChangeCountChart = nullptr;
    TBarSeries* fChangeCountSeries = nullptr;
    // The plots, or the progress of their reading, in the same place.
    QStackedWidget* fPlotArea = nullptr;
    QWidget* fPlotsPage = nullptr;
    QWidget* fProgressPage = nullptr;
    QLabel* fProgressText = nullptr;
    QProgressBar* fProgressBar = nullptr;
    QLabel* fStatus = nullptr;
    std::unique_ptr<THistoryPlotWorker> fPlotWorker;
    std::unique_ptr<TReportJob> fReportJob;
    // The period whose plots are drawn (-1: none), and whether the drawn
    // plots are those of the listed period as it stands.
    int fPlottedPeriod = -1;
    bool fPlotsCurrent = false;
};
