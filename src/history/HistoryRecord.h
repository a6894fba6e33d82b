#pragma once
// One poll as the history keeps it.

#include "app/PollOutcome.h"
#include "app/ToneBits.h"

#include <cstdint>
#include <string>

// Who made a poll. Stored as its number: new origins go last.
enum class TPollOrigin {
    poUnknown = 0,      // kept before the store said who made each poll
    poWindow = 1,       // the monitor window
    poRecorder = 2,     // the background recorder
    poPollCommand = 3,  // one poll from the command line
};

// "window", "recorder", "poll command", or "" for an unknown origin.
std::string PollOriginName(TPollOrigin origin);

struct THistoryRecord {
    // Row number in the store; 0 until the record has been stored.
    std::int64_t Id = 0;
    // When the poll ended, in milliseconds since 1970-01-01 00:00 UTC.
    std::int64_t TimeUtcMs = 0;
    // The host as typed for the poll.
    std::string Host;
    // Captured, or the failed step with its error code and text.
    TPollOutcome Outcome;
    // The range selected for the poll (first and last tone).
    int FirstTone = 0;
    int LastTone = ToneCount - 1;
    // Who made the poll.
    TPollOrigin Origin = TPollOrigin::poUnknown;
    // All 513 values of the tone table the poll left, a failed poll's too.
    ToneBits Bits{};
};

// A record filled from a poll that has just ended.
THistoryRecord MakeHistoryRecord(std::int64_t timeUtcMs, const std::string& host, const TPollOutcome& outcome,
                                 int firstTone, int lastTone, const ToneBits& bits);
