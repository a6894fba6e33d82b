#pragma once
// A poll of the generated line as the history keeps it: a reading, or a
// connect that timed out, from the router at 192.168.1.254.

#include "common/GeneratedLine.h"
#include "history/HistoryRecord.h"

inline THistoryRecord GeneratedRecord(const TGeneratedLine& line, int n, TPollOrigin origin = TPollOrigin::poRecorder,
                                      int lastTone = 255)
{
    TLinePoll poll;
    line.Fill(n, poll);
    TPollOutcome outcome;
    outcome.Captured = poll.Reading;
    if (!poll.Reading) {
        outcome.FailedStep = TPollStep::psConnect;
        outcome.ErrorCode = 10060;
        outcome.ErrorText = "Connection timed out";
    }
    THistoryRecord record =
        MakeHistoryRecord(poll.TimeUtcMs, "192.168.1.254", outcome, 0, lastTone, poll.Reading ? poll.Bits : ToneBits{});
    record.Origin = origin;
    return record;
}
