#include "story/TimeAxis.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

// Wide enough for a time difference times a pixel length.
__extension__ typedef __int128 TWide;

constexpr std::int64_t Second = 1000;
constexpr std::int64_t Minute = 60 * Second;
constexpr std::int64_t Hour = 60 * Minute;
constexpr std::int64_t Day = 24 * Hour;

// How the ticks of a step are placed: at round local times within a day,
// or at local midnights of days, weeks (Mondays), months or years.
enum class TStepUnit { suTime, suDays, suWeeks, suMonths, suYears };
// How the labels of a step read.
enum class TLabelForm { lfSeconds, lfMinutes, lfWeekday, lfDayMonth, lfMonthYear, lfYear };

struct TTimeStep {
    TStepUnit Unit;
    std::int64_t Count;  // milliseconds for suTime, else days / weeks / months / years
    TLabelForm Form;
    std::int64_t ApproxMs;
};

constexpr std::array<TTimeStep, 32> Steps{{
    {TStepUnit::suTime, 1 * Second, TLabelForm::lfSeconds, 1 * Second},
    {TStepUnit::suTime, 2 * Second, TLabelForm::lfSeconds, 2 * Second},
    {TStepUnit::suTime, 5 * Second, TLabelForm::lfSeconds, 5 * Second},
    {TStepUnit::suTime, 10 * Second, TLabelForm::lfSeconds, 10 * Second},
    {TStepUnit::suTime, 15 * Second, TLabelForm::lfSeconds, 15 * Second},
    {TStepUnit::suTime, 30 * Second, TLabelForm::lfSeconds, 30 * Second},
    {TStepUnit::suTime, 1 * Minute, TLabelForm::lfMinutes, 1 * Minute},
    {TStepUnit::suTime, 2 * Minute, TLabelForm::lfMinutes, 2 * Minute},
    {TStepUnit::suTime, 5 * Minute, TLabelForm::lfMinutes, 5 * Minute},
    {TStepUnit::suTime, 10 * Minute, TLabelForm::lfMinutes, 10 * Minute},
    {TStepUnit::suTime, 15 * Minute, TLabelForm::lfMinutes, 15 * Minute},
    {TStepUnit::suTime, 30 * Minute, TLabelForm::lfMinutes, 30 * Minute},
    {TStepUnit::suTime, 1 * Hour, TLabelForm::lfMinutes, 1 * Hour},
    {TStepUnit::suTime, 2 * Hour, TLabelForm::lfMinutes, 2 * Hour},
    {TStepUnit::suTime, 3 * Hour, TLabelForm::lfMinutes, 3 * Hour},
    {TStepUnit::suTime, 6 * Hour, TLabelForm::lfMinutes, 6 * Hour},
    {TStepUnit::suTime, 12 * Hour, TLabelForm::lfMinutes, 12 * Hour},
    {TStepUnit::suDays, 1, TLabelForm::lfWeekday, Day},
    {TStepUnit::suDays, 2, TLabelForm::lfDayMonth, 2 * Day},
    {TStepUnit::suWeeks, 1, TLabelForm::lfDayMonth, 7 * Day},
    {TStepUnit::suMonths, 1, TLabelForm::lfMonthYear, 30 * Day},
    {TStepUnit::suMonths, 3, TLabelForm::lfMonthYear, 91 * Day},
    {TStepUnit::suYears, 1, TLabelForm::lfYear, 365 * Day},
    {TStepUnit::suYears, 2, TLabelForm::lfYear, 2 * 365 * Day},
    {TStepUnit::suYears, 5, TLabelForm::lfYear, 5 * 365 * Day},
    {TStepUnit::suYears, 10, TLabelForm::lfYear, 10 * 365 * Day},
    {TStepUnit::suYears, 20, TLabelForm::lfYear, 20 * 365 * Day},
    {TStepUnit::suYears, 50, TLabelForm::lfYear, 50 * 365 * Day},
    {TStepUnit::suYears, 100, TLabelForm::lfYear, 100 * 365 * Day},
    {TStepUnit::suYears, 1000, TLabelForm::lfYear, 1000 * 365 * Day},
    {TStepUnit::suYears, 10000, TLabelForm::lfYear, 10000 * 365 * Day},
    {TStepUnit::suYears, 100000, TLabelForm::lfYear, 100000 * 365 * Day},
}};

// Times the axis handles as dates: far beyond them nothing is labelled.
constexpr std::int64_t LowestLabelledMs = -30000LL * 365 * Day;
constexpr std::int64_t HighestLabelledMs = 30000LL * 365 * Day;

const QLocale& LabelLocale()
{
    static const QLocale locale(QLocale::English, QLocale::UnitedKingdom);
    return locale;
}

QString LabelText(const QDateTime& local, TLabelForm form)
{
    const QLocale& locale = LabelLocale();
    switch (form) {
    case TLabelForm::lfSeconds:
        return local.toString(QStringLiteral("HH:mm:ss"));
    case TLabelForm::lfMinutes:
        return local.toString(QStringLiteral("HH:mm"));
    case TLabelForm::lfWeekday:
        return locale.toString(local.date(), QStringLiteral("ddd d"));
    case TLabelForm::lfDayMonth:
        return locale.toString(local.date(), QStringLiteral("d MMM"));
    case TLabelForm::lfMonthYear:
        return locale.toString(local.date(), QStringLiteral("MMM yyyy"));
    case TLabelForm::lfYear:
        return QString::number(local.date().year());
    }
    return {};
}

// The widest label a form may give, to skip steps whose labels cannot fit
// without laying them out.
QString WidestSample(TLabelForm form)
{
    switch (form) {
    case TLabelForm::lfSeconds:
        return QStringLiteral("00:00:00");
    case TLabelForm::lfMinutes:
        return QStringLiteral("00:00");
    case TLabelForm::lfWeekday:
        return QStringLiteral("Wed 8");
    case TLabelForm::lfDayMonth:
        return QStringLiteral("8 May");
    case TLabelForm::lfMonthYear:
        return QStringLiteral("May 2026");
    case TLabelForm::lfYear:
        return QStringLiteral("2026");
    }
    return {};
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t OffsetMs(const QTimeZone& zone, std::int64_t utcMs)
{
    return static_cast<std::int64_t>(zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC))) * Second;
}

// The first round local time of step at or after t. Near a change of the
// zone's offset a time rounded in one offset may fall in the other: only a
// time whose own offset made it round counts.
std::int64_t NextRoundTime(std::int64_t t, std::int64_t step, const QTimeZone& zone)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const auto roundUp = [&](std::int64_t offset) { return -FloorDiv(-(t + offset), step) * step - offset; };
        const std::int64_t offset = OffsetMs(zone, t);
        const std::int64_t first = roundUp(offset);
        const std::int64_t there = OffsetMs(zone, first);
        std::int64_t best = there == offset ? first : std::numeric_limits<std::int64_t>::max();
        std::int64_t next = first;
        if (there != offset) {
            const std::int64_t second = roundUp(there);
            if (second >= t && OffsetMs(zone, second) == there)
                best = std::min(best, second);
            next = std::min(next, second);
        }
        if (best != std::numeric_limits<std::int64_t>::max())
            return best;
        t = std::max(t, next) + 1;
    }
    return -FloorDiv(-(t + OffsetMs(zone, t)), step) * step - OffsetMs(zone, t);
}

std::int64_t LocalMidnight(const QDate& date, const QTimeZone& zone)
{
    return QDateTime(date, QTime(0, 0), zone).toMSecsSinceEpoch();
}

// The tick times of step in [from, to], at most limit + 1 of them (more
// means the step is too fine).
std::vector<std::int64_t> TickTimes(const TTimeStep& step, std::int64_t from, std::int64_t to, const QTimeZone& zone,
                                    std::size_t limit)
{
    std::vector<std::int64_t> times;
    const auto keep = [&](std::int64_t t) {
        if (t >= from && t <= to && (times.empty() || t > times.back()))
            times.push_back(t);
    };
    if (step.Unit == TStepUnit::suTime) {
        std::int64_t t = from;
        while (t <= to && times.size() <= limit) {
            const std::int64_t tick = NextRoundTime(t, step.Count, zone);
            if (tick > to)
                break;
            keep(tick);
            t = tick + 1;
        }
        return times;
    }
    const QDate first = QDateTime::fromMSecsSinceEpoch(from, zone).date();
    QDate date = first;
    switch (step.Unit) {
    case TStepUnit::suDays:
        date = QDate::fromJulianDay(FloorDiv(first.toJulianDay(), step.Count) * step.Count);
        break;
    case TStepUnit::suWeeks:
        date = first.addDays(1 - first.dayOfWeek());
        break;
    case TStepUnit::suMonths:
        date = QDate(first.year(), static_cast<int>((first.month() - 1) / step.Count * step.Count) + 1, 1);
        break;
    default:
        date = QDate(static_cast<int>(FloorDiv(first.year(), step.Count) * step.Count), 1, 1);
        if (!date.isValid())
            date = QDate(first.year(), 1, 1);
        break;
    }
    while (date.isValid() && times.size() <= limit) {
        const std::int64_t t = LocalMidnight(date, zone);
        if (t > to)
            break;
        keep(t);
        switch (step.Unit) {
        case TStepUnit::suDays:
            date = date.addDays(step.Count);
            break;
        case TStepUnit::suWeeks:
            date = date.addDays(7 * step.Count);
            break;
        case TStepUnit::suMonths:
            date = date.addMonths(static_cast<int>(step.Count));
            break;
        default: {
            const int year = date.year() + static_cast<int>(step.Count);
            date = QDate(year == 0 ? 1 : year, 1, 1);
            break;
        }
        }
    }
    return times;
}

// The ticks of times laid out, or none when two labels would come closer
// than minGapPx.
std::vector<TTimeTick> Place(const std::vector<std::int64_t>& times, const TTimeStep& step, std::int64_t from,
                             std::int64_t to, int lengthPx, const std::function<int(const QString&)>& extentOf,
                             const QTimeZone& zone, int minGapPx)
{
    std::vector<TTimeTick> ticks;
    ticks.reserve(times.size());
    int previousEnd = std::numeric_limits<int>::min();
    QDate previousDate;
    for (const std::int64_t t : times) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(t, zone);
        TTimeTick tick;
        tick.TimeUtcMs = t;
        tick.Position = std::clamp(TimeToPosition(t, from, to, lengthPx), 0, lengthPx);
        // Where the day changes on an axis within days, the label names the day.
        const bool newDay = previousDate.isValid() && local.date() != previousDate;
        const bool midnight = local.time() == QTime(0, 0);
        tick.Major =
            step.Unit == TStepUnit::suTime
                ? (newDay || midnight)
                : (step.Unit == TStepUnit::suYears || (step.Unit == TStepUnit::suMonths && local.date().month() == 1) ||
                   (step.Unit != TStepUnit::suMonths && local.date().day() == 1));
        tick.Text = step.Unit == TStepUnit::suTime && (newDay || midnight) ? LabelText(local, TLabelForm::lfWeekday)
                                                                           : LabelText(local, step.Form);
        previousDate = local.date();
        const int extent = std::max(0, extentOf(tick.Text));
        if (extent > lengthPx)
            return {};
        const int start = std::clamp(tick.Position - extent / 2, 0, lengthPx - extent);
        if (previousEnd != std::numeric_limits<int>::min() && start < previousEnd + minGapPx)
            return {};
        previousEnd = start + extent;
        ticks.push_back(std::move(tick));
    }
    return ticks;
}

}  // namespace

std::vector<TTimeTick> LayOutTimeTicks(std::int64_t fromUtcMs, std::int64_t toUtcMs, int lengthPx,
                                       const std::function<int(const QString&)>& extentOf, const QTimeZone& zone,
                                       int minGapPx)
{
    if (toUtcMs < fromUtcMs || lengthPx <= 0 || !extentOf)
        return {};
    const QTimeZone& used = zone.isValid() ? zone : QTimeZone(QTimeZone::utc());
    minGapPx = std::max(0, minGapPx);
    const std::int64_t from = std::clamp(fromUtcMs, LowestLabelledMs, HighestLabelledMs);
    const std::int64_t to = std::clamp(toUtcMs, LowestLabelledMs, HighestLabelledMs);
    const double span = static_cast<double>(to - from);
    if (to > from) {
        for (const TTimeStep& step : Steps) {
            const int sample = std::max(1, extentOf(WidestSample(step.Form)));
            // Labels the axis has room for, at most.
            const double room = static_cast<double>(lengthPx + minGapPx) / static_cast<double>(sample + minGapPx);
            if (span / static_cast<double>(step.ApproxMs) > room + 1)
                continue;
            const auto limit = static_cast<std::size_t>(room) + 2;
            const std::vector<std::int64_t> times = TickTimes(step, from, to, used, limit);
            if (times.size() > limit || times.empty())
                continue;
            std::vector<TTimeTick> ticks = Place(times, step, fromUtcMs, toUtcMs, lengthPx, extentOf, used, minGapPx);
            if (!ticks.empty())
                return ticks;
        }
    }
    // No step gives a label inside the span (or there is no span): one label
    // at its start, if it fits.
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(from, used);
    TTimeTick tick{from, 0, LabelText(local, TLabelForm::lfMinutes), false};
    if (extentOf(tick.Text) > lengthPx)
        return {};
    return {tick};
}

int TimeToPosition(std::int64_t t, std::int64_t from, std::int64_t to, int lengthPx)
{
    if (to <= from || lengthPx <= 0)
        return 0;
    const TWide offset = static_cast<TWide>(t) - from;
    const TWide span = static_cast<TWide>(to) - from;
    TWide scaled = offset * lengthPx;
    // Rounded down, for times before from as well.
    TWide position = scaled / span;
    if (scaled % span != 0 && scaled < 0)
        --position;
    constexpr TWide Limit = std::numeric_limits<int>::max() / 2;
    return static_cast<int>(std::clamp<TWide>(position, -Limit, Limit));
}

std::int64_t PositionToTime(int pos, std::int64_t from, std::int64_t to, int lengthPx)
{
    if (to <= from || lengthPx <= 0)
        return from;
    const TWide span = static_cast<TWide>(to) - from;
    const TWide scaled = static_cast<TWide>(pos) * span;
    // Rounded up: the first time whose position is pos.
    TWide offset = scaled / lengthPx;
    if (scaled % lengthPx != 0 && scaled > 0)
        ++offset;
    const TWide t = static_cast<TWide>(from) + offset;
    return static_cast<std::int64_t>(
        std::clamp<TWide>(t, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()));
}
