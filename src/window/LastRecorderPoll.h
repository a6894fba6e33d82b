#pragma once
// When the background recorder last polled, as the line history tells it:
// the newest poll the recorder made, looked for among a bounded number of
// the newest polls (the window's own polls lie in between), so that the
// answer costs the same however long the history is.

#include <QString>
#include <cstdint>
#include <string>

struct TLastRecorderPoll {
    enum class TKind {
        lpFound,           // TimeUtcMs is the recorder's newest poll
        lpNotYet,          // the store holds no poll of the recorder (or no store yet)
        lpNotAmongNewest,  // none among the RowsLookedAt newest polls
        lpUnreadable,      // the store cannot be read (Why)
    };
    TKind Kind = TKind::lpNotYet;
    std::int64_t TimeUtcMs = 0;
    int RowsLookedAt = 0;
    std::string Why;
};

// Looks through at most maxRows of the newest polls of the store at
// storePath, opened read-only (nothing is created or changed).
TLastRecorderPoll FindLastRecorderPoll(const QString& storePath, int maxRows);

// "Last poll by the recorder: 2024-05-01 05:12:44" (local time), "... not yet", ...
QString LastRecorderPollText(const TLastRecorderPoll& poll);
