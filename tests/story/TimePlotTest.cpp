// Total bits over real time, in pixels: a loss of 16 bits out of ~4,860
// moves the line by many pixels on the fitted axis, and a gap breaks the
// line (none of its colour inside the gap's columns).
#include "monitor/HistoryDesign.h"
#include "story/TimeAxis.h"
#include "story/TimePlotView.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::int64_t Minute = 60000;
constexpr std::int64_t Start = 1796601600000LL;

QColor LineColour()
{
    const std::uint32_t bgr = design::TimePlotLineColor;
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

// The rows of column x in the line's colour.
std::vector<int> LineRows(const QImage& image, int x, const QRect& plot)
{
    std::vector<int> rows;
    for (int y = plot.top(); y <= plot.bottom(); ++y)
        if (image.pixelColor(x, y) == LineColour())
            rows.push_back(y);
    return rows;
}

TEST(TimePlotTest, AFittedAxisShowsASmallLossAndAGapBreaksTheLine)
{
    // 120 polls a minute apart, 16 bits lost from poll 40 on, then 3 hours
    // without polls (a gap event), then 60 more polls.
    std::vector<TTotalBitsPoint> points;
    for (int n = 0; n < 120; ++n)
        points.push_back({n + 1, Start + n * Minute, n < 40 ? 4860 : 4844, true});
    const std::int64_t gapStart = points.back().TimeUtcMs;
    const std::int64_t gapEnd = gapStart + 180 * Minute;
    for (int n = 0; n < 60; ++n)
        points.push_back({121 + n, gapEnd + n * Minute, 4844, true});
    THostLineEvent gap;
    gap.Event.Kind = TLineEventKind::lekGap;
    gap.Event.StartUtcMs = gapStart;
    gap.Event.EndUtcMs = gapEnd;
    const std::vector<THostLineEvent> events{gap};
    const TTimePlotData data{points, events, Start, points.back().TimeUtcMs};

    const QSize size(900, 300);
    const QImage image = RenderTimePlot(data, size, QTimeZone::utc());
    QFont font("Arial");
    font.setPixelSize(design::FontPixelSize);
    const TTimePlotLayout layout = LayOutTimePlot(QRect(QPoint(0, 0), size), font, data);
    ASSERT_GT(layout.Plot.width(), 100);

    const auto xOf = [&](std::int64_t t) {
        return layout.Plot.left() + TimeToPosition(t, data.FromUtcMs, data.ToUtcMs, layout.Plot.width() - 1);
    };
    // Before and after the loss the line lies at clearly different heights.
    const std::vector<int> before = LineRows(image, xOf(Start + 20 * Minute), layout.Plot);
    const std::vector<int> after = LineRows(image, xOf(Start + 80 * Minute), layout.Plot);
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(after.empty());
    EXPECT_GT(after.front() - before.back(), 20) << "16 bits must move the line by many pixels";

    // No pixel of the line inside the gap's columns (a pixel of slack at its edges).
    for (int x = xOf(gapStart) + 2; x <= xOf(gapEnd) - 2; ++x)
        EXPECT_TRUE(LineRows(image, x, layout.Plot).empty()) << "line drawn across the gap at x " << x;
}

}  // namespace
