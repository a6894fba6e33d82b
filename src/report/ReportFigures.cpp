#include "report/ReportFigures.h"

#include <algorithm>

TReportFigures ComputeReportFigures(const THistoryPlotData& data, std::int64_t fromUtcMs, std::int64_t toUtcMs)
{
    TReportFigures f;
    f.FromUtcMs = fromUtcMs;
    f.ToUtcMs = toUtcMs;
    f.Polls = static_cast<std::int64_t>(data.TotalBits.size());
    const TTotalBitsPoint* previous = nullptr;
    for (const TTotalBitsPoint& p : data.TotalBits) {
        if (!p.Captured) {
            ++f.FailedPolls;
            continue;
        }
        ++f.Readings;
        f.LatestReadingId = p.Id;
        f.LatestReadingUtcMs = p.TimeUtcMs;
        if (previous != nullptr) {
            const std::int64_t loss = previous->TotalBits - p.TotalBits;
            if (loss > 0 && (!f.HasLoss || loss > f.LossBits)) {
                f.HasLoss = true;
                f.LossBits = loss;
                f.LossBeforeId = previous->Id;
                f.LossAfterId = p.Id;
                f.LossBeforeUtcMs = previous->TimeUtcMs;
                f.LossAfterUtcMs = p.TimeUtcMs;
                f.LossBeforeTotal = previous->TotalBits;
                f.LossAfterTotal = p.TotalBits;
            }
        }
        previous = &p;
    }
    for (const THostLineEvent& e : data.Events) {
        ++f.Events;
        if (std::find(f.Hosts.begin(), f.Hosts.end(), e.Host) == f.Hosts.end())
            f.Hosts.push_back(e.Host);
        const std::int64_t span = std::max<std::int64_t>(0, e.Event.EndUtcMs - e.Event.StartUtcMs);
        if (e.Event.Kind == TLineEventKind::lekGap)
            f.NoPollsMs += span;
        else if (e.Event.Kind == TLineEventKind::lekLineDown)
            f.LineDownMs += span;
    }
    return f;
}

std::string DurationText(std::int64_t ms)
{
    const std::int64_t s = std::max<std::int64_t>(0, ms) / 1000;
    const std::int64_t days = s / 86400, hours = s % 86400 / 3600, minutes = s % 3600 / 60, seconds = s % 60;
    const auto unit = [](std::int64_t n, const char* one, const char* many) {
        return std::to_string(n) + (n == 1 ? one : many);
    };
    if (days > 0)
        return unit(days, " day", " days") + (hours > 0 ? " " + std::to_string(hours) + " h" : "");
    if (hours > 0)
        return std::to_string(hours) + " h" + (minutes > 0 ? " " + std::to_string(minutes) + " min" : "");
    if (minutes > 0)
        return std::to_string(minutes) + " min" + (seconds > 0 ? " " + std::to_string(seconds) + " s" : "");
    return std::to_string(seconds) + " s";
}
