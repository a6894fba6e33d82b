// The real time axis: labels never overlap and stay inside, from the
// narrowest plot to 4K and from a minute to a year, in zones with odd
// offsets and changes of summer time; the pixel mapping is its own inverse.

#include "story/TimeAxis.h"
#include "story/WaterfallView.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

TEST(TimeAxisTest, LabelsNeverOverlapAtAnyWidthAndSpan)
{
    const QFontMetrics metrics(StoryFont());
    const auto widthOf = [&](const QString& text) { return metrics.horizontalAdvance(text); };
    // 2026-10-20 00:00 UTC: the spans of a week or more cross the end of
    // summer time in London.
    const std::int64_t from = 1792454400000LL;
    const std::int64_t spans[] = {60000LL,           61000LL,           3600000LL,          25 * 3600000LL,
                                  7 * 86400000LL,    30 * 86400000LL,   365 * 86400000LL,   400 * 86400000LL};
    const QTimeZone zones[] = {QTimeZone::utc(), QTimeZone("Australia/Adelaide"), QTimeZone("Europe/London")};
    for (const QTimeZone& zone : zones) {
        ASSERT_TRUE(zone.isValid());
        for (const std::int64_t span : spans)
            for (int width = 200; width <= 3840; width += 37) {
                const std::vector<TTimeTick> ticks = LayOutTimeTicks(from, from + span, width, widthOf, zone);
                ASSERT_GE(ticks.size(), width >= 400 ? 2u : 1u) << width << " " << span;
                int lastRight = -TimeTickMinGapPx;
                for (std::size_t i = 0; i < ticks.size(); ++i) {
                    const TTimeTick& tick = ticks[i];
                    const int w = widthOf(tick.Text);
                    const int left = std::clamp(tick.Position - w / 2, 0, width - w);
                    ASSERT_GE(left, lastRight + TimeTickMinGapPx) << tick.Text.toStdString() << " " << width;
                    ASSERT_LE(left + w, width);
                    if (i > 0)
                        ASSERT_GT(tick.TimeUtcMs, ticks[i - 1].TimeUtcMs);
                    lastRight = left + w;
                }
            }
    }
    // No span, or a length of nothing: at most one label, never a hang.
    EXPECT_LE(LayOutTimeTicks(from, from, 500, widthOf, QTimeZone::utc()).size(), 1u);
    EXPECT_TRUE(LayOutTimeTicks(from, from - 1, 500, widthOf, QTimeZone::utc()).empty());
    EXPECT_TRUE(LayOutTimeTicks(from, from + 1000, 0, widthOf, QTimeZone::utc()).empty());
    EXPECT_LE(LayOutTimeTicks(0, 4102444800000LL, 3840, widthOf, QTimeZone::utc()).size(), 3840u);
}

TEST(TimeAxisTest, PixelsAndTimesMapBothWays)
{
    const std::int64_t from = 1714532400000LL, to = from + 86400000LL;
    for (int width : {1, 333, 1000, 3840})
        for (int p = 0; p <= width; ++p)
            ASSERT_EQ(TimeToPosition(PositionToTime(p, from, to, width), from, to, width), p) << width;
    EXPECT_EQ(TimeToPosition(from - 1, from, to, 1000), -1);
    EXPECT_EQ(TimeToPosition(to, from, to, 1000), 1000);
}
