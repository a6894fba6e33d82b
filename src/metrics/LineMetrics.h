#pragma once
// The numbers of the metrics feed, kept up to date by the poll loop and read
// by the feed's server on its own thread.
//
// Both sides hold the lock only to copy: AddPoll updates a few counters and
// compares 513 values, Text copies the snapshot and formats it after letting
// go, so a scrape never holds up a poll for longer than that copy.

#include "app/LineEvents.h"
#include "metrics/MetricsText.h"

#include <mutex>
#include <string>
#include <vector>

class TLineMetrics {
public:
    // --- feeding -------------------------------------------------------------------------------
    // A poll that was kept, with the events it closed.
    void AddPoll(const TLinePoll& poll, const std::vector<TLineEvent>& events);

    // --- getters -------------------------------------------------------------------------------
    TMetricsSnapshot Snapshot() const;
    // The exposition text (MetricsText of the snapshot).
    std::string Text() const;

private:
    // --- data ----------------------------------------------------------------------------------
    mutable std::mutex fLock;
    TMetricsSnapshot fSnapshot;
};
