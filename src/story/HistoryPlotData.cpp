#include "story/HistoryPlotData.h"

#include <algorithm>

bool ReadHistoryPlotData(THistoryStore& store, const THistoryFilter& filter, THistoryPlotData& data, std::string& error,
                         const THistoryReadProgress& progress, const THistoryReadCancelled& cancelled)
{
    data = THistoryPlotData();
    error.clear();
    // Each read counts as half of the way.
    const auto half = [&](bool second) -> THistoryReadProgress {
        if (!progress)
            return {};
        return [&progress, second](std::int64_t done, std::int64_t total) {
            progress((second ? total : 0) / 2 + done / 2, total);
        };
    };
    const auto isCancelled = [&] { return cancelled && cancelled(); };
    bool read = ReadStoredTotalBits(store, filter, data.TotalBits, half(false), cancelled);
    // The period the views show, and the waterfall's rows built in the pass
    // of the change count that reads every record.
    if (read && !data.TotalBits.empty()) {
        data.FromUtcMs = filter.HasSince ? filter.SinceUtcMs : data.TotalBits.front().TimeUtcMs;
        data.ToUtcMs = filter.HasUntil ? filter.UntilUtcMs : data.TotalBits.back().TimeUtcMs;
        data.ToUtcMs = std::max(data.ToUtcMs, data.FromUtcMs);
    }
    TWaterfallBuilder waterfall(data.FromUtcMs, data.ToUtcMs);
    const auto addToWaterfall = [&waterfall](const THistoryRecord& record) {
        waterfall.Add(record.Id, record.TimeUtcMs, record.Outcome.Captured, record.Bits);
    };
    read = read && CountStoredToneChanges(store, filter, data.ChangesPerTone, half(true), cancelled, &data.Refused,
                                          data.TotalBits.empty() ? THistoryStore::TRecordVisitor() : addToWaterfall);
    if (!read) {
        if (!isCancelled())
            error = store.LastError();
        data = THistoryPlotData();
        return false;
    }
    // The events read every record in one pass: a cancellation that comes
    // during it is seen when it ends, and the result is dropped all the same.
    if (isCancelled()) {
        data = THistoryPlotData();
        return false;
    }
    THistoryEvents events;
    if (!ReadHistoryEvents(store, filter, events) || isCancelled()) {
        error = isCancelled() ? std::string() : events.Error;
        data = THistoryPlotData();
        return false;
    }
    data.Events = std::move(events.Events);
    data.EventHosts = events.Hosts;
    if (!data.TotalBits.empty())
        data.Waterfall = waterfall.Finish(data.Events);
    if (progress)
        progress(static_cast<std::int64_t>(data.TotalBits.size()), static_cast<std::int64_t>(data.TotalBits.size()));
    return true;
}
