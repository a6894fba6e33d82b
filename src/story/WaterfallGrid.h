#pragma once
// The waterfall's rows: the period cut into rows of one duration, each
// holding per tone the lowest bits of the readings in it. Rows are aligned
// to multiples of their duration since 1970-01-01 00:00 UTC, and the
// durations form a chain in which each divides the next, so that rows can
// be combined into fewer of a longer duration without splitting any.

#include "app/ToneBits.h"
#include "history/HistoryEvents.h"
#include "monitor/HistoryDesign.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

enum class TWaterfallRowKind {
    wrReading,  // at least one reading, or the line as last seen between two polls
    wrFailed,   // only failed polls, or inside a no-reply run
    wrNoPolls,  // nobody polled: inside a gap, before the first or after the last poll
};

struct TWaterfallRow {
    // The row's span [StartUtcMs, EndUtcMs).
    std::int64_t StartUtcMs = 0;
    std::int64_t EndUtcMs = 0;
    TWaterfallRowKind Kind = TWaterfallRowKind::wrNoPolls;
    // Polls in the row (failed ones too) and readings among them; both 0 for
    // a row that shows the line as last seen.
    int Polls = 0;
    int Readings = 0;
    // The oldest and the newest poll in the row (0 when it holds none).
    std::int64_t FirstId = 0;
    std::int64_t LastId = 0;
    // Per tone the lowest bits of the readings (clamped to 255).
    std::array<std::uint8_t, ToneCount> Bits{};
};

// The rows' durations, shortest first: 1, 5, 15, 30 s; 1, 5, 15, 30 min;
// 1, 3, 6, 12 h; 1 day; 7 days; then multiples of 7 days.
std::int64_t WaterfallRowDurationAtLeast(std::int64_t ms);
// The shortest duration of the chain whose aligned rows cover
// [fromUtcMs, toUtcMs] with at most maxRows rows.
std::int64_t WaterfallRowDurationFor(std::int64_t fromUtcMs, std::int64_t toUtcMs, int maxRows);
// "30 s", "1 min", "10 min", "1 h", "6 h", "1 day", "7 days".
QString WaterfallDurationText(std::int64_t ms);

class TWaterfallGrid {
public:
    TWaterfallGrid() = default;

    // --- getters ---------------------------------------------------------------------------
    std::int64_t RowDurationMs() const { return fRowDurationMs; }
    // The period the rows were built for (the rows may reach a little beyond
    // it, to the edges of their durations).
    std::int64_t FromUtcMs() const { return fFromUtcMs; }
    std::int64_t ToUtcMs() const { return fToUtcMs; }
    // Oldest first.
    const std::vector<TWaterfallRow>& Rows() const { return fRows; }
    bool Empty() const { return fRows.empty(); }
    // Polls that went into the rows.
    std::int64_t Polls() const { return fPolls; }
    // The row whose span holds t, or -1.
    int RowAt(std::int64_t t) const;
    // "each row: 10 min, the lowest bits of the polls in it"
    QString RowNote() const;

    // --- combining -------------------------------------------------------------------------
    // The same period in at most maxRows rows: k consecutive rows merged
    // into one, the merged duration still in the chain. A merged row holds
    // the lowest bits of the readings of its rows (a one-poll dip is never
    // lost) and counts all their polls. The grid itself when it already fits.
    TWaterfallGrid Combined(int maxRows) const;

private:
    friend class TWaterfallBuilder;

    // --- data ------------------------------------------------------------------------------
    std::int64_t fRowDurationMs = 0;
    std::int64_t fFromUtcMs = 0;
    std::int64_t fToUtcMs = 0;
    std::int64_t fPolls = 0;
    std::vector<TWaterfallRow> fRows;
};

// Builds the rows of a period from its polls, which may come in any order
// (the store's sliced read gives the newest slice first). Polls outside
// [fromUtcMs, toUtcMs] are left out. Memory is maxRows rows whatever the
// number of polls.
class TWaterfallBuilder {
public:
    TWaterfallBuilder(std::int64_t fromUtcMs, std::int64_t toUtcMs, int maxRows = design::WaterfallMaxRows);

    // --- feeding ---------------------------------------------------------------------------
    // One poll: a reading with its bits, or a failed poll (bits ignored).
    void Add(std::int64_t id, std::int64_t timeUtcMs, bool reading, const ToneBits& bits);
    // The rows, given the line events of the period: an empty row between two
    // polls shows the line as the row before it, unless it lies inside a gap
    // (no polls) or a no-reply run (failed); before the first and after the
    // last poll rows have no polls.
    TWaterfallGrid Finish(const std::vector<THostLineEvent>& events);

private:
    // --- data ------------------------------------------------------------------------------
    TWaterfallGrid fGrid;
    // The earliest poll of each row, to find the oldest (FirstId) in any order.
    std::vector<std::int64_t> fFirstTime;
    std::vector<std::int64_t> fLastTime;
};
