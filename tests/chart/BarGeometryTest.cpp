// The bar geometry of a pass against numbers worked out by hand: the column
// of each bar, the columns its drawing covers and its hit area, with the
// pixels the pass draws there; and that an export, laid out for another
// target, leaves the hit tests on the bars the window shows.
#include "ChartTestUtil.h"

#include "chart/BarSeries.h"

#include <QPainter>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A chart whose plot rectangle is (30, 16, 270, 144): 300 x 160 without
// bevels, margins of 10 % and nothing around the plot that takes room.
void PlainChart(TCustomChart& chart)
{
    chart.SetSize(300, 160);
    chart.SetView3D(false);
    chart.SetBevelOuter(bvNone);
    chart.SetMarginLeft(10);
    chart.SetMarginTop(10);
    chart.SetMarginRight(10);
    chart.SetMarginBottom(10);
    chart.Title().SetVisible(false);
    chart.Foot().SetVisible(false);
    chart.Legend().SetVisible(false);
    chart.SetAxisVisible(false);
}

}  // namespace

TEST(BarGeometry, SideBySideWithOffsetsOnAnInvertedAxisAsWorkedOut)
{
    // Two series side by side, shifted by 20 % and -35 % of the bar width,
    // based on 1.5, over 0..7 inverted (bottom) and -4..8 (left); the second
    // without outline, one colour per point and a null point.
    TCustomChart chart;
    PlainChart(chart);
    std::vector<TBarSeries*> series;
    for (int k = 0; k < 2; ++k) {
        auto* s = new TBarSeries;
        s->SetParentChart(&chart);
        s->Marks().SetVisible(false);
        s->SetOffsetPercent(k == 0 ? 20 : -35);
        s->SetYOrigin(1.5);
        s->SetColorEachPoint(k == 1);
        s->BarPen().SetVisible(k == 0);
        const double values[] = {3, 1.5, 7, -2, 5, 0, 6.25, 4};
        for (int i = 0; i < 8; ++i)
            s->AddBarPoint(values[i] + k, std::to_string(i), i == 3 && k == 1 ? clNone : clDefault);
        series.push_back(s);
    }
    chart.BottomAxis().SetMinMax(0, 7);
    chart.BottomAxis().SetInverted(true);
    chart.LeftAxis().SetMinMax(-4, 8);
    const QImage picture = PaintWindow(chart);
    ASSERT_EQ(chart.PlotRect(), TRect(30, 16, 270, 144));

    // Width: 240 pixels / (8 points + 1) = 26 per point, 70 % of it is 18,
    // halved for two series, 9, made even: 10. Shift: the first series sits
    // a whole bar left of the point's pixel, the second on it; the offsets
    // add nearest(2.0) = 2 and nearest(-3.5) = -4 (half to even).
    // Point pixels (inverted: 270 - nearest(i * 240 / 7)): 270 236 201 167 133 99 64 30.
    // Rows: 144 - nearest((v + 4) * 128 / 12); the base 1.5 is row 85.
    const int lefts[2][8] = {{262, 228, 193, 159, 125, 91, 56, 22}, {266, 232, 197, 163, 129, 95, 60, 26}};
    const int tops[2][8] = {{69, 85, 27, 123, 48, 101, 35, 59}, {59, 75, 16, 112, 37, 91, 24, 48}};
    for (int k = 0; k < 2; ++k) {
        const TBarGeometry& bars = series[k]->ShownBars();
        ASSERT_EQ(bars.First(), 0);
        ASSERT_EQ(bars.Last(), 7);
        EXPECT_EQ(bars.Width(), 10);
        EXPECT_EQ(bars.Outlined(), k == 0);
        for (int i = 0; i < 8; ++i) {
            const TBarGeometry::TBar& bar = bars.Bar(i);
            EXPECT_EQ(bar.Left, lefts[k][i]) << k << "/" << i;
            EXPECT_EQ(bar.Top, tops[k][i]) << k << "/" << i;
            EXPECT_EQ(bar.Base, 85) << k << "/" << i;
            EXPECT_EQ(bar.Drawn(), !(k == 1 && i == 3)) << k << "/" << i;
            // The geometry is where the series' own placing puts the bar.
            EXPECT_EQ(bar.Left, series[k]->PointPixelX(i));
            EXPECT_EQ(bar.Top, series[k]->PointPixelY(i));
        }
        // Drawn: ten columns with the outline, nine without.
        EXPECT_EQ(bars.DrawnColumns(2).First, lefts[k][2]);
        EXPECT_EQ(bars.DrawnColumns(2).Last, lefts[k][2] + (k == 0 ? 9 : 8));
    }
    // Ten for the bar without height, a line on its base row, outline or not.
    EXPECT_EQ(series[0]->ShownBars().DrawnColumns(1).Last, 228 + 9);

    // Bar 2 of the first series (193..202, outlined) under bar 2 of the
    // second (197..205, rows 16..83 without outline, clipped to the plot).
    const QRgb outline = QColor(Qt::black).rgb();
    EXPECT_EQ(picture.pixel(193, 50), outline);
    EXPECT_EQ(PixelAt(picture, 195, 50), series[0]->SeriesColor());
    EXPECT_EQ(PixelAt(picture, 197, 50), ChartPaletteColor(2));
    EXPECT_EQ(PixelAt(picture, 205, 50), ChartPaletteColor(2));
    EXPECT_EQ(PixelAt(picture, 205, 83), ChartPaletteColor(2));
    EXPECT_NE(PixelAt(picture, 205, 84), ChartPaletteColor(2));
    EXPECT_EQ(picture.pixel(206, 50), picture.pixel(215, 50)) << "right of the drawn columns: background";
    // The bar without height: its base row, ten columns in its own colour.
    EXPECT_EQ(PixelAt(picture, 228, 85), series[0]->SeriesColor());
    EXPECT_EQ(PixelAt(picture, 237, 85), series[0]->SeriesColor());
    EXPECT_NE(PixelAt(picture, 238, 85), series[0]->SeriesColor());

    // Hit areas take in both end columns and rows: 197..207 x 16..85.
    TBarSeries& second = *series[1];
    EXPECT_EQ(second.PointAt(206, 50), 2);
    EXPECT_EQ(second.PointAt(207, 85), 2);
    EXPECT_EQ(second.PointAt(208, 50), -1);
    EXPECT_EQ(second.PointAt(200, 86), -1);
    EXPECT_EQ(second.DrawnBarAt(206, 50), 2) << "no other bar: the hit stands";
    // The null point still has its hit area, as the series' hit test defines it.
    EXPECT_EQ(second.PointAt(165, 100), 3);
    EXPECT_EQ(series[0]->PointAt(203, 27), 2);
    EXPECT_EQ(series[0]->PointAt(203, 26), -1);
}

TEST(BarGeometry, WhereHitAreasMeetTheDrawnBarWins)
{
    // Bars 4 pixels wide, 4 pixels apart, without outline: bar i stands on
    // 28 + 4i .. 32 + 4i and is drawn on 28 + 4i .. 30 + 4i, so column
    // 32 + 4i is in the hit areas of bars i and i + 1 but drawn by i + 1 only,
    // and column 31 + 4i is in bar i's hit area but drawn by no bar.
    TCustomChart chart;
    PlainChart(chart);
    auto* s = new TBarSeries;
    s->SetParentChart(&chart);
    s->Marks().SetVisible(false);
    s->SetMultiBar(mbNone);
    s->SetCustomBarWidth(4);
    s->BarPen().SetVisible(false);
    for (int i = 0; i <= 60; ++i)
        s->AddBarPoint(6, std::to_string(i), clBlue);
    chart.BottomAxis().SetMinMax(0, 60);
    chart.LeftAxis().SetMinMax(0, 8);
    const QImage picture = PaintWindow(chart);
    const int y = 100;  // inside every bar (rows 48..144)
    for (int i = 10; i < 13; ++i) {
        EXPECT_EQ(s->ShownBars().Bar(i).Left, 28 + 4 * i);
        const int shared = 32 + 4 * i, gap = 31 + 4 * i;
        EXPECT_EQ(s->PointAt(shared, y), i);
        EXPECT_EQ(s->DrawnBarAt(shared, y), i + 1);
        EXPECT_EQ(PixelAt(picture, shared, y), clBlue);
        EXPECT_EQ(s->PointAt(gap, y), i);
        EXPECT_EQ(s->DrawnBarAt(gap, y), i);
        EXPECT_EQ(picture.pixel(gap, y), picture.pixel(gap, 20)) << "no bar drawn in the gap";
    }
    // Above the bars and below the base nothing is hit.
    EXPECT_EQ(s->DrawnBarAt(70, 47), -1);
    EXPECT_EQ(s->DrawnBarAt(70, 145), -1);
}

TEST(BarGeometry, AnExportLaidOutForAnotherTargetLeavesTheShownBars)
{
    // The window shows the chart at 696 x 237; an export of twice the size
    // lays the chart out afresh, and its bars stand elsewhere. The hit tests
    // stay on the bars in the window, with no repaint in between.
    TCustomChart chart;
    TBarSeries& series = ConfigureMonitorChart(chart);
    chart.SetSize(696, 237);
    ToneBits bits{};
    for (int tone = 0; tone < ToneCount; ++tone)
        bits[static_cast<std::size_t>(tone)] = 4 + tone % 9;
    PlotToneTable(chart, series, bits, design::RangeLow);
    const QImage window = PaintWindow(chart);
    const int i = 100;
    const TBarGeometry::TBar bar = series.ShownBars().Bar(i);
    ASSERT_EQ(PixelAt(window, bar.Left, bar.Top), clBlue);

    const int passes = chart.DrawingPassCount();
    const QImage exported = chart.RenderBitmap(clWhite, TRect(0, 0, 2 * 696, 2 * 237));
    ASSERT_EQ(chart.DrawingPassCount(), passes + 1);
    const TBarGeometry::TBar there = series.PassBars().Bar(i);
    ASSERT_NE(there.Left, bar.Left) << "the export is laid out for its own size";
    ASSERT_EQ(PixelAt(exported, there.Left, there.Top), clBlue);
    EXPECT_EQ(series.ShownBars().Bar(i).Left, bar.Left);
    EXPECT_EQ(series.ShownBars().Bar(i).Top, bar.Top);
    EXPECT_EQ(series.DrawnBarAt(bar.Left, bar.Top), i);
    EXPECT_EQ(series.PointAt(bar.Left + 1, bar.Base), i);
    EXPECT_EQ(series.DrawnBarAt(there.Left, there.Top), -1) << "the exported bar is not in the window";

    // The next window paint lays the window out again: the same bars.
    EXPECT_EQ(PaintWindow(chart), window);
    EXPECT_EQ(series.ShownBars().Bar(i).Left, bar.Left);
    EXPECT_EQ(series.PassBars().Bar(i).Left, bar.Left);
}
