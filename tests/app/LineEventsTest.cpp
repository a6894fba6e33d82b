// The line events on small generated histories: each rule with its edges
// (runs at the ends of the history and of the band, thresholds one tone
// either side, intervals one millisecond either side), and the same events
// whether the polls come one at a time or all at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/LineEvents.h"

namespace {

// 2024-05-01T03:00:00Z.
constexpr std::int64_t T0 = 1714532400000LL;

// A line in sync: every tone carries 2 to 6 bits.
ToneBits InSync()
{
    ToneBits bits{};
    for (int tone = 0; tone < ToneCount; ++tone)
        bits[tone] = 2 + tone % 5;
    return bits;
}

// Tones first..last set to value.
ToneBits With(ToneBits bits, int first, int last, int value)
{
    for (int tone = first; tone <= last; ++tone)
        bits[tone] = value;
    return bits;
}

TLinePoll Reading(const ToneBits& bits, std::int64_t timeUtcMs)
{
    TLinePoll poll;
    poll.TimeUtcMs = timeUtcMs;
    poll.Reading = true;
    poll.Bits = bits;
    return poll;
}

TLinePoll Failed(const std::string& reason, std::int64_t timeUtcMs)
{
    TLinePoll poll;
    poll.TimeUtcMs = timeUtcMs;
    poll.Reason = reason;
    return poll;
}

// Polls one minute apart.
class TMinutes {
public:
    TMinutes& Read(const ToneBits& bits) { return Add(Reading(bits, Next())); }
    TMinutes& Zero() { return Read(ToneBits{}); }
    TMinutes& Fail(const std::string& reason = "connect failed: 111 Connection refused")
    {
        return Add(Failed(reason, Next()));
    }
    TMinutes& Add(const TLinePoll& poll)
    {
        fPolls.push_back(poll);
        return *this;
    }
    const std::vector<TLinePoll>& Polls() const { return fPolls; }

private:
    std::int64_t Next() const { return T0 + 60000LL * static_cast<std::int64_t>(fPolls.size()); }
    std::vector<TLinePoll> fPolls;
};

// "kind FIRST-LAST[ tones A-B][: detail]" per event, after checking that
// its times are those of its first and last poll.
std::vector<std::string> Describe(const std::vector<TLinePoll>& polls)
{
    std::vector<std::string> lines;
    for (const TLineEvent& e : LineEvents(polls)) {
        EXPECT_EQ(e.StartUtcMs, polls.at(e.FirstPoll).TimeUtcMs);
        EXPECT_EQ(e.EndUtcMs, polls.at(e.LastPoll).TimeUtcMs);
        std::string line =
            LineEventKindName(e.Kind) + " " + std::to_string(e.FirstPoll) + "-" + std::to_string(e.LastPoll);
        if (e.FirstTone >= 0)
            line += " tones " + std::to_string(e.FirstTone) + "-" + std::to_string(e.LastTone);
        if (!LineEventDetail(e).empty())
            line += ": " + LineEventDetail(e);
        lines.push_back(line);
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineEvents, RunsOfFailedPollsAndOfAllZeroReadings)
{
    // Nothing, or one poll of each sort.
    EXPECT_EQ(Describe({}), Lines{});
    EXPECT_EQ(Describe(TMinutes().Read(InSync()).Polls()), Lines{});
    EXPECT_EQ(Describe(TMinutes().Fail("x").Polls()), Lines{"no-reply 0-0: x"});
    EXPECT_EQ(Describe(TMinutes().Zero().Polls()), Lines{"line-down 0-0"});

    // A no-reply run keeps its first poll's reason; one open at the end is closed.
    EXPECT_EQ(Describe(TMinutes().Read(InSync()).Fail("first").Fail("second").Read(InSync()).Fail("last").Polls()),
              (Lines{"no-reply 1-2: first", "no-reply 4-4: last"}));

    // Line-down at the very start and at the very end; the first reading with
    // bits after it is a resync from the last all-zero reading.
    EXPECT_EQ(Describe(TMinutes().Zero().Zero().Read(InSync()).Read(InSync()).Zero().Zero().Polls()),
              (Lines{"line-down 0-1", "resync 1-2: in sync again after line-down, 513 tones loaded", "line-down 4-5"}));

    // A failed poll ends a line-down run; the resync still comes on the first
    // reading with bits, across the failures, and starts at the last all-zero reading.
    EXPECT_EQ(Describe(TMinutes().Read(InSync()).Zero().Fail("gone").Zero().Fail("gone").Read(InSync()).Polls()),
              (Lines{"line-down 1-1", "no-reply 2-2: gone", "line-down 3-3",
                     "resync 3-5: in sync again after line-down, 513 tones loaded", "no-reply 4-4: gone"}));
}

TEST(LineEvents, ResyncNeedsTwentyTonesAndTenPercentOfTheTonesLoadedInEither)
{
    const ToneBits all = InSync();  // 513 tones loaded: 10 % is 51.3, so 52 tones
    EXPECT_EQ(Describe(TMinutes().Read(all).Read(With(all, 0, 50, 1)).Polls()), Lines{});
    EXPECT_EQ(Describe(TMinutes().Read(all).Read(With(all, 0, 51, 1)).Polls()),
              Lines{"resync 0-1: 52 tones changed (of 513 loaded)"});

    // A thin line of 100 tones: the floor of 20 tones rules.
    const ToneBits thin = With(ToneBits{}, 100, 199, 3);
    EXPECT_EQ(Describe(TMinutes().Read(thin).Read(With(thin, 100, 118, 5)).Polls()), Lines{});
    EXPECT_EQ(Describe(TMinutes().Read(thin).Read(With(thin, 100, 119, 5)).Polls()),
              Lines{"resync 0-1: 20 tones changed (of 100 loaded)"});

    // Tones 0..399 then 20..419: 400 loaded in each, 420 in either. 41 changed
    // tones (20 lost, 20 regained, one changed value) are under 10 % of 420:
    // the runs are events instead. With 42 it is a resync, and no run is.
    const ToneBits before = With(ToneBits{}, 0, 399, 4);
    const ToneBits after = With(With(ToneBits{}, 20, 419, 4), 200, 200, 5);
    EXPECT_EQ(
        Describe(TMinutes().Read(before).Read(after).Polls()),
        (Lines{"tones-lost 0-1 tones 0-19: 20 tones, 80 bits", "tones-regained 0-1 tones 400-419: 20 tones, 80 bits"}));
    EXPECT_EQ(Describe(TMinutes().Read(before).Read(With(after, 300, 300, 5)).Polls()),
              Lines{"resync 0-1: 42 tones changed (of 420 loaded)"});

    // Right after a no-reply run: compared with the reading before the run.
    EXPECT_EQ(Describe(TMinutes().Read(all).Fail("reboot").Fail("reboot").Read(With(all, 0, 99, 0)).Polls()),
              (Lines{"resync 0-3: 100 tones changed (of 513 loaded)", "no-reply 1-2: reboot"}));
}

TEST(LineEvents, RunsOfAtLeastThreeTonesLostOrRegained)
{
    // Tones 100..104 and 203..205 carry nothing before.
    const ToneBits before = With(With(InSync(), 100, 104, 0), 203, 205, 0);
    ToneBits after = before;
    after = With(after, 0, 2, 0);      // lost at the bottom of the band
    after = With(after, 510, 512, 0);  // and at the top
    after = With(after, 50, 51, 0);    // two tones: not an event
    after = With(after, 60, 60, 0);    // one tone: a bit swap
    after = With(after, 100, 104, 1);  // regained
    after = With(after, 200, 202, 0);  // lost, then regained next to it
    after = With(after, 203, 205, 2);
    after = With(after, 300, 310, 1);  // fewer bits, still loaded: not lost
    const Lines expected{
        "tones-lost 0-1 tones 0-2: 3 tones, 9 bits", "tones-regained 0-1 tones 100-104: 5 tones, 5 bits",
        "tones-lost 0-1 tones 200-202: 3 tones, 9 bits", "tones-regained 0-1 tones 203-205: 3 tones, 6 bits",
        "tones-lost 0-1 tones 510-512: 3 tones, 9 bits"};
    EXPECT_EQ(Describe(TMinutes().Read(before).Read(after).Polls()), expected);

    // Across failed polls the readings on either side are compared; back again is regained.
    EXPECT_EQ(Describe(TMinutes().Read(InSync()).Fail("x").Read(With(InSync(), 0, 2, 0)).Read(InSync()).Polls()),
              (Lines{"tones-lost 0-2 tones 0-2: 3 tones, 9 bits", "no-reply 1-1: x",
                     "tones-regained 2-3 tones 0-2: 3 tones, 9 bits"}));
}

TEST(LineEvents, GapsAgainstTheMedianOfTheNeighbouringIntervals)
{
    // Polls at the given seconds after T0, all readings of the same table.
    const auto at = [](const std::vector<double>& seconds) {
        std::vector<TLinePoll> polls;
        for (double s : seconds)
            polls.push_back(Reading(InSync(), T0 + std::llround(s * 1000)));
        return polls;
    };
    const auto minutes = [](int count, double from) {
        std::vector<double> s;
        for (int i = 0; i < count; ++i)
            s.push_back(from + 60.0 * i);
        return s;
    };
    const auto join = [](std::vector<double> a, const std::vector<double>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };

    // One a minute: 180 s is no gap, 180.001 s is.
    EXPECT_EQ(Describe(at(join(minutes(10, 0), minutes(10, 540 + 180)))), Lines{});
    EXPECT_EQ(Describe(at(join(minutes(10, 0), minutes(10, 540 + 180.001)))),
              Lines{"gap 9-10: 180.001 s without a poll (usual interval 60 s)"});

    // Too few neighbours (fewer than 3): against 180 s, so over 540 s.
    EXPECT_EQ(Describe(at({0, 540})), Lines{});
    EXPECT_EQ(Describe(at({0, 541.5})), Lines{"gap 0-1: 541.5 s without a poll (usual interval 180 s)"});
    EXPECT_EQ(Describe(at({0, 60, 120, 700})), Lines{"gap 2-3: 580 s without a poll (usual interval 180 s)"});
    EXPECT_EQ(Describe(at({0, 60, 120, 180, 700})), Lines{"gap 3-4: 520 s without a poll (usual interval 60 s)"});

    // An even number of neighbours: the mean of the middle two, (60 + 120) / 2.
    EXPECT_EQ(Describe(at({0, 60, 120, 180, 240, 1140, 1260, 1380, 1500, 1620})),
              Lines{"gap 4-5: 900 s without a poll (usual interval 90 s)"});

    // Only up to 8 intervals either side count: 40 one-minute intervals long
    // before do not make 1500 s a gap among intervals of 600 s.
    std::vector<double> slower = minutes(40, 0);
    for (double step : {600, 600, 600, 600, 600, 600, 600, 600, 1500, 600, 600, 600, 600, 600, 600, 600, 600})
        slower.push_back(slower.back() + step);
    EXPECT_EQ(Describe(at(slower)), Lines{});
    slower.push_back(slower.back() + 1801);
    EXPECT_EQ(Describe(at(slower)), Lines{"gap 56-57: 1801 s without a poll (usual interval 600 s)"});

    // Polling every 5 minutes instead of every minute is not a gap.
    EXPECT_EQ(Describe(at(join(minutes(20, 0),
                               [] {
                                   std::vector<double> s;
                                   for (int i = 1; i <= 20; ++i)
                                       s.push_back(1140 + 300.0 * i);
                                   return s;
                               }()))),
              Lines{});

    // Polls at the same time are not intervals: they neither make a gap nor
    // bring the usual interval down to nothing.
    EXPECT_EQ(Describe(at({0, 0, 0, 60, 60, 60, 120, 120, 180, 180, 240})), Lines{});

    // A gap inside a no-reply run leaves the run whole.
    TMinutes run;
    run.Read(InSync()).Fail("down").Fail("down");
    run.Add(Failed("down", T0 + 3600000)).Add(Reading(InSync(), T0 + 3660000));
    EXPECT_EQ(Describe(run.Polls()),
              (Lines{"no-reply 1-3: down", "gap 2-3: 3480 s without a poll (usual interval 60 s)"}));
}

// A history with every kind of event, from a fixed seed.
std::vector<TLinePoll> MixedHistory(int count)
{
    std::vector<TLinePoll> polls;
    std::uint32_t seed = 12345;
    const auto next = [&seed](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    std::int64_t time = T0;
    ToneBits bits = InSync();
    for (int i = 0; i < count; ++i) {
        const std::uint32_t roll = next(100);
        time += roll == 0 ? 3600000 : roll == 1 ? 0 : 60000 + static_cast<std::int64_t>(next(2000));
        if (roll < 6) {
            polls.push_back(Failed("reason " + std::to_string(roll), time));
            continue;
        }
        if (roll < 9)
            bits = ToneBits{};
        else if (roll < 12)
            bits = With(InSync(), static_cast<int>(next(400)), 450, static_cast<int>(next(3)));
        else if (roll < 30) {
            const int first = static_cast<int>(next(ToneCount));
            bits = With(bits, first, std::min(ToneCount - 1, first + static_cast<int>(next(6))),
                        static_cast<int>(next(2)));
        }
        polls.push_back(Reading(bits, time));
    }
    return polls;
}

TEST(LineEvents, OnePollAtATimeGivesTheSameEventsAsAllAtOnce)
{
    const std::vector<TLinePoll> polls = MixedHistory(3000);
    const std::vector<TLineEvent> batch = LineEvents(polls);
    for (TLineEventKind kind : {TLineEventKind::lekNoReply, TLineEventKind::lekLineDown, TLineEventKind::lekResync,
                                TLineEventKind::lekTonesLost, TLineEventKind::lekTonesRegained, TLineEventKind::lekGap})
        EXPECT_TRUE(std::any_of(batch.begin(), batch.end(), [&](const TLineEvent& e) { return e.Kind == kind; }))
            << LineEventKindName(kind);

    // Fed one at a time, each event comes out when a poll closes it, refers
    // to no poll not yet fed, and is never taken back: sorted, they are the batch.
    TLineEventFinder finder;
    std::vector<TLineEvent> incremental;
    for (std::size_t i = 0; i < polls.size(); ++i) {
        const std::size_t before = incremental.size();
        finder.Add(polls[i], incremental);
        for (std::size_t k = before; k < incremental.size(); ++k)
            ASSERT_LE(incremental[k].LastPoll, std::int64_t(i));
        // A gap comes out with the 8th interval after it (polls at the same time make none).
        for (std::size_t k = before; k < incremental.size(); ++k) {
            if (incremental[k].Kind != TLineEventKind::lekGap)
                continue;
            int later = 0;
            for (std::size_t j = static_cast<std::size_t>(incremental[k].LastPoll) + 1; j <= i; ++j)
                later += polls[j].TimeUtcMs > polls[j - 1].TimeUtcMs;
            ASSERT_EQ(later, 8);
        }
    }
    finder.Finish(incremental);
    SortLineEvents(incremental);
    EXPECT_EQ(incremental, batch);

    // Finish starts afresh: the same finder gives the same events again.
    std::vector<TLineEvent> again;
    for (const TLinePoll& poll : polls)
        finder.Add(poll, again);
    finder.Finish(again);
    SortLineEvents(again);
    EXPECT_EQ(again, batch);

    // The gaps against the whole-history rule computed directly.
    std::vector<std::pair<std::size_t, std::int64_t>> intervals;  // (later poll, length)
    for (std::size_t i = 1; i < polls.size(); ++i)
        if (polls[i].TimeUtcMs > polls[i - 1].TimeUtcMs)
            intervals.emplace_back(i, polls[i].TimeUtcMs - polls[i - 1].TimeUtcMs);
    std::vector<std::int64_t> expectedGaps, foundGaps;
    for (std::size_t k = 0; k < intervals.size(); ++k) {
        std::vector<std::int64_t> near;
        for (std::size_t j = k >= 8 ? k - 8 : 0; j < std::min(intervals.size(), k + 9); ++j)
            if (j != k)
                near.push_back(intervals[j].second);
        std::sort(near.begin(), near.end());
        const std::size_t n = near.size();
        const std::int64_t usual = n < 3 ? 180000 : n % 2 ? near[n / 2] : (near[n / 2 - 1] + near[n / 2]) / 2;
        if (intervals[k].second > 3 * usual)
            expectedGaps.push_back(static_cast<std::int64_t>(intervals[k].first));
    }
    for (const TLineEvent& e : batch)
        if (e.Kind == TLineEventKind::lekGap)
            foundGaps.push_back(e.LastPoll);
    EXPECT_EQ(foundGaps, expectedGaps);
    EXPECT_FALSE(expectedGaps.empty());
}

}  // namespace
