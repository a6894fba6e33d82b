#pragma once
// What the history window's two plots and its list of line events show of a
// period, and the one read that fills them: the same on the window's thread
// (THistoryBrowser::ComputePlots) and on the plot worker's (THistoryPlotWorker).

#include "history/HistoryEvents.h"
#include "history/HistoryStore.h"
#include "story/HistorySliceReads.h"
#include "story/WaterfallGrid.h"

#include <cstdint>
#include <string>
#include <vector>

struct THistoryPlotData {
    // Every poll of the period, oldest first.
    std::vector<TTotalBitsPoint> TotalBits;
    // Changes per tone between consecutive captured polls (ToneCount numbers).
    std::vector<std::int64_t> ChangesPerTone;
    // Records whose values were refused, left out of the change count.
    std::int64_t Refused = 0;
    // The line events of the period's polls, oldest first, and the hosts
    // whose polls they come from (the list names the host when there are several).
    std::vector<THostLineEvent> Events;
    int EventHosts = 0;
    // The period the views show: the filter's since (or the first poll) to
    // its until (or the last poll); both 0 when the period has no polls.
    std::int64_t FromUtcMs = 0;
    std::int64_t ToUtcMs = 0;
    // The waterfall's rows of the period, at most design::WaterfallMaxRows,
    // built in the pass of the change count.
    TWaterfallGrid Waterfall;
};

// Reads both plots of the period from store, then its line events (a read
// of every record, as long again as the change count: it waits on the
// cancellation like the plots' reads). progress runs from 0 to the polls of
// the period over the plots' reads and reaches the end once the events are
// read. False when the store cannot be read
// (error says why) or the read was cancelled (error stays empty).
bool ReadHistoryPlotData(THistoryStore& store, const THistoryFilter& filter, THistoryPlotData& data, std::string& error,
                         const THistoryReadProgress& progress = {}, const THistoryReadCancelled& cancelled = {});
