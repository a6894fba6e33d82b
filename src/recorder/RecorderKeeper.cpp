#include "recorder/RecorderKeeper.h"

#include <algorithm>
#include <ostream>

#include "history/HistoryEvents.h"
#include "history/HistoryTime.h"
#include "text/QtText.h"

THistoryStoreOptions RecorderStoreOptions()
{
    THistoryStoreOptions options;
    options.BusyTimeoutMs = 500;
    return options;
}

std::string LineEventLogText(const TLineEvent& event)
{
    std::string text = LineEventKindName(event.Kind) + " " + Utf8FromQString(FormatLocalTime(event.StartUtcMs)) +
                       " to " + Utf8FromQString(FormatLocalTime(event.EndUtcMs)) + " (" +
                       std::to_string(event.Polls()) + (event.Polls() == 1 ? " poll)" : " polls)");
    if (event.FirstTone >= 0)
        text += ", tones " + std::to_string(event.FirstTone) + "-" + std::to_string(event.LastTone);
    const std::string detail = LineEventDetail(event);
    if (!detail.empty())
        text += ": " + detail;
    return text;
}

TRecorderKeeper::TRecorderKeeper(const QString& historyPath, std::ostream& log, const THistoryStoreOptions& options,
                                 std::size_t maxWaitingPolls)
    : fHistory(historyPath, options), fLog(log), fMaxWaiting(std::max<std::size_t>(1, maxWaitingPolls))
{
    fHistory.SetOrigin(TPollOrigin::poRecorder);
}

std::string TRecorderKeeper::KeepPoll(const TPollOutcome& outcome, const std::string& host, const ToneBits& bits,
                                      const tones::ToneRange& /*range*/)
{
    THistoryRecord record = MakeHistoryRecord(CurrentUtcMs(), host, outcome, 0, ToneCount - 1, bits);
    record.Origin = TPollOrigin::poRecorder;
    Keep(std::move(record));
    return fStoreTrouble;
}

void TRecorderKeeper::Keep(THistoryRecord record)
{
    ++fPollsKept;
    record.Id = 0;
    record.Origin = TPollOrigin::poRecorder;
    LogPoll(record);
    std::vector<TLineEvent> closed;
    fEvents.Add(LinePollOf(record), closed);
    for (const TLineEvent& event : closed)
        Log(LineEventLogText(event));

    fWaiting.push_back(record);
    if (fWaiting.size() > fMaxWaiting) {
        fWaiting.pop_front();
        if (fDropped++ == 0)
            Log("too many polls wait for the store: the oldest are given up from now on, one for each new poll");
    }
    WriteWaiting();

    if (fOnPollKept)
        fOnPollKept(record, closed);
}

void TRecorderKeeper::WriteWaiting()
{
    // The oldest first, alone: its Record opens the store when needed and
    // says what went wrong. Once it is in, the rest follow in batches.
    THistoryRecord& oldest = fWaiting.front();
    const std::string note = fHistory.Record(oldest);
    if (oldest.Id == 0) {
        StoreTrouble(note.empty() ? HistoryNotWrittenText("the store did not take the poll") : note);
        return;
    }
    if (!note.empty())
        Log(note);  // a damaged store set aside: the poll went into a new one
    fWaiting.pop_front();
    std::size_t written = 1;
    while (!fWaiting.empty()) {
        const std::size_t count = std::min(fWaiting.size(), CatchUpBatch);
        std::vector<THistoryRecord> batch(fWaiting.begin(), fWaiting.begin() + static_cast<std::ptrdiff_t>(count));
        if (!fHistory.Store().AppendAll(batch)) {
            StoreTrouble(HistoryNotWrittenText(fHistory.Store().LastError()));
            return;
        }
        fWaiting.erase(fWaiting.begin(), fWaiting.begin() + static_cast<std::ptrdiff_t>(count));
        written += count;
    }
    if (!fStoreTrouble.empty()) {
        fStoreTrouble.clear();
        Log("the history is written again: " + std::to_string(written) +
            (written == 1 ? " poll" : " polls, those that waited among them,") + " written now");
    }
}

void TRecorderKeeper::StoreTrouble(const std::string& reason)
{
    if (reason == fStoreTrouble)
        return;
    fStoreTrouble = reason;
    Log(reason + "; the polls wait in memory (up to " + std::to_string(fMaxWaiting) +
        ") and the store is tried again at each poll");
}

void TRecorderKeeper::Finish()
{
    if (fWaiting.empty())
        return;
    WriteWaiting();
    if (!fWaiting.empty())
        Log(fWaiting.size() == 1
                ? std::string("1 poll could not be written before the end: it is lost")
                : std::to_string(fWaiting.size()) + " polls could not be written before the end: they are lost");
}

void TRecorderKeeper::LogPoll(const THistoryRecord& record)
{
    const bool failed = !record.Outcome.Captured;
    if (failed && !fRouterFailing)
        Log("poll of " + record.Host + " failed: " + DescribeOutcome(record.Outcome) +
            "; polling on, quietly until it answers");
    fRouterFailing = failed;
}

void TRecorderKeeper::Log(const std::string& line)
{
    // One write per line, so that lines from a run under a service manager
    // never interleave.
    fLog << (line + "\n") << std::flush;
}
