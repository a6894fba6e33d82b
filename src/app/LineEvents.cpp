#include "app/LineEvents.h"

#include <algorithm>

namespace {

// A value of 0 (or less, which no router sends) carries no bits.
bool HasBits(std::int32_t value)
{
    return value > 0;
}

bool AllZero(const ToneBits& bits)
{
    return std::none_of(bits.begin(), bits.end(), [](std::int32_t value) { return HasBits(value); });
}

// "60", "0.5", "1.25": seconds from milliseconds, without trailing zeros.
std::string Seconds(std::int64_t ms)
{
    std::string text = std::to_string(ms / 1000);
    const std::int64_t rest = ms % 1000;
    if (rest == 0)
        return text;
    std::string fraction = std::to_string(1000 + rest).substr(1);
    while (fraction.back() == '0')
        fraction.pop_back();
    return text + "." + fraction;
}

}  // namespace

std::string LineEventKindName(TLineEventKind kind)
{
    switch (kind) {
    case TLineEventKind::lekNoReply:
        return "no-reply";
    case TLineEventKind::lekLineDown:
        return "line-down";
    case TLineEventKind::lekResync:
        return "resync";
    case TLineEventKind::lekTonesLost:
        return "tones-lost";
    case TLineEventKind::lekTonesRegained:
        return "tones-regained";
    case TLineEventKind::lekGap:
        return "gap";
    }
    return "unknown";
}

std::string LineEventDetail(const TLineEvent& event)
{
    switch (event.Kind) {
    case TLineEventKind::lekNoReply:
        return event.Reason;
    case TLineEventKind::lekLineDown:
        return "";
    case TLineEventKind::lekResync:
        if (event.AfterLineDown)
            return "in sync again after line-down, " + std::to_string(event.TonesLoaded) + " tones loaded";
        return std::to_string(event.TonesChanged) + " tones changed (of " + std::to_string(event.TonesLoaded) +
               " loaded)";
    case TLineEventKind::lekTonesLost:
    case TLineEventKind::lekTonesRegained:
        return std::to_string(event.TonesChanged) + " tones, " + std::to_string(event.BitsChanged) + " bits";
    case TLineEventKind::lekGap:
        return Seconds(event.EndUtcMs - event.StartUtcMs) + " s without a poll (usual interval " +
               Seconds(event.UsualIntervalMs) + " s)";
    }
    return "";
}

void TLineEventFinder::Add(const TLinePoll& poll, std::vector<TLineEvent>& closed)
{
    const std::int64_t index = fNextPoll++;
    // Out of order: taken as at the time of the poll before.
    const std::int64_t time = index > 0 ? std::max(poll.TimeUtcMs, fPreviousTimeUtcMs) : poll.TimeUtcMs;
    if (index > 0 && time > fPreviousTimeUtcMs)
        AddInterval({index - 1, index, fPreviousTimeUtcMs, time}, closed);
    fPreviousTimeUtcMs = time;

    if (!poll.Reading) {
        Close(fLineDown, TLineEventKind::lekLineDown, closed);
        Extend(fNoReply, index, time, poll.Reason);
        return;
    }
    Close(fNoReply, TLineEventKind::lekNoReply, closed);
    if (AllZero(poll.Bits)) {
        Extend(fLineDown, index, time, "");
        fReadingAllZero = true;
    } else {
        Close(fLineDown, TLineEventKind::lekLineDown, closed);
        if (fHasReading)
            CompareReadings(index, time, poll.Bits, closed);
        fReadingBits = poll.Bits;
        fReadingAllZero = false;
    }
    fHasReading = true;
    fReadingPoll = index;
    fReadingTimeUtcMs = time;
}

void TLineEventFinder::Finish(std::vector<TLineEvent>& closed)
{
    while (fFirstUnjudged < fIntervals.size())
        JudgeInterval(fFirstUnjudged++, closed);
    Close(fNoReply, TLineEventKind::lekNoReply, closed);
    Close(fLineDown, TLineEventKind::lekLineDown, closed);
    *this = TLineEventFinder();
}

void TLineEventFinder::Extend(TRun& run, std::int64_t poll, std::int64_t timeUtcMs, const std::string& reason)
{
    if (!run.Open) {
        run.Open = true;
        run.FirstPoll = poll;
        run.StartUtcMs = timeUtcMs;
        run.Reason = reason;
    }
    run.LastPoll = poll;
    run.EndUtcMs = timeUtcMs;
}

void TLineEventFinder::Close(TRun& run, TLineEventKind kind, std::vector<TLineEvent>& closed)
{
    if (!run.Open)
        return;
    TLineEvent event;
    event.Kind = kind;
    event.StartUtcMs = run.StartUtcMs;
    event.EndUtcMs = run.EndUtcMs;
    event.FirstPoll = run.FirstPoll;
    event.LastPoll = run.LastPoll;
    event.Reason = std::move(run.Reason);
    closed.push_back(std::move(event));
    run = TRun();
}

void TLineEventFinder::AddInterval(const TInterval& interval, std::vector<TLineEvent>& closed)
{
    fIntervals.push_back(interval);
    // An interval is judged once GapNeighbours later ones are known; the
    // judged ones are kept only as long as they are earlier neighbours.
    while (fIntervals.size() - fFirstUnjudged > static_cast<std::size_t>(GapNeighbours))
        JudgeInterval(fFirstUnjudged++, closed);
    while (fFirstUnjudged > static_cast<std::size_t>(GapNeighbours)) {
        fIntervals.pop_front();
        --fFirstUnjudged;
    }
}

void TLineEventFinder::JudgeInterval(std::size_t index, std::vector<TLineEvent>& closed)
{
    const std::size_t n = static_cast<std::size_t>(GapNeighbours);
    const std::size_t from = index > n ? index - n : 0;
    const std::size_t to = std::min(fIntervals.size(), index + 1 + n);
    std::int64_t lengths[2 * GapNeighbours];
    std::size_t count = 0;
    for (std::size_t i = from; i < to; ++i)
        if (i != index)
            lengths[count++] = fIntervals[i].LengthMs();
    std::int64_t usual = DefaultPollIntervalMs;
    if (count >= static_cast<std::size_t>(GapMinNeighbours)) {
        std::sort(lengths, lengths + count);
        usual = count % 2 ? lengths[count / 2] : (lengths[count / 2 - 1] + lengths[count / 2]) / 2;
    }
    const TInterval& interval = fIntervals[index];
    if (interval.LengthMs() <= GapFactor * usual)
        return;
    TLineEvent event;
    event.Kind = TLineEventKind::lekGap;
    event.StartUtcMs = interval.StartUtcMs;
    event.EndUtcMs = interval.EndUtcMs;
    event.FirstPoll = interval.FirstPoll;
    event.LastPoll = interval.LastPoll;
    event.UsualIntervalMs = usual;
    closed.push_back(std::move(event));
}

void TLineEventFinder::CompareReadings(std::int64_t poll, std::int64_t timeUtcMs, const ToneBits& bits,
                                       std::vector<TLineEvent>& closed)
{
    TLineEvent event;
    event.StartUtcMs = fReadingTimeUtcMs;
    event.EndUtcMs = timeUtcMs;
    event.FirstPoll = fReadingPoll;
    event.LastPoll = poll;
    const ToneBits& before = fReadingBits;
    int changed = 0, loaded = 0, flipped = 0;
    for (int tone = 0; tone < ToneCount; ++tone) {
        changed += bits[tone] != before[tone];
        loaded += HasBits(bits[tone]) || HasBits(before[tone]);
        flipped += HasBits(bits[tone]) != HasBits(before[tone]);
    }
    if (fReadingAllZero || (changed >= ResyncMinTones && changed * 100 >= loaded * ResyncPercentOfLoaded)) {
        event.Kind = TLineEventKind::lekResync;
        event.AfterLineDown = fReadingAllZero;
        event.TonesChanged = changed;
        event.TonesLoaded = loaded;
        closed.push_back(std::move(event));
        return;
    }
    // Runs of tones that lost (or regained) their bits, in tone order.
    if (flipped < MinToneRun)
        return;
    const auto runKind = [&](int tone) {
        if (tone >= ToneCount)
            return 0;
        if (HasBits(before[tone]) && !HasBits(bits[tone]))
            return -1;
        if (!HasBits(before[tone]) && HasBits(bits[tone]))
            return 1;
        return 0;
    };
    int runStart = 0, kind = runKind(0);
    std::int64_t runBits = 0;
    for (int tone = 0; tone <= ToneCount; ++tone) {
        const int now = runKind(tone);
        if (now != kind || tone == ToneCount) {
            if (kind != 0 && tone - runStart >= MinToneRun) {
                TLineEvent run = event;
                run.Kind = kind < 0 ? TLineEventKind::lekTonesLost : TLineEventKind::lekTonesRegained;
                run.FirstTone = runStart;
                run.LastTone = tone - 1;
                run.TonesChanged = tone - runStart;
                run.BitsChanged = runBits;
                closed.push_back(std::move(run));
            }
            kind = now;
            runStart = tone;
            runBits = 0;
        }
        if (now != 0)
            runBits += now < 0 ? before[tone] : bits[tone];
    }
}

void SortLineEvents(std::vector<TLineEvent>& events)
{
    std::stable_sort(events.begin(), events.end(), [](const TLineEvent& a, const TLineEvent& b) {
        if (a.StartUtcMs != b.StartUtcMs)
            return a.StartUtcMs < b.StartUtcMs;
        return a.FirstPoll < b.FirstPoll;
    });
}

std::vector<TLineEvent> LineEvents(const std::vector<TLinePoll>& polls)
{
    std::vector<TLineEvent> events;
    TLineEventFinder finder;
    for (const TLinePoll& poll : polls)
        finder.Add(poll, events);
    finder.Finish(events);
    SortLineEvents(events);
    return events;
}
