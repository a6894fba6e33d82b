#pragma once
// The events of a line, found in the stored polls of one host in time order.
//
// A poll is a reading when its reply held all 513 tones; otherwise it failed
// and carries no bits. "The readings" below skips failed polls: two readings
// with failed polls between them are consecutive readings, and a change is
// found by comparing the reading on either side of the failures (a line that
// resynchronised while the router did not answer shows as a resync on the
// first reading after the no-reply run).
//
// A tone "has bits" when its value is above 0; a reading "with bits" has at
// least one such tone.
//
// The events:
// - no-reply: a run of consecutive failed polls, from its first to its last
//   poll, with the first poll's reason.
// - line-down: a run of consecutive readings whose tones are all 0 (the router
//   answers, the line is not in sync). A failed poll ends the run.
// - resync: a reading with bits that, against the reading before it, changed
//   the bits of at least max(20, 10 % of the tones loaded in either reading)
//   tones ("loaded in either": tones with bits in one reading or the other);
//   and the first reading with bits after a line-down run, however many
//   failed polls came between.
// - tones-lost / tones-regained: between two consecutive readings with bits
//   when the later one is not a resync, each contiguous run of at least
//   MinToneRun tones that went from bits to 0 (or from 0 to bits) is one
//   event with its first and last tone. Shorter runs are not events: single
//   tones at the edge of the usable band flip between 0 and 1 bit all day.
// - gap: two consecutive polls further apart than GapFactor times the usual
//   interval, i.e. nobody was polling. The usual interval of an interval is
//   the median of its neighbours: up to GapNeighbours positive intervals
//   before it and up to GapNeighbours after it, the interval itself left out
//   (the mean of the two middle ones when their number is even, in whole
//   milliseconds). With fewer than GapMinNeighbours neighbours the usual
//   interval is DefaultPollIntervalMs. Polls at the same time (an interval of
//   0) are neither gaps nor neighbours.
//
// The times of an event: a run goes from its first to its last poll; a
// change (resync, tones-lost, tones-regained) from the reading before it
// (after a line-down, its last all-zero reading) to the reading that shows
// it, the span in which it happened;
// a gap from the poll before it to the poll after it. Polls counts the polls
// from start to end, both included (failed ones too).
//
// The events are the same whether the polls are fed one at a time or all at
// once: TLineEventFinder hands out each event once it is closed (a run when a
// poll ends it, a gap once GapNeighbours later intervals are known) and
// Finish closes what is still open. An event handed out is never taken back
// or changed by later polls. They come in the order they close; LineEvents
// gives them oldest first (by start, then by their first poll).

#include "app/ToneBits.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// One stored poll as the events see it.
struct TLinePoll {
    // When the poll ended, in milliseconds since 1970-01-01 00:00 UTC (the store's times).
    std::int64_t TimeUtcMs = 0;
    // Whether the reply held all 513 tones.
    bool Reading = false;
    // The bits of a reading (ignored for a failed poll).
    ToneBits Bits{};
    // Why a failed poll failed, as the user reads it.
    std::string Reason;
};

enum class TLineEventKind { lekNoReply, lekLineDown, lekResync, lekTonesLost, lekTonesRegained, lekGap };

// "no-reply", "line-down", "resync", "tones-lost", "tones-regained" or "gap".
std::string LineEventKindName(TLineEventKind kind);

struct TLineEvent {
    TLineEventKind Kind = TLineEventKind::lekNoReply;
    std::int64_t StartUtcMs = 0;
    std::int64_t EndUtcMs = 0;
    // The first and last poll of the event, counted from 0 in the order fed.
    std::int64_t FirstPoll = 0;
    std::int64_t LastPoll = 0;
    // tones-lost and tones-regained: the run of tones (-1 for the other kinds).
    int FirstTone = -1;
    int LastTone = -1;
    // no-reply: the first failed poll's reason.
    std::string Reason;
    // resync: the tones whose bits changed and the tones loaded in either
    // reading; tones-lost and tones-regained: the tones of the run and the bits
    // they lost or gained.
    int TonesChanged = 0;
    int TonesLoaded = 0;
    std::int64_t BitsChanged = 0;
    // resync: the first reading with bits after a line-down run.
    bool AfterLineDown = false;
    // gap: the usual interval it was judged against.
    std::int64_t UsualIntervalMs = 0;

    std::int64_t Polls() const { return LastPoll - FirstPoll + 1; }
    bool operator==(const TLineEvent&) const = default;
};

// What the event says beyond its kind and times, for a log or a CSV cell:
// the reason of a no-reply, "N tones changed (of M loaded)", "N tones, B bits",
// "N s without a poll (usual interval M s)"; empty for a line-down.
std::string LineEventDetail(const TLineEvent& event);

// The rules' numbers.
constexpr int ResyncMinTones = 20;
constexpr int ResyncPercentOfLoaded = 10;
constexpr int MinToneRun = 3;
constexpr int GapFactor = 3;
constexpr int GapNeighbours = 8;
constexpr int GapMinNeighbours = 3;
constexpr std::int64_t DefaultPollIntervalMs = 180000;

// Finds the events of one host's polls, fed in time order. A poll earlier
// than the one before it is taken as at the same time.
class TLineEventFinder {
public:
    // --- feeding -------------------------------------------------------------------------------
    // The next poll; the events it closes are appended to closed.
    void Add(const TLinePoll& poll, std::vector<TLineEvent>& closed);
    // No more polls: closes the open runs and judges the intervals still
    // waiting for later ones, appending the events to closed, then starts afresh.
    void Finish(std::vector<TLineEvent>& closed);

    // --- getters -------------------------------------------------------------------------------
    // Polls fed since the start (or the last Finish).
    std::int64_t PollsSeen() const { return fNextPoll; }

private:
    // One run of failed polls or of all-zero readings.
    struct TRun {
        bool Open = false;
        std::int64_t FirstPoll = 0, LastPoll = 0;
        std::int64_t StartUtcMs = 0, EndUtcMs = 0;
        std::string Reason;
    };
    // The time between two consecutive polls.
    struct TInterval {
        std::int64_t FirstPoll = 0, LastPoll = 0;
        std::int64_t StartUtcMs = 0, EndUtcMs = 0;
        std::int64_t LengthMs() const { return EndUtcMs - StartUtcMs; }
    };

    void Extend(TRun& run, std::int64_t poll, std::int64_t timeUtcMs, const std::string& reason);
    void Close(TRun& run, TLineEventKind kind, std::vector<TLineEvent>& closed);
    void AddInterval(const TInterval& interval, std::vector<TLineEvent>& closed);
    void JudgeInterval(std::size_t index, std::vector<TLineEvent>& closed);
    void CompareReadings(std::int64_t poll, std::int64_t timeUtcMs, const ToneBits& bits,
                         std::vector<TLineEvent>& closed);

    // --- data ----------------------------------------------------------------------------------
    std::int64_t fNextPoll = 0;
    std::int64_t fPreviousTimeUtcMs = 0;
    TRun fNoReply;
    TRun fLineDown;
    // The last reading: its poll, time, bits and whether they were all 0.
    bool fHasReading = false;
    std::int64_t fReadingPoll = 0;
    std::int64_t fReadingTimeUtcMs = 0;
    ToneBits fReadingBits{};
    bool fReadingAllZero = false;
    // Positive intervals: up to GapNeighbours judged ones, then those waiting
    // for their later neighbours (from fFirstUnjudged on).
    std::deque<TInterval> fIntervals;
    std::size_t fFirstUnjudged = 0;
};

// All events of one host's polls in time order, oldest first (by start time,
// then by first poll, then in the order they closed).
std::vector<TLineEvent> LineEvents(const std::vector<TLinePoll>& polls);
// The same order for events collected from a TLineEventFinder.
void SortLineEvents(std::vector<TLineEvent>& events);
