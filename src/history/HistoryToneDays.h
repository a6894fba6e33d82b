#pragma once
// The table of day summaries of layout 2: for a series of polls (one host's,
// or all hosts' as one, AllHosts) and a UTC day, the change count of the
// day's captured polls as a TToneChangeSpan, and the (time, id) key of its
// last captured poll. Kept at each append, so that the change count of a
// long period is read from its days; a day with no captured poll has no row.

#include "history/ToneChangeSpan.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <cstdint>
#include <functional>
#include <string>

struct THistoryToneDay {
    std::int64_t HostId = 0;
    std::int64_t Day = 0;
    TToneChangeSpan Span;
    std::int64_t LastTimeUtcMs = 0;
    std::int64_t LastId = 0;
};

class THistoryToneDays {
public:
    // The series of every host's polls together.
    static constexpr std::int64_t AllHosts = 0;
    static constexpr std::int64_t DayMs = 86400000;

    // The UTC day of a time (days since 1970-01-01; before it, below 0).
    static std::int64_t DayOf(std::int64_t timeUtcMs);

    explicit THistoryToneDays(const QSqlDatabase& db) : fDb(db) {}

    // --- reading ---------------------------------------------------------------------------
    // The day's row into day; found false when it has none. False on a read
    // error (Error() tells), or when the row cannot be read (unreadable true).
    bool Load(std::int64_t hostId, std::int64_t dayNumber, THistoryToneDay& day, bool& found, bool& unreadable);
    // The rows of a series for days fromDay <= day < toDay, oldest first;
    // visit gets each row, or a day whose row cannot be read with unreadable.
    using TDayVisitor = std::function<bool(const THistoryToneDay& day, bool unreadable)>;
    bool ForEachDay(std::int64_t hostId, std::int64_t fromDay, std::int64_t toDay, const TDayVisitor& visit);

    // --- writing ---------------------------------------------------------------------------
    // Writes the day's row, or removes it when its span has no captured poll.
    bool Save(const THistoryToneDay& day);

    // --- getters ---------------------------------------------------------------------------
    const QSqlError& Error() const { return fError; }

private:
    // --- data ------------------------------------------------------------------------------
    QSqlDatabase fDb;
    QSqlError fError;
};
