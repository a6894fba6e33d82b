// Total bits over real time: the fitted value axis shows a loss of 16 bits
// out of 4,860 as a move of many pixels, a gap breaks the line (no pixel of
// the line's colour over the gap's columns), failed polls are red marks at
// the bottom, and the hit tests find the poll and the event marker.
#include "story/TimePlotView.h"
#include "monitor/HistoryDesign.h"
#include "story/WaterfallView.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t Minute = 60000;
constexpr std::int64_t Start = 1796601600000LL;  // 2026-12-07T00:00:00Z

QRgb LineColour()
{
    const std::uint32_t bgr = design::TimePlotLineColor;
    return qRgb(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

TEST(ValueScaleTest, FittedNotFromZeroWithReadableLabels)
{
    const TValueScale dip = FitValueScale(4844, 4860, 150, 13);
    EXPECT_LE(dip.Min, 4844);
    EXPECT_GE(dip.Max, 4860);
    EXPECT_GT(dip.Min, 4800);                               // not from zero
    EXPECT_GE(150 * dip.Step / (dip.Max - dip.Min), 13.0);  // labels never overlap
    const TValueScale flat = FitValueScale(4860, 4860, 150, 13);
    EXPECT_LT(flat.Min, 4860);
    EXPECT_GT(flat.Max, 4860);
    EXPECT_LE(flat.Max - flat.Min, 100);  // 16 bits is still a sixth of it or more
    const TValueScale small = FitValueScale(0.12, 0.47, 100, 13);
    EXPECT_EQ(small.Decimals, 1);
    EXPECT_GE(100 * small.Step / (small.Max - small.Min), 13.0);
}

class TimePlotViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int n = 0; n < 300; ++n) {
            const std::int64_t t = Start + Minute * n + (n >= 200 ? 120 * Minute : 0);
            const bool captured = n != 50 && n != 51;
            points.push_back({n + 1, t, n >= 100 && n < 150 ? 4844 : 4860, captured});
        }
        // The gap between poll 199 and poll 200, as the line events give it.
        THostLineEvent gap;
        gap.Host = "192.168.1.254";
        gap.Event.Kind = TLineEventKind::lekGap;
        gap.Event.StartUtcMs = points[199].TimeUtcMs;
        gap.Event.EndUtcMs = points[200].TimeUtcMs;
        events.push_back(gap);
        data = {points, events, points.front().TimeUtcMs, points.back().TimeUtcMs};
        image = RenderTimePlot(data, size, QTimeZone::utc());
        layout = LayOutTimePlot(QRect(QPoint(0, 0), size), StoryFont(), data);
    }

    // The rows of the line's pixels in column x.
    std::vector<int> LineRows(int x) const
    {
        std::vector<int> rows;
        for (int y = layout.Plot.top(); y <= layout.Plot.bottom(); ++y)
            if (image.pixel(x, y) == LineColour())
                rows.push_back(y);
        return rows;
    }

    // The first column whose nearest poll is poll or a later one.
    int ColumnOf(int poll) const
    {
        for (int x = layout.Plot.left(); x <= layout.Plot.right(); ++x)
            if (NearestTimePlotPoint(layout, data, x) >= poll)
                return x;
        return -1;
    }

    const QSize size{800, 200};
    std::vector<TTotalBitsPoint> points;
    std::vector<THostLineEvent> events;
    TTimePlotData data;
    QImage image;
    TTimePlotLayout layout;
};

TEST_F(TimePlotViewTest, ASixteenBitLossMovesTheLineByManyPixels)
{
    const std::vector<int> before = LineRows(ColumnOf(20));
    const std::vector<int> during = LineRows(ColumnOf(120));
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(during.empty());
    EXPECT_GE(during.front() - before.back(), 40) << "16 of 4,860 bits must show clearly";
}

TEST_F(TimePlotViewTest, AGapBreaksTheLineAndFailedPollsAreMarked)
{
    const int left = ColumnOf(199);
    const int right = ColumnOf(200);
    ASSERT_GT(right - left, 10);
    for (int x = left + 2; x <= right - 2; ++x)
        EXPECT_TRUE(LineRows(x).empty()) << "line drawn over the gap at x " << x;
    // The failed polls: red at the bottom, and the line broken there too.
    const int failed = ColumnOf(50);
    EXPECT_EQ(image.pixel(failed, layout.Plot.bottom()), qRgb(255, 0, 0));
    // Hover: the nearest poll and its text.
    EXPECT_EQ(TimePlotHoverText(data, NearestTimePlotPoint(layout, data, ColumnOf(120)), QTimeZone::utc()),
              QStringLiteral("Mon 7 Dec 2026 02:00:00, 4,844 bits"));
    EXPECT_TRUE(TimePlotHoverText(data, 50, QTimeZone::utc()).endsWith("failed poll"));
    // The gap's marker on the strip above the plot.
    const int gapX = layout.Plot.left() + static_cast<int>((events[0].Event.StartUtcMs - data.FromUtcMs) *
                                                           (layout.Plot.width() - 1) / (data.ToUtcMs - data.FromUtcMs));
    EXPECT_EQ(TimePlotEventAt(layout, data, QPoint(gapX, layout.EventStrip.center().y())), 0);
    EXPECT_EQ(TimePlotEventAt(layout, data, QPoint(layout.Plot.left() + 5, layout.EventStrip.center().y())), -1);
}

}  // namespace
