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
