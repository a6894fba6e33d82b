// The comparison of two polls as drawn: the totals against a hand count, the
// bars and the difference at the right tones, the tone labels apart.

#include "story/ToneComparisonView.h"
#include "app/ToneBits.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// A line of 8 bits on tones 40..439; the later poll lost 100..109 and gained
// 2 bits on 300..304 and an upstream tone (20) from nothing.
TToneComparisonData NotchedPair()
{
    ToneBits before{}, after{};
    for (int t = 40; t < 440; ++t)
        before[t] = after[t] = 8;
    for (int t = 100; t < 110; ++t)
        after[t] = 0;
    for (int t = 300; t < 305; ++t)
        after[t] = 10;
    after[20] = 3;
    TToneComparisonData data;
    data.Comparison = CompareTones(before, after);
    data.BeforeUtcMs = 1733665510000;  // 2024-12-08 13:45:10 UTC
    data.AfterUtcMs = 1733665570000;
    return data;
}

QFont TestFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    return font;
}

}  // namespace

TEST(ToneComparisonViewTest, TheSummaryCountsWhatChanged)
{
    const QStringList lines = ToneComparisonSummary(NotchedPair(), QTimeZone::utc());
    ASSERT_EQ(lines.size(), 3);
    // 400 tones of 8 bits before; after: 390 of them, 5 with 10, and tone 33.
    EXPECT_EQ(lines[0], QStringLiteral("Before: 2024-12-08 13:45:10, 3,200 bits on 400 tones"));
    EXPECT_EQ(lines[1], QStringLiteral("After: 2024-12-08 13:46:10, 3,133 bits on 391 tones"));
    EXPECT_EQ(
        lines[2],
        QStringLiteral("Gained 13 bits, lost 80 bits (net -67); 1 tone back from 0 bits, 10 tones down to 0 bits"));
    EXPECT_EQ(ToneComparisonHoverText(NotchedPair(), 100), QStringLiteral("Tone 100 (431.25 kHz): 8 -> 0 bits (-8)"));
    EXPECT_EQ(ToneComparisonHoverText(NotchedPair(), 300), QStringLiteral("Tone 300 (1293.75 kHz): 8 -> 10 bits (+2)"));
    EXPECT_TRUE(ToneComparisonHoverText(NotchedPair(), 513).isEmpty());
}

TEST(ToneComparisonViewTest, BarsAndDifferenceStandAtTheirTones)
{
    const TToneComparisonData data = NotchedPair();
    QImage image(1040, 400, QImage::Format_RGB32);
    const TToneComparisonLayout layout = LayOutToneComparison(image.rect(), TestFont());
    {
        QPainter painter(&image);
        PaintToneComparison(painter, layout, data, QTimeZone::utc(), TestFont());
    }
    // The middle of a tone's column, just above the plot's bottom edge / around the difference's middle line.
    const auto columnX = [&](const QRect& plot, int tone) {
        return plot.left() + (tone * plot.width() / ToneCount + (tone + 1) * plot.width() / ToneCount) / 2;
    };
    const int barY = layout.BitsPlot.bottom() - 2;
    EXPECT_EQ(image.pixel(columnX(layout.BitsPlot, 50), barY), qRgb(0, 0, 255));       // downstream blue
    EXPECT_EQ(image.pixel(columnX(layout.BitsPlot, 105), barY), qRgb(255, 255, 255));  // lost: no bar
    EXPECT_EQ(image.pixel(columnX(layout.BitsPlot, 20), barY), qRgb(0, 128, 0));       // upstream green
    const QRect& diff = layout.DifferencePlot;
    const int middle = diff.top() + diff.height() / 2;
    EXPECT_EQ(image.pixel(columnX(diff, 105), middle + 3), qRgb(255, 0, 0));  // lost, below
    EXPECT_EQ(image.pixel(columnX(diff, 302), middle - 3), qRgb(0, 128, 0));  // gained, above
    EXPECT_EQ(image.pixel(columnX(diff, 200), middle + 3), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(columnX(diff, 200), middle - 3), qRgb(255, 255, 255));
    // The hit test finds the tone of a column.
    for (const int tone : {0, 20, 105, 302, 512})
        EXPECT_EQ(ToneComparisonToneAt(layout, QPoint(columnX(layout.BitsPlot, tone), barY)), tone);
    EXPECT_EQ(ToneComparisonToneAt(layout, QPoint(layout.BitsPlot.left() - 1, barY)), -1);
}

TEST(ToneComparisonViewTest, ToneLabelsNeverOverlap)
{
    const QFontMetrics metrics(TestFont());
    const int label = metrics.horizontalAdvance(QStringLiteral("512"));
    for (int width = 200; width <= 3840; width += 7) {
        const int step = ToneLabelStep(width, label);
        // Two neighbouring labels' centres are further apart than a label and a gap.
        EXPECT_GE(static_cast<std::int64_t>(width) * step / ToneCount, label + 2) << width;
        if (step > 16) {  // the next smaller step would not have fitted
            EXPECT_LT(static_cast<std::int64_t>(width) * (step / 2) / ToneCount, label + 8) << width;
        }
    }
}
