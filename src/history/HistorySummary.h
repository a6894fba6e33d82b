#pragma once
// What the list of polls and the total-bits plot show of one record, read
// without decoding its values.

#include "history/HistoryRecord.h"

#include <cstdint>
#include <string>

struct THistorySummary {
    std::int64_t Id = 0;
    std::int64_t TimeUtcMs = 0;
    bool Captured = false;
    // "reply captured", or the failed step and its reason.
    std::string OutcomeText;
    std::int64_t TotalBits = 0;
    int ZeroTones = 0;
    // Who made the poll.
    TPollOrigin Origin = TPollOrigin::poUnknown;
};

// One point of the total-bits plot.
struct TTotalBitsPoint {
    std::int64_t Id = 0;
    std::int64_t TimeUtcMs = 0;
    std::int64_t TotalBits = 0;
    bool Captured = false;
};

// Where a page of the newest-first list ends: the next page starts strictly
// below this (time, id) pair.
struct THistoryPageKey {
    std::int64_t TimeUtcMs = 0;
    std::int64_t Id = 0;
};

// Which polls a query covers: those at or after SinceUtcMs and before
// UntilUtcMs (all when unset).
struct THistoryFilter {
    bool HasSince = false;
    std::int64_t SinceUtcMs = 0;
    bool HasUntil = false;
    std::int64_t UntilUtcMs = 0;

    static THistoryFilter All() { return {}; }
    static THistoryFilter Since(std::int64_t utcMs) { return {true, utcMs}; }
    static THistoryFilter Until(std::int64_t utcMs) { return {false, 0, true, utcMs}; }
};
