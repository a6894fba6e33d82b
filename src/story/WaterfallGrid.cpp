#include "story/WaterfallGrid.h"
#include "text/QtText.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr std::int64_t Second = 1000;
constexpr std::int64_t Minute = 60 * Second;
constexpr std::int64_t Hour = 60 * Minute;
constexpr std::int64_t Day = 24 * Hour;

// Each divides the next; beyond the last, tenfold steps.
constexpr std::array<std::int64_t, 16> Chain{
    1 * Second, 5 * Second, 15 * Second, 30 * Second, 1 * Minute, 5 * Minute, 15 * Minute, 30 * Minute,
    1 * Hour,   3 * Hour,   6 * Hour,    12 * Hour,   1 * Day,    7 * Day,    28 * Day,    364 * Day,
};

constexpr std::int64_t LongestTimeMs = std::int64_t{1} << 60;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Aligned rows of duration from `from` to `to`, both included.
std::int64_t RowsCovering(std::int64_t from, std::int64_t to, std::int64_t duration)
{
    return FloorDiv(to, duration) - FloorDiv(from, duration) + 1;
}

}  // namespace

std::int64_t WaterfallRowDurationAtLeast(std::int64_t ms)
{
    for (const std::int64_t duration : Chain)
        if (duration >= ms)
            return duration;
    std::int64_t duration = Chain.back();
    while (duration < ms && duration <= std::numeric_limits<std::int64_t>::max() / 10)
        duration *= 10;
    return duration;
}

std::int64_t WaterfallRowDurationFor(std::int64_t fromUtcMs, std::int64_t toUtcMs, int maxRows)
{
    maxRows = std::max(1, maxRows);
    if (toUtcMs < fromUtcMs)
        std::swap(fromUtcMs, toUtcMs);
    for (const std::int64_t duration : Chain)
        if (RowsCovering(fromUtcMs, toUtcMs, duration) <= maxRows)
            return duration;
    std::int64_t duration = Chain.back();
    while (RowsCovering(fromUtcMs, toUtcMs, duration) > maxRows &&
           duration <= std::numeric_limits<std::int64_t>::max() / 10)
        duration *= 10;
    return duration;
}

QString WaterfallDurationText(std::int64_t ms)
{
    if (ms < Minute)
        return QStringLiteral("%1 s").arg(ms / Second);
    if (ms < Hour)
        return QStringLiteral("%1 min").arg(ms / Minute);
    if (ms < Day)
        return QStringLiteral("%1 h").arg(ms / Hour);
    const std::int64_t days = ms / Day;
    return days == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(days);
}

int TWaterfallGrid::RowAt(std::int64_t t) const
{
    if (fRows.empty() || fRowDurationMs <= 0)
        return -1;
    const std::int64_t index = FloorDiv(t, fRowDurationMs) - FloorDiv(fRows.front().StartUtcMs, fRowDurationMs);
    if (index < 0 || index >= static_cast<std::int64_t>(fRows.size()))
        return -1;
    return static_cast<int>(index);
}

QString TWaterfallGrid::RowNote() const
{
    return QStringFromUtf8(design::WaterfallRowNoteLead) + WaterfallDurationText(fRowDurationMs) +
           QStringFromUtf8(design::WaterfallRowNoteTail);
}

TWaterfallGrid TWaterfallGrid::Combined(int maxRows) const
{
    maxRows = std::max(1, maxRows);
    if (static_cast<int>(fRows.size()) <= maxRows || fRowDurationMs <= 0)
        return *this;
    const std::int64_t firstStart = fRows.front().StartUtcMs;
    const std::int64_t lastStart = fRows.back().StartUtcMs;
    std::int64_t duration = WaterfallRowDurationFor(firstStart, lastStart, maxRows);
    // Stay in the chain above the rows' own duration, so that no row is split.
    while (duration % fRowDurationMs != 0 || duration < fRowDurationMs)
        duration = WaterfallRowDurationAtLeast(duration + 1);
    TWaterfallGrid combined;
    combined.fRowDurationMs = duration;
    combined.fFromUtcMs = fFromUtcMs;
    combined.fToUtcMs = fToUtcMs;
    combined.fPolls = fPolls;
    const std::int64_t base = FloorDiv(firstStart, duration);
    const auto count = static_cast<std::size_t>(FloorDiv(lastStart, duration) - base + 1);
    combined.fRows.resize(count);
    // Per merged row: whether it holds readings, failed polls, or only rows
    // that show the line as last seen (their readings and failures).
    struct TState {
        bool Reading = false, Failed = false, CarriedReading = false, CarriedFailed = false;
    };
    std::vector<TState> states(count);
    for (std::size_t index = 0; index < count; ++index) {
        TWaterfallRow& row = combined.fRows[index];
        row.StartUtcMs = (base + static_cast<std::int64_t>(index)) * duration;
        row.EndUtcMs = row.StartUtcMs + duration;
        row.Bits.fill(255);
    }
    const auto lowest = [](TWaterfallRow& into, const TWaterfallRow& from) {
        for (std::size_t tone = 0; tone < into.Bits.size(); ++tone)
            into.Bits[tone] = std::min(into.Bits[tone], from.Bits[tone]);
    };
    // First the rows with polls, then, into merged rows that have none, the
    // rows that carry the line as last seen.
    for (const bool carried : {false, true}) {
        for (const TWaterfallRow& row : fRows) {
            const auto index = static_cast<std::size_t>(FloorDiv(row.StartUtcMs, duration) - base);
            TWaterfallRow& into = combined.fRows[index];
            TState& state = states[index];
            if (!carried && row.Polls > 0) {
                into.Polls += row.Polls;
                into.Readings += row.Readings;
                if (into.FirstId == 0)
                    into.FirstId = row.FirstId;
                into.LastId = row.LastId;
                if (row.Readings > 0) {
                    state.Reading = true;
                    lowest(into, row);
                } else {
                    state.Failed = true;
                }
            } else if (carried && row.Polls == 0 && into.Polls == 0 && row.Kind != TWaterfallRowKind::wrNoPolls) {
                if (row.Kind == TWaterfallRowKind::wrReading) {
                    state.CarriedReading = true;
                    lowest(into, row);
                } else {
                    state.CarriedFailed = true;
                }
            }
        }
    }
    for (std::size_t index = 0; index < count; ++index) {
        TWaterfallRow& row = combined.fRows[index];
        const TState& state = states[index];
        if (state.Reading || (!state.Failed && state.CarriedReading)) {
            row.Kind = TWaterfallRowKind::wrReading;
        } else {
            row.Kind = state.Failed || state.CarriedFailed ? TWaterfallRowKind::wrFailed : TWaterfallRowKind::wrNoPolls;
            row.Bits.fill(0);
        }
    }
    return combined;
}

TWaterfallBuilder::TWaterfallBuilder(std::int64_t fromUtcMs, std::int64_t toUtcMs, int maxRows)
{
    // Times far beyond any clock (a damaged clock's poll at the end of time)
    // are left out, so that row times stay far from overflowing.
    fromUtcMs = std::clamp(fromUtcMs, -LongestTimeMs, LongestTimeMs);
    toUtcMs = std::clamp(toUtcMs, -LongestTimeMs, LongestTimeMs);
    if (toUtcMs < fromUtcMs)
        return;
    fGrid.fFromUtcMs = fromUtcMs;
    fGrid.fToUtcMs = toUtcMs;
    const std::int64_t duration = WaterfallRowDurationFor(fromUtcMs, toUtcMs, maxRows);
    fGrid.fRowDurationMs = duration;
    const std::int64_t base = FloorDiv(fromUtcMs, duration);
    const auto count = static_cast<std::size_t>(RowsCovering(fromUtcMs, toUtcMs, duration));
    fGrid.fRows.resize(count);
    for (std::size_t index = 0; index < count; ++index) {
        TWaterfallRow& row = fGrid.fRows[index];
        row.StartUtcMs = (base + static_cast<std::int64_t>(index)) * duration;
        row.EndUtcMs = row.StartUtcMs + duration;
        row.Bits.fill(255);
    }
    fFirstTime.assign(count, std::numeric_limits<std::int64_t>::max());
    fLastTime.assign(count, std::numeric_limits<std::int64_t>::min());
}

void TWaterfallBuilder::Add(std::int64_t id, std::int64_t timeUtcMs, bool reading, const ToneBits& bits)
{
    if (fGrid.fRows.empty() || timeUtcMs < fGrid.fFromUtcMs || timeUtcMs > fGrid.fToUtcMs)
        return;
    const int index = fGrid.RowAt(timeUtcMs);
    if (index < 0)
        return;
    const auto at = static_cast<std::size_t>(index);
    TWaterfallRow& row = fGrid.fRows[at];
    ++fGrid.fPolls;
    ++row.Polls;
    // The oldest and newest poll, by time and then by id (polls at one time
    // are in the order they were kept).
    if (timeUtcMs < fFirstTime[at] || (timeUtcMs == fFirstTime[at] && id < row.FirstId)) {
        fFirstTime[at] = timeUtcMs;
        row.FirstId = id;
    }
    if (timeUtcMs > fLastTime[at] || (timeUtcMs == fLastTime[at] && id > row.LastId)) {
        fLastTime[at] = timeUtcMs;
        row.LastId = id;
    }
    if (!reading)
        return;
    ++row.Readings;
    for (std::size_t tone = 0; tone < row.Bits.size(); ++tone) {
        const auto value = static_cast<std::uint8_t>(std::clamp<std::int32_t>(bits[tone], 0, 255));
        row.Bits[tone] = std::min(row.Bits[tone], value);
    }
}

TWaterfallGrid TWaterfallBuilder::Finish(const std::vector<THostLineEvent>& events)
{
    std::vector<TWaterfallRow>& rows = fGrid.fRows;
    const auto count = static_cast<std::int64_t>(rows.size());
    // How many gaps and no-reply runs cover each row (strictly between the
    // rows of their first and their last poll), by differences.
    std::vector<int> gaps(rows.size() + 1, 0);
    std::vector<int> failures(rows.size() + 1, 0);
    for (const THostLineEvent& hostEvent : events) {
        const TLineEvent& event = hostEvent.Event;
        if (event.Kind != TLineEventKind::lekGap && event.Kind != TLineEventKind::lekNoReply)
            continue;
        if (count == 0 || event.EndUtcMs < rows.front().StartUtcMs || event.StartUtcMs >= rows.back().EndUtcMs)
            continue;
        const std::int64_t first =
            std::max<std::int64_t>(0, FloorDiv(event.StartUtcMs, fGrid.fRowDurationMs) -
                                          FloorDiv(rows.front().StartUtcMs, fGrid.fRowDurationMs) +
                                          (event.Kind == TLineEventKind::lekGap ? 1 : 0));
        const std::int64_t last =
            std::min<std::int64_t>(count - 1, FloorDiv(event.EndUtcMs, fGrid.fRowDurationMs) -
                                                  FloorDiv(rows.front().StartUtcMs, fGrid.fRowDurationMs) -
                                                  (event.Kind == TLineEventKind::lekGap ? 1 : 0));
        if (first > last)
            continue;
        std::vector<int>& cover = event.Kind == TLineEventKind::lekGap ? gaps : failures;
        ++cover[static_cast<std::size_t>(first)];
        --cover[static_cast<std::size_t>(last + 1)];
    }
    std::int64_t firstPolled = -1;
    std::int64_t lastPolled = -1;
    for (std::int64_t index = 0; index < count; ++index)
        if (rows[static_cast<std::size_t>(index)].Polls > 0) {
            if (firstPolled < 0)
                firstPolled = index;
            lastPolled = index;
        }
    int inGap = 0;
    int inFailure = 0;
    for (std::int64_t index = 0; index < count; ++index) {
        const auto at = static_cast<std::size_t>(index);
        inGap += gaps[at];
        inFailure += failures[at];
        TWaterfallRow& row = rows[at];
        if (row.Readings > 0) {
            row.Kind = TWaterfallRowKind::wrReading;
            continue;
        }
        if (row.Polls > 0) {
            row.Kind = TWaterfallRowKind::wrFailed;
            row.Bits.fill(0);
            continue;
        }
        row.Bits.fill(0);
        if (firstPolled < 0 || index < firstPolled || index > lastPolled || inGap > 0) {
            row.Kind = TWaterfallRowKind::wrNoPolls;
        } else if (inFailure > 0) {
            row.Kind = TWaterfallRowKind::wrFailed;
        } else {
            // Between two polls: the line as last seen.
            const TWaterfallRow& before = rows[at - 1];
            row.Kind = before.Kind;
            row.Bits = before.Bits;
        }
    }
    fFirstTime.clear();
    fLastTime.clear();
    return std::move(fGrid);
}
