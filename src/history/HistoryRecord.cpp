#include "history/HistoryRecord.h"

THistoryRecord MakeHistoryRecord(std::int64_t timeUtcMs, const std::string& host, const TPollOutcome& outcome,
                                 int firstTone, int lastTone, const ToneBits& bits)
{
    THistoryRecord record;
    record.TimeUtcMs = timeUtcMs;
    record.Host = host;
    record.Outcome = outcome;
    record.FirstTone = firstTone;
    record.LastTone = lastTone;
    record.Bits = bits;
    return record;
}

std::string PollOriginName(TPollOrigin origin)
{
    switch (origin) {
    case TPollOrigin::poWindow:
        return "window";
    case TPollOrigin::poRecorder:
        return "recorder";
    case TPollOrigin::poPollCommand:
        return "poll command";
    case TPollOrigin::poUnknown:
        break;
    }
    return std::string();
}
