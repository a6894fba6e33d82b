#pragma once
// What the history window's two plots show of a period, and the one read
// that fills it: the same on the window's thread (THistoryBrowser::ComputePlots)
// and on the plot worker's (THistoryPlotWorker).

#include "history/HistoryStore.h"
#include "historywindow/HistorySliceReads.h"

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
};

// Reads both plots of the period from store. progress runs from 0 to the
// polls of the period over both reads. False when the store cannot be read
// (error says why) or the read was cancelled (error stays empty).
bool ReadHistoryPlotData(THistoryStore& store, const THistoryFilter& filter, THistoryPlotData& data, std::string& error,
                         const THistoryReadProgress& progress = {}, const THistoryReadCancelled& cancelled = {});
