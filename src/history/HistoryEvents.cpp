#include "history/HistoryEvents.h"

#include "history/HistoryCsv.h"
#include "history/HistoryStore.h"
#include "history/HistoryTime.h"

#include <algorithm>
#include <tuple>

TLinePoll LinePollOf(const THistoryRecord& record)
{
    TLinePoll poll;
    poll.TimeUtcMs = record.TimeUtcMs;
    poll.Reading = record.Outcome.Captured;
    if (poll.Reading)
        poll.Bits = record.Bits;
    else
        poll.Reason = DescribeOutcome(record.Outcome);
    return poll;
}

bool ReadHistoryEvents(THistoryStore& store, const THistoryFilter& filter, THistoryEvents& result)
{
    result = THistoryEvents{};
    // One finder per host, in the order of each host's first poll.
    std::vector<std::string> hosts;
    std::vector<TLineEventFinder> finders;
    std::vector<std::vector<TLineEvent>> events;
    std::size_t current = 0;
    const bool ok = store.ForEachRecord(
        filter,
        [&](const THistoryRecord& record) {
            if (current >= hosts.size() || hosts[current] != record.Host) {
                current = static_cast<std::size_t>(std::find(hosts.begin(), hosts.end(), record.Host) - hosts.begin());
                if (current == hosts.size()) {
                    hosts.push_back(record.Host);
                    finders.emplace_back();
                    events.emplace_back();
                }
            }
            finders[current].Add(LinePollOf(record), events[current]);
        },
        [&](std::int64_t, std::int64_t, const std::string& reason) { result.Refused.push_back(reason); });
    if (!ok) {
        result.Error = store.LastError();
        return false;
    }
    // (start, host, place in the host's own order) for the merge.
    std::vector<std::tuple<std::int64_t, std::size_t, std::size_t>> order;
    for (std::size_t host = 0; host < hosts.size(); ++host) {
        finders[host].Finish(events[host]);
        SortLineEvents(events[host]);
        for (std::size_t i = 0; i < events[host].size(); ++i)
            order.emplace_back(events[host][i].StartUtcMs, host, i);
    }
    std::sort(order.begin(), order.end());
    result.Events.reserve(order.size());
    for (const auto& [start, host, i] : order)
        result.Events.push_back({hosts[host], std::move(events[host][i])});
    result.Hosts = static_cast<int>(hosts.size());
    return true;
}

std::string HistoryEventsCsvHeader()
{
    return "start,end,kind,first_tone,last_tone,polls,detail\n";
}

std::string HistoryEventCsvRow(const THostLineEvent& hostEvent, bool withHost)
{
    const TLineEvent& event = hostEvent.Event;
    const auto tone = [](int t) { return t < 0 ? std::string() : std::to_string(t); };
    std::string detail = LineEventDetail(event);
    if (withHost)
        detail = "host " + hostEvent.Host + (detail.empty() ? "" : "; " + detail);
    return FormatUtcIso(event.StartUtcMs) + "," + FormatUtcIso(event.EndUtcMs) + "," + LineEventKindName(event.Kind) +
           "," + tone(event.FirstTone) + "," + tone(event.LastTone) + "," + std::to_string(event.Polls()) + "," +
           HistoryCsvText(detail) + "\n";
}
