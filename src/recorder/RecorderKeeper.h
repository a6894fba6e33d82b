#pragma once
// Where the recorder's session puts each poll it finishes: the line history,
// with a queue in memory for the polls a store that cannot be written (locked,
// full, read-only) has not taken yet, the line events the polls close, and
// the log: one line per failure and per event, none per good poll.

#include "app/LineEvents.h"
#include "app/PollRecorder.h"
#include "history/HistoryRecorder.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

// Called after each poll the recorder kept, with the line events that poll
// closed (oldest first).
using TPollKeptHook = std::function<void(const THistoryRecord& record, const std::vector<TLineEvent>& events)>;

// The store as the recorder opens it: a write waits at most half a second
// for another program's, so that a stop signal is never kept waiting long.
THistoryStoreOptions RecorderStoreOptions();

class TRecorderKeeper : public TPollRecorder {
public:
    // Polls waiting for the store at most: a day at one a minute. Beyond, the
    // oldest are given up (and the log says so).
    static constexpr std::size_t MaxWaitingPolls = 1440;
    // Waiting polls written in one transaction at most, so that catching up
    // never holds the store (or a stop signal) long.
    static constexpr std::size_t CatchUpBatch = 100;

    TRecorderKeeper(const QString& historyPath, std::ostream& log,
                    const THistoryStoreOptions& options = RecorderStoreOptions(),
                    std::size_t maxWaitingPolls = MaxWaitingPolls);

    // --- virtuals --------------------------------------------------------------------------
    // A poll the session finished, kept at the current time with origin
    // recorder and the whole table's range (no chart shows a range here).
    std::string KeepPoll(const TPollOutcome& outcome, const std::string& host, const ToneBits& bits,
                         const tones::ToneRange& range) override;

    // --- keeping ---------------------------------------------------------------------------
    // Keeps one finished poll (as the recorder's: origin recorder, whoever
    // made the record): queued for the store and written with every
    // poll still waiting (oldest first), fed to the line events, logged
    // when it failed (the first failure of a run; the run's no-reply event
    // follows when the router answers again) or closed events, then handed
    // to the hook. A store that cannot take the polls costs one log line
    // (another when its reason changes, one when it takes them again).
    void Keep(THistoryRecord record);
    // The end of a run: the polls still waiting get one more try; the log
    // says how many are lost if the store still cannot take them.
    void Finish();

    // --- setters ---------------------------------------------------------------------------
    void SetOnPollKept(TPollKeptHook hook) { fOnPollKept = std::move(hook); }

    // --- getters ---------------------------------------------------------------------------
    // Polls kept since the start, written or waiting.
    std::int64_t PollsKept() const { return fPollsKept; }
    // Polls waiting for the store.
    std::size_t PollsWaiting() const { return fWaiting.size(); }
    // Polls given up because too many waited.
    std::int64_t PollsDropped() const { return fDropped; }
    const QString& HistoryPath() const { return fHistory.Path(); }

private:
    void WriteWaiting();
    void StoreTrouble(const std::string& reason);
    void LogPoll(const THistoryRecord& record);
    void Log(const std::string& line);

    // --- data ------------------------------------------------------------------------------
    THistoryRecorder fHistory;
    std::ostream& fLog;
    TLineEventFinder fEvents;
    std::deque<THistoryRecord> fWaiting;
    std::size_t fMaxWaiting;
    // Why the store last refused (empty while it takes the polls).
    std::string fStoreTrouble;
    std::int64_t fPollsKept = 0;
    std::int64_t fDropped = 0;
    // Whether the last poll failed (its run's first failure was logged).
    bool fRouterFailing = false;
    TPollKeptHook fOnPollKept;
};

// The log line of an event, e.g. "resync 2024-05-01 03:11:44 to 2024-05-01
// 03:12:44 (2 polls): 140 tones changed (of 400 loaded)"; times local.
std::string LineEventLogText(const TLineEvent& event);
