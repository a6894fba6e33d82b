#include "metrics/LineMetrics.h"

#include <algorithm>

void TLineMetrics::AddPoll(const TLinePoll& poll, const std::vector<TLineEvent>& events)
{
    const std::lock_guard<std::mutex> hold(fLock);
    TMetricsSnapshot& s = fSnapshot;
    s.HasPoll = true;
    s.LastPollWasReading = poll.Reading;
    s.LastPollUtcMs = poll.TimeUtcMs;
    if (poll.Reading) {
        ++s.ReadingPolls;
        // Failed polls carry no bits and are skipped: a reading is compared
        // with the reading before it, however many failures came between.
        if (s.HasReading) {
            for (std::size_t tone = 0; tone < s.LastReading.size(); ++tone)
                if (poll.Bits[tone] != s.LastReading[tone])
                    ++s.ToneChanges[tone];
        }
        s.HasReading = true;
        s.LastReading = poll.Bits;
    } else {
        ++s.FailedPolls;
    }
    for (const TLineEvent& event : events) {
        const auto kind = std::find(MetricsEventKinds.begin(), MetricsEventKinds.end(), event.Kind);
        if (kind != MetricsEventKinds.end())
            ++s.Events[static_cast<std::size_t>(kind - MetricsEventKinds.begin())];
    }
}

TMetricsSnapshot TLineMetrics::Snapshot() const
{
    const std::lock_guard<std::mutex> hold(fLock);
    return fSnapshot;
}

std::string TLineMetrics::Text() const
{
    return MetricsText(Snapshot());
}
