#pragma once
// The line events of stored polls (see app/LineEvents.h for the rules),
// found per host, and their CSV form.

#include "app/LineEvents.h"
#include "history/HistoryRecord.h"
#include "history/HistorySummary.h"

#include <string>
#include <vector>

class THistoryStore;

// An event and the host whose polls show it.
struct THostLineEvent {
    std::string Host;
    TLineEvent Event;
};

struct THistoryEvents {
    // Oldest first: by start time, then hosts in the order of their first
    // poll, then each host's own order.
    std::vector<THostLineEvent> Events;
    // Hosts whose polls the filter covers.
    int Hosts = 0;
    // Records left out because their values were refused, one line each.
    std::vector<std::string> Refused;
    // Why the store could not be read (empty on success).
    std::string Error;
};

// The record as the events see it: a reading when captured, else failed
// with the outcome's description as its reason.
TLinePoll LinePollOf(const THistoryRecord& record);

// Finds the events of the polls the filter covers, each host's polls on
// their own (one host's router answering says nothing of another's line).
// A refused record is left out, as if never polled. False with result.Error
// when the store cannot be read.
bool ReadHistoryEvents(THistoryStore& store, const THistoryFilter& filter, THistoryEvents& result);

// "start,end,kind,first_tone,last_tone,polls,detail" and a line end.
std::string HistoryEventsCsvHeader();
// One row and its line end: times as the poll export writes them, tones
// empty where they do not apply, the detail as HistoryCsvText writes it,
// led by "host HOST; " when withHost (a store of several hosts).
std::string HistoryEventCsvRow(const THostLineEvent& event, bool withHost);
