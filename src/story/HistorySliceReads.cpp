#include "story/HistorySliceReads.h"

#include "history/ToneChangeCounter.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr std::int64_t Hour = 3600000;
// The first slice spans an hour; the next ones are sized from what the
// previous one held, between a millisecond and thirty days.
constexpr std::int64_t FirstSliceMs = Hour;
constexpr std::int64_t LongestSliceMs = 30 * 24 * Hour;

// Visits the period in slices [since, until) from the newest poll back to
// the oldest. visit reads one slice, sets how many polls it held and answers
// false when reading failed. False when a read failed or cancelled said stop.
template <class TVisit>
bool ForEachSliceNewestFirst(THistoryStore& store, const THistoryFilter& filter, const THistoryReadCancelled& cancelled,
                             TVisit visit)
{
    constexpr std::int64_t Lowest = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t Highest = std::numeric_limits<std::int64_t>::max();
    bool bounded = filter.HasUntil;
    std::int64_t upper = filter.UntilUtcMs;
    std::int64_t span = FirstSliceMs;
    std::vector<THistorySummary> newest;
    while (true) {
        if (cancelled && cancelled())
            return false;
        // The newest poll of the period below the slices read so far; polls
        // kept while the read goes on are newer and stay out.
        const THistoryPageKey below{upper, 0};
        if (!store.ReadPage(filter, bounded ? &below : nullptr, 1, newest))
            return false;
        if (newest.empty())
            return true;
        const std::int64_t time = newest.front().TimeUtcMs;
        // Up to and with that poll (a poll at the very end of time has no
        // bound above it to stop at).
        const bool capped = time != Highest;
        const std::int64_t until = capped ? time + 1 : Highest;
        std::int64_t since = until < Lowest + span ? Lowest : until - span;
        if (filter.HasSince)
            since = std::max(since, filter.SinceUtcMs);
        std::int64_t polls = 0;
        if (!visit(THistoryFilter{true, since, capped, until}, polls))
            return false;
        // Aim the next slice at HistorySlicePolls polls at this density.
        const double scaled =
            static_cast<double>(span) * HistorySlicePolls / static_cast<double>(std::max<std::int64_t>(polls, 1));
        span = static_cast<std::int64_t>(std::clamp(scaled, 1.0, static_cast<double>(LongestSliceMs)));
        if (since == Lowest || (filter.HasSince && since <= filter.SinceUtcMs))
            return true;
        upper = since;
        bounded = true;
    }
}

}  // namespace

bool ReadStoredTotalBits(THistoryStore& store, const THistoryFilter& filter, std::vector<TTotalBitsPoint>& points,
                         const THistoryReadProgress& progress, const THistoryReadCancelled& cancelled)
{
    points.clear();
    const std::int64_t total = store.Count(filter);
    if (total < 0)
        return false;
    if (progress)
        progress(0, total);
    std::vector<std::vector<TTotalBitsPoint>> slices;  // newest first
    std::int64_t done = 0;
    const bool read =
        ForEachSliceNewestFirst(store, filter, cancelled, [&](const THistoryFilter& slice, std::int64_t& polls) {
            std::vector<TTotalBitsPoint> part;
            if (!store.ReadTotalBits(slice, part))
                return false;
            polls = static_cast<std::int64_t>(part.size());
            done += polls;
            slices.push_back(std::move(part));
            if (progress)
                progress(done, std::max(total, done));
            return true;
        });
    if (!read)
        return false;
    points.reserve(static_cast<std::size_t>(done));
    for (auto slice = slices.rbegin(); slice != slices.rend(); ++slice)
        points.insert(points.end(), slice->begin(), slice->end());
    return true;
}

bool CountStoredToneChanges(THistoryStore& store, const THistoryFilter& filter,
                            std::vector<std::int64_t>& changesPerTone, const THistoryReadProgress& progress,
                            const THistoryReadCancelled& cancelled, std::int64_t* refused,
                            const THistoryStore::TRecordVisitor& visit)
{
    changesPerTone.assign(ToneCount, 0);
    if (refused)
        *refused = 0;
    const std::int64_t total = store.Count(filter);
    if (total < 0)
        return false;
    if (progress)
        progress(0, total);
    // Slices come newest first, each oldest first inside: the changes inside
    // each slice are counted on their own, and those between two slices
    // compare the last captured poll of the older one with the first of the
    // newer one (the nearest newer slice that has a captured poll).
    bool haveNewer = false;
    ToneBits newerFirst{};
    std::int64_t done = 0;
    std::int64_t left = 0;
    const bool read =
        ForEachSliceNewestFirst(store, filter, cancelled, [&](const THistoryFilter& slice, std::int64_t& polls) {
            TToneChangeCounter counter;
            ToneBits first{};
            ToneBits last{};
            polls = 0;
            const bool ok = store.ForEachRecord(
                slice,
                [&](const THistoryRecord& record) {
                    ++polls;
                    if (visit)
                        visit(record);
                    if (!record.Outcome.Captured)
                        return;
                    if (counter.CapturedPolls() == 0)
                        first = record.Bits;
                    last = record.Bits;
                    counter.Add(true, record.Bits);
                },
                [&](std::int64_t, std::int64_t, const std::string&) {
                    ++polls;
                    ++left;
                });
            if (!ok)
                return false;
            const ToneChangeCounts& inside = counter.Counts();
            for (int tone = 0; tone < ToneCount; ++tone)
                changesPerTone[static_cast<std::size_t>(tone)] += inside[static_cast<std::size_t>(tone)];
            if (counter.CapturedPolls() > 0) {
                if (haveNewer)
                    for (int tone = 0; tone < ToneCount; ++tone)
                        if (last[static_cast<std::size_t>(tone)] != newerFirst[static_cast<std::size_t>(tone)])
                            ++changesPerTone[static_cast<std::size_t>(tone)];
                newerFirst = first;
                haveNewer = true;
            }
            done += polls;
            if (progress)
                progress(done, std::max(total, done));
            return true;
        });
    if (refused)
        *refused = left;
    return read;
}
