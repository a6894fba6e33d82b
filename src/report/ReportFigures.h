#pragma once
// The figures of a period that the report states: how many polls, how many
// readings and failed polls, how long nobody polled and how long the line was
// down, the latest reading and the largest loss of bits between two
// consecutive readings.

#include "story/HistoryPlotData.h"

#include <cstdint>
#include <string>
#include <vector>

struct TReportFigures {
    std::int64_t FromUtcMs = 0;
    std::int64_t ToUtcMs = 0;
    // The hosts whose polls the period holds, in the order of their first event or poll.
    std::vector<std::string> Hosts;
    std::int64_t Polls = 0;
    std::int64_t Readings = 0;
    std::int64_t FailedPolls = 0;
    // The spans of the gap events (nobody polled) and of the line-down runs, summed.
    std::int64_t NoPollsMs = 0;
    std::int64_t LineDownMs = 0;
    std::int64_t Events = 0;
    // The newest reading (0: none).
    std::int64_t LatestReadingId = 0;
    std::int64_t LatestReadingUtcMs = 0;
    // The largest drop of total bits from one reading to the next (none when
    // the bits never fell).
    bool HasLoss = false;
    std::int64_t LossBits = 0;
    std::int64_t LossBeforeId = 0, LossAfterId = 0;
    std::int64_t LossBeforeUtcMs = 0, LossAfterUtcMs = 0;
    std::int64_t LossBeforeTotal = 0, LossAfterTotal = 0;
};

// The figures of data over the period from fromUtcMs to toUtcMs.
TReportFigures ComputeReportFigures(const THistoryPlotData& data, std::int64_t fromUtcMs, std::int64_t toUtcMs);

// "3 h 12 min", "45 s", "2 days 4 h", "0 s".
std::string DurationText(std::int64_t ms);
