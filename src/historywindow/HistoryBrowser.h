#pragma once
// What the history window does, without the window: the store it reads, the
// chosen period, the list of polls, the data of the two plots, choosing a
// poll and exporting polls. The window only wires its widgets to this.

#include "history/HistoryRecord.h"
#include "history/HistoryStore.h"
#include "historywindow/HistoryListModel.h"
#include "monitor/HistoryDesign.h"
#include "story/HistoryPlotData.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class THistoryBrowser {
public:
    // Receives the chosen poll: its time, range and all 513 values.
    using TPollChosen = std::function<void(const THistoryRecord&)>;

    // The period index of a range of the user's own (SetRange), after the
    // design's periods.
    static constexpr int CustomPeriod = static_cast<int>(design::HistoryPeriods.size());

    // The polls either side of a line event (0 where there is none): the
    // last reading at or before its start and the first at or after its end,
    // so that comparing them shows what the event changed.
    struct TPollsAround {
        std::int64_t BeforeId = 0;
        std::int64_t AfterId = 0;
    };

    explicit THistoryBrowser(const QString& storePath);

    // --- actions ---------------------------------------------------------------------------
    // (Re)opens the store for reading and lists the period again from the
    // newest poll. False when there is no store to read (Message says why).
    bool Reload(std::int64_t nowUtcMs);
    // One of design::HistoryPeriods, counted back from nowUtcMs.
    void SetPeriod(int period, std::int64_t nowUtcMs);
    // Lists the polls at or after fromUtcMs and before toUtcMs (swapped when
    // given the wrong way round; at least one second long).
    void SetRange(std::int64_t fromUtcMs, std::int64_t toUtcMs);
    // Reads what the plots show for the listed period on this thread: total
    // bits of every poll and the change count per tone, then the line events. Records whose values
    // are refused are left out and counted. (The window has them read by a
    // THistoryPlotWorker and handed over with SetPlots.)
    bool ComputePlots();
    // The plots of the listed period, read elsewhere (ReadHistoryPlotData).
    void SetPlots(const THistoryPlotData& data);
    // The plots could not be read: none are shown, and Message says why.
    void PlotsFailed(const std::string& why);
    // Reads the poll in the given row of the list and hands it to the
    // callback. A record whose values are refused is not handed on; false,
    // and Message says why.
    bool Choose(int row);
    // The same for the poll with the given id (a row of the waterfall, one
    // side of a comparison).
    bool ChooseId(std::int64_t id);
    // Reads two polls, the older into older; false (Message says why) when
    // either cannot be read.
    bool ReadPair(std::int64_t firstId, std::int64_t secondId, THistoryRecord& older, THistoryRecord& newer);
    // Writes the polls of the given rows (the whole period when rows is
    // empty) as CSV to path, through a temporary file renamed into place.
    bool Export(const std::vector<int>& rows, const std::string& path);

    // --- setters ---------------------------------------------------------------------------
    void SetOnPollChosen(TPollChosen handler) { fOnPollChosen = std::move(handler); }

    // --- getters ---------------------------------------------------------------------------
    THistoryListModel& Model() { return fModel; }
    THistoryStore& Store() { return fStore; }
    const QString& StorePath() const { return fStorePath; }
    int Period() const { return fPeriod; }
    const THistoryFilter& Filter() const { return fFilter; }
    // Polls of the period, counted when it was chosen (-1 when unknown).
    std::int64_t ListedCount() const { return fListedCount; }
    const std::vector<TTotalBitsPoint>& TotalBitsPoints() const { return fPlots.TotalBits; }
    // ToneCount numbers once the plots are read, empty before.
    const std::vector<std::int64_t>& ChangeCounts() const { return fPlots.ChangesPerTone; }
    std::int64_t RefusedInPlots() const { return fPlots.Refused; }
    // The line events of the period, oldest first (read with the plots), and
    // the hosts whose polls they come from.
    const std::vector<THostLineEvent>& Events() const { return fPlots.Events; }
    int EventHosts() const { return fPlots.EventHosts; }
    // The waterfall's rows of the period at their finest (read with the plots).
    const TWaterfallGrid& Waterfall() const { return fPlots.Waterfall; }
    TPollsAround PollsAround(const TLineEvent& event) const;
    // The time axis of the views: the period's start (or its first poll) to
    // its end (or its last poll); an hour before the end when there are none.
    std::int64_t AxisFromUtcMs() const;
    std::int64_t AxisToUtcMs() const;
    // One sentence for the window's status line about the last action.
    const std::string& Message() const { return fMessage; }

private:
    void DescribeList();
    // Lists the polls of fFilter, as chosen last.
    void ListFilter();
    std::string PeriodText() const;

    // --- data ------------------------------------------------------------------------------
    QString fStorePath;
    THistoryStore fStore;
    THistoryListModel fModel;
    int fPeriod;
    THistoryFilter fFilter;
    std::int64_t fListedCount = -1;
    THistoryPlotData fPlots;
    TPollChosen fOnPollChosen;
    std::string fMessage;
};
