#include "story/HistoryPlotData.h"

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
    const bool read = ReadStoredTotalBits(store, filter, data.TotalBits, half(false), cancelled) &&
                      CountStoredToneChanges(store, filter, data.ChangesPerTone, half(true), cancelled, &data.Refused);
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
    if (progress)
        progress(static_cast<std::int64_t>(data.TotalBits.size()), static_cast<std::int64_t>(data.TotalBits.size()));
    return true;
}
