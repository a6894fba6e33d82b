#pragma once
// The history window: a non-modal window listing the polls of a period,
// newest first, with "Export CSV..." and two plots (total bits over time,
// changes per tone). Choosing a poll in the list hands its record to the
// callback, so that the main window can draw its bars.

#include "historywindow/HistoryBrowser.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class TChart;
class TBarSeries;

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
    // Draws the two plots for the listed period. Runs by itself right after
    // the first rows are shown; tests call it to have the plots at once.
    void RefreshPlots();
    // Writes the chosen rows (or the whole period when none is chosen) to path.
    bool ExportTo(const QString& path);

    // --- setters ---------------------------------------------------------------------------
    void SetOnPollChosen(THistoryBrowser::TPollChosen handler) { fBrowser.SetOnPollChosen(std::move(handler)); }

    // --- getters ---------------------------------------------------------------------------
    THistoryBrowser& Browser() { return fBrowser; }
    QTableView& List() { return *fList; }
    TChart& TotalBitsChart() { return *fTotalBitsChart; }
    TChart& ChangeCountChart() { return *fChangeCountChart; }
    TBarSeries& TotalBitsSeries() { return *fTotalBitsSeries; }
    TBarSeries& ChangeCountSeries() { return *fChangeCountSeries; }
    QString StatusText() const;

private:
    void ExportClick();
    void CurrentRowChanged(int row);
    void ShowMessage();
    void SchedulePlots();

    // --- data ------------------------------------------------------------------------------
    THistoryBrowser fBrowser;
    QComboBox* fPeriod = nullptr;
    QPushButton* fExport = nullptr;
    QTableView* fList = nullptr;
    TChart* fTotalBitsChart = nullptr;
    TChart* fChangeCountChart = nullptr;
    TBarSeries* fTotalBitsSeries = nullptr;
    TBarSeries* fChangeCountSeries = nullptr;
    QLabel* fStatus = nullptr;
    // A plot refresh is waiting to run after the list was shown.
    bool fPlotsPending = false;
};
