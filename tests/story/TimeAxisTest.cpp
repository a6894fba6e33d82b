// The real time axis: labels that never overlap, stay inside the axis and
// come in time order for every width from the history's smallest plot to
// 4K and spans from a minute to a year, in UTC, in a zone half an hour off
// with summer time, and across the end of summer time; round local times
// and day names where the day changes; the time / pixel mapping; degenerate
// and enormous spans.
#include "story/TimeAxis.h"
#include "story/WaterfallView.h"

#include <QDateTime>
#include <QFontMetrics>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <limits>

namespace {

constexpr std::int64_t Second = 1000;
constexpr std::int64_t Minute = 60 * Second;
constexpr std::int64_t Hour = 60 * Minute;
constexpr std::int64_t Day = 24 * Hour;

std::int64_t Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc()).toMSecsSinceEpoch();
}

// Checks the ticks as they are drawn: each label centred on its tick, moved
// inside the axis when it would reach past an end.
void ExpectReadable(const std::vector<TTimeTick>& ticks, int length, const std::function<int(const QString&)>& extentOf,
                    const std::string& where)
{
    int previousEnd = std::numeric_limits<int>::min();
    std::int64_t previousTime = std::numeric_limits<std::int64_t>::min();
    for (const TTimeTick& tick : ticks) {
        const int extent = extentOf(tick.Text);
        ASSERT_GE(tick.Position, 0) << where;
        ASSERT_LE(tick.Position, length) << where;
        ASSERT_LE(extent, length) << where;
        const int start = std::clamp(tick.Position - extent / 2, 0, length - extent);
        if (previousEnd != std::numeric_limits<int>::min()) {
            ASSERT_GE(start, previousEnd + TimeTickMinGapPx) << where << " at " << tick.Text.toStdString();
        }
        ASSERT_GT(tick.TimeUtcMs, previousTime) << where;
        previousEnd = start + extent;
        previousTime = tick.TimeUtcMs;
    }
}

TEST(TimeAxisTest, LabelsNeverOverlapAtAnyWidthSpanOrZone)
{
    const QFontMetrics metrics(StoryFont());
    const auto widthOf = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); };
    const int height = metrics.height();
    const auto heightOf = [height](const QString&) { return height; };
    const std::int64_t start = Utc(2026, 10, 24, 22, 17, 13);  // London's summer time ends on the 25th
    const std::vector<std::int64_t> spans{Minute,  61 * Second, 17 * Minute, Hour,     25 * Hour,
                                          7 * Day, 31 * Day,    365 * Day,   400 * Day};
    const std::vector<QTimeZone> zones{QTimeZone::utc(), QTimeZone("Australia/Adelaide"), QTimeZone("Europe/London")};
    int layouts = 0;
    const auto began = std::chrono::steady_clock::now();
    for (const QTimeZone& zone : zones) {
        ASSERT_TRUE(zone.isValid());
        for (const std::int64_t span : spans) {
            for (int width = design::StoryMinPlotWidth; width <= 3840; width += 7) {
                const std::string where = zone.id().toStdString() + " span " + std::to_string(span / Second) +
                                          " s, width " + std::to_string(width);
                const auto ticks = LayOutTimeTicks(start, start + span, width, widthOf, zone);
                ExpectReadable(ticks, width, widthOf, where);
                ASSERT_GE(ticks.size(), width >= 400 ? 2u : 1u) << where;
                ++layouts;
            }
            // Vertical: the waterfall's time axis, every label as high as the font.
            for (int length = design::StoryMinPlotHeight; length <= 2160; length += 11) {
                const auto ticks = LayOutTimeTicks(start, start + span, length, heightOf, zone);
                ExpectReadable(ticks, length, heightOf, "vertical " + std::to_string(length));
                ASSERT_GE(ticks.size(), length >= 160 ? 2u : 1u) << "vertical " << length << " span " << span;
                ++layouts;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    // Bounded work: each layout is cheap.
    EXPECT_LT(seconds / layouts, 0.002) << layouts << " layouts in " << seconds << " s";
}

TEST(TimeAxisTest, TicksAtRoundLocalTimesNameTheDayWhereItChanges)
{
    const QFontMetrics metrics(StoryFont());
    const auto widthOf = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); };
    // Adelaide is 10:30 ahead of UTC in December: its round hours are at :30 UTC.
    const QTimeZone adelaide("Australia/Adelaide");
    const std::int64_t from = Utc(2026, 12, 7, 5, 10);  // 15:40 local, Monday
    const auto ticks = LayOutTimeTicks(from, from + 24 * Hour, 600, widthOf, adelaide);
    ASSERT_GE(ticks.size(), 4u);
    bool namedTuesday = false;
    for (const TTimeTick& tick : ticks) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(tick.TimeUtcMs, adelaide);
        EXPECT_EQ(local.time().minute(), 0) << tick.Text.toStdString();
        EXPECT_EQ(local.time().second(), 0);
        if (local.time().hour() == 0) {
            EXPECT_EQ(tick.Text, QStringLiteral("Tue 8"));
            EXPECT_TRUE(tick.Major);
            namedTuesday = true;
        } else {
            EXPECT_EQ(tick.Text, local.toString(QStringLiteral("HH:00")));
        }
    }
    EXPECT_TRUE(namedTuesday);
    // Forms of the longer steps.
    const auto first = [&](std::int64_t span, int width) {
        const auto laid = LayOutTimeTicks(Utc(2026, 1, 1, 0, 0, 30), Utc(2026, 1, 1, 0, 0, 30) + span, width, widthOf,
                                          QTimeZone::utc());
        return laid.empty() ? QString() : laid.back().Text;
    };
    EXPECT_EQ(first(Minute, 400).size(), 8) << first(Minute, 400).toStdString();  // "00:01:30"
    EXPECT_EQ(first(90 * Day, 300), QStringLiteral("Apr 2026"));
    EXPECT_EQ(first(8 * 365 * Day, 300).size(), 4);  // a year
}

TEST(TimeAxisTest, DegenerateAndEnormousSpansAreBounded)
{
    const auto fixed = [](const QString&) { return 40; };
    const std::int64_t t = Utc(2026, 3, 1, 12);
    EXPECT_EQ(LayOutTimeTicks(t, t, 500, fixed, QTimeZone::utc()).size(), 1u);
    EXPECT_TRUE(LayOutTimeTicks(t, t - 1, 500, fixed, QTimeZone::utc()).empty());
    EXPECT_TRUE(LayOutTimeTicks(t, t + Day, 0, fixed, QTimeZone::utc()).empty());
    EXPECT_TRUE(LayOutTimeTicks(t, t + Day, 30, fixed, QTimeZone::utc()).empty());  // no label fits
    // Decades, and the whole range of the clock.
    const auto decades = LayOutTimeTicks(Utc(1970, 1, 1), Utc(2070, 1, 1), 800, fixed, QTimeZone::utc());
    ASSERT_GE(decades.size(), 2u);
    ExpectReadable(decades, 800, fixed, "decades");
    const auto all = LayOutTimeTicks(std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                                     800, fixed, QTimeZone::utc());
    EXPECT_LE(all.size(), 20u);
}

TEST(TimeAxisTest, PositionsAndTimesAreInverse)
{
    for (const auto& [from, to, length] : std::vector<std::tuple<std::int64_t, std::int64_t, int>>{
             {0, 1000, 1000}, {5, 12345, 700}, {-Day, Day, 3840}, {Utc(2026, 1, 1), Utc(2027, 1, 1), 1917}}) {
        EXPECT_EQ(TimeToPosition(from, from, to, length), 0);
        EXPECT_EQ(TimeToPosition(to, from, to, length), length);
        for (int pos = 0; pos <= length; ++pos) {
            const std::int64_t t = PositionToTime(pos, from, to, length);
            ASSERT_EQ(TimeToPosition(t, from, to, length), pos) << pos;
            // The first such time.
            ASSERT_EQ(TimeToPosition(t - 1, from, to, length), pos - 1) << pos;
        }
    }
    // Before the start, rounding goes down.
    EXPECT_EQ(TimeToPosition(-1, 0, 1000, 10), -1);
    const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    const std::int64_t highest = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(TimeToPosition(highest, lowest, highest, 3840), 3840);
    EXPECT_EQ(TimeToPosition(0, lowest, highest, 3840), 1920);
}

}  // namespace
