// Bar series: settings, bar width, bar position and base, drawing rules of
// one bar and the hit test.
#include "ChartFixtures.h"

#include "chart/ChartException.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Lays the axes out on a fixed plot rectangle without drawing.
void LayOut(BarChart& b, const TRect& plot)
{
    b.chart.SetPlotRect(plot);
    b.chart.NormalizePlotRect();
    for (TChartAxis* axis : {&b.chart.BottomAxis(), &b.chart.LeftAxis()}) {
        axis->ComputeRange();
        axis->ComputePixelSpan();
    }
}

void AddPoints(TBarSeries& s, int count, double value = 3.0)
{
    for (int i = 0; i < count; ++i)
        s.AddBarPoint(value, std::to_string(i), clBlue);
}

}  // namespace

TEST(BarSeriesSettings, DefaultsOfANewSeries)
{
    TBarSeries s;
    EXPECT_EQ(s.BarWidthPercent(), 70);
    EXPECT_EQ(s.OffsetPercent(), 0);
    EXPECT_EQ(s.MultiBar(), mbSide);
    EXPECT_EQ(s.BarStyle(), bsRectangle);
    EXPECT_TRUE(s.BarPen().Visible());
    EXPECT_EQ(s.BarBrush().Style(), bsSolid);
    EXPECT_EQ(s.BarBrush().Color(), clDefault);
    EXPECT_TRUE(s.UseYOrigin());
    EXPECT_EQ(s.YOrigin(), 0.0);
    EXPECT_TRUE(s.SideMargins());
    EXPECT_FALSE(s.AutoBarSize());
    EXPECT_TRUE(s.AutoMarkPosition());
    EXPECT_TRUE(s.Dark3D());
    EXPECT_EQ(s.CustomBarWidth(), 0);
    EXPECT_TRUE(s.Marks().Visible());
    EXPECT_EQ(s.Marks().ArrowLength(), 20);
    EXPECT_EQ(s.YValues().Name(), "Bar");
    EXPECT_EQ(s.YValues().Order(), loNone);
    EXPECT_EQ(s.XValues().Order(), loAscending);
    EXPECT_TRUE(s.IsYMandatory());
    EXPECT_EQ(s.SampleCount(), 6);
}

TEST(BarSeriesSettings, PercentWritersValidateAndKeepTheOldValue)
{
    TBarSeries s;
    s.SetBarWidthPercent(40);
    for (int bad : {0, 101, -5}) {
        try {
            s.SetBarWidthPercent(bad);
            FAIL() << bad;
        } catch (const ChartException& e) {
            EXPECT_STREQ(e.what(), "Bar Width Percent must be between 1 and 100");
        }
        EXPECT_EQ(s.BarWidthPercent(), 40);
    }
    s.SetBarWidthPercent(1);
    s.SetBarWidthPercent(100);
    s.SetOffsetPercent(20);
    for (int bad : {-101, 101}) {
        try {
            s.SetOffsetPercent(bad);
            FAIL() << bad;
        } catch (const ChartException& e) {
            EXPECT_STREQ(e.what(), "Bar Offset Percent must be between -100% and 100%");
        }
        EXPECT_EQ(s.OffsetPercent(), 20);
    }
    s.SetOffsetPercent(-100);
    EXPECT_EQ(s.OffsetPercent(), -100);
}

TEST(BarSeriesSettings, MultiBarAndSideMarginsReachTheOtherBarSeries)
{
    BarChart b;
    auto* second = new TBarSeries;
    second->SetParentChart(&b.chart);
    b.series->SetMultiBar(mbStacked);
    EXPECT_EQ(second->MultiBar(), mbStacked);
    second->SetSideMargins(false);
    EXPECT_FALSE(b.series->SideMargins());
}

TEST(BarSeriesPoints, AddBarPointAppendsAtTheNextIndex)
{
    TBarSeries s;
    EXPECT_EQ(s.AddBarPoint(7, "0", clGreen), 0);
    EXPECT_EQ(s.AddBarPoint(3.5, "1", clBlue), 1);
    EXPECT_EQ(s.PointX(1), 1.0);
    EXPECT_EQ(s.PointY(1), 3.5);
    EXPECT_EQ(s.PointLabel(0), "0");
    EXPECT_EQ(s.PointColor(0), clGreen);
    EXPECT_EQ(s.PointColor(1), clBlue);
}

TEST(BarWidth, FromSpanPointsPagingAndPercent)
{
    // Plot 630 wide from x = 40; the bottom span 2 %..98 % is 604 pixels.
    BarChart b(700, 250, 5.0, 255.0);
    b.chart.BottomAxis().SetStartPosition(2.0);
    b.chart.BottomAxis().SetEndPosition(98.0);
    TBarSeries& s = *b.series;
    s.SetMultiBar(mbNone);
    LayOut(b, TRect(40, 10, 670, 200));
    ASSERT_EQ(b.chart.BottomAxis().PixelSize(), 604);
    ASSERT_EQ(b.chart.BottomAxis().StartPixel(), 53);

    s.ComputeBarSize();
    EXPECT_EQ(s.BarPixelWidth(), 0) << "no points";

    // A page of 255 points sizes the bars whatever the point count: 604 div 257
    // = 2 pixels per point, 40 % of it rounds to 1, made even: 2.
    b.chart.SetMaxPointsPerPage(255);
    s.SetBarWidthPercent(40);
    for (int count : {256, 257, 513}) {
        s.ClearPoints();
        AddPoints(s, count);
        s.ComputeBarSize();
        EXPECT_EQ(s.BarPixelWidth(), 2) << count;
    }

    b.chart.SetMaxPointsPerPage(0);
    s.ClearPoints();
    AddPoints(s, 100);
    s.SetBarWidthPercent(70);  // 604 div 101 = 5; 3.5 rounds to 4
    s.ComputeBarSize();
    EXPECT_EQ(s.BarPixelWidth(), 4);
    s.SetBarWidthPercent(50);  // 2.5 rounds to 2
    s.ComputeBarSize();
    EXPECT_EQ(s.BarPixelWidth(), 2);
    s.SetBarWidthPercent(60);  // 3, odd: 4
    s.ComputeBarSize();
    EXPECT_EQ(s.BarPixelWidth(), 4);

    s.SetSideMargins(false);  // 604 div 100 = 6; 3.6 rounds to 4
    s.ComputeBarSize();
    EXPECT_EQ(s.BarPixelWidth(), 4);
    EXPECT_EQ(s.BarSideMargin(), 2);
    s.SetSideMargins(true);
    s.ComputeBarSize();
    EXPECT_EQ(s.BarSideMargin(), 4);
    int left = -1, right = -1;
    s.HorizontalMargins(left, right);
    EXPECT_EQ(left, 4);
    EXPECT_EQ(right, 4);

    s.SetAutoBarSize(true);  // nearest(604 / (255 + 2 - 5)) = 2; 60 % = 1.2 -> 1 -> 2
    s.ComputeBarSize();
    EXPECT_EQ(s.BarPixelWidth(), 2);
    s.SetAutoBarSize(false);

    s.SetCustomBarWidth(7);
    s.ComputeBarSize();
    EXPECT_EQ(s.BarPixelWidth(), 7);
    s.SetCustomBarWidth(0);

    // Side by side: two series share the room.
    s.SetBarWidthPercent(70);
    auto* other = new TBarSeries;
    other->SetParentChart(&b.chart);
    AddPoints(*other, 100);
    s.SetMultiBar(mbSide);
    s.ComputeBarSize();
    EXPECT_EQ(s.SideBarCount(), 2);
    EXPECT_EQ(s.BarPixelWidth(), 2);
    EXPECT_EQ(other->SideBarOrder(), 2);
}

TEST(BarWidth, NarrowSpanGivesZeroWidthBars)
{
    BarChart b(600, 250, 0.0, 255.0);
    TBarSeries& s = *b.series;
    s.SetMultiBar(mbNone);
    s.SetBarWidthPercent(40);
    b.chart.SetMaxPointsPerPage(255);
    AddPoints(s, 256);
    LayOut(b, TRect(20, 10, 520, 200));  // 500 pixels: one per point, 40 % of it rounds to 0
    s.ComputeBarSize();
    EXPECT_EQ(s.BarPixelWidth(), 0);
}

TEST(BarGeometry, PositionBaseAndOffset)
{
    BarChart b(700, 250, 5.0, 255.0);
    TChartAxis& bottom = b.chart.BottomAxis();
    bottom.SetStartPosition(2.0);
    bottom.SetEndPosition(98.0);
    TBarSeries& s = *b.series;
    s.SetMultiBar(mbNone);
    for (int i = 0; i <= 255; ++i)
        s.AddBarPoint(i % 16, std::to_string(i), clBlue);
    LayOut(b, TRect(40, 10, 670, 200));
    EXPECT_EQ(bottom.ValueToPixel(0), 41);
    EXPECT_EQ(bottom.ValueToPixel(255), 657);

    s.SetCustomBarWidth(4);
    s.ComputeBarSize();
    EXPECT_EQ(s.PointPixelX(5), 53 - 2);
    s.SetOffsetPercent(20);  // nearest(0.8) = 1
    EXPECT_EQ(s.PointPixelX(5), 53 - 2 + 1);
    s.SetCustomBarWidth(2);  // nearest(0.4) = 0
    s.ComputeBarSize();
    EXPECT_EQ(s.PointPixelX(5), 53 - 1);

    // Left axis 0..16 over rows 10..200: the top is EndPixel - nearest(v * 190 / 16).
    TChartAxis& leftAxis = b.chart.LeftAxis();
    ASSERT_EQ(leftAxis.EndPixel(), 200);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(s.PointPixelY(i), 200 - static_cast<int>(std::nearbyint(i * 190 / 16.0))) << i;
        EXPECT_EQ(s.OriginPixel(i), 200);
    }
    s.SetYOrigin(4.0);
    EXPECT_EQ(s.OriginPixel(0), leftAxis.ValueToPixel(4.0));
    s.SetUseYOrigin(false);
    EXPECT_EQ(s.OriginPixel(0), 200);
}

TEST(BarGeometry, ExtremesIncludeTheOriginAndStacks)
{
    BarChart b;
    TBarSeries& s = *b.series;
    s.AddBarPoint(3, "a", clBlue);
    s.AddBarPoint(7, "b", clBlue);
    EXPECT_EQ(s.HighestY(), 7.0);
    EXPECT_EQ(s.LowestY(), 0.0);
    s.SetYOrigin(10);
    EXPECT_EQ(s.HighestY(), 10.0);
    EXPECT_EQ(s.LowestY(), 3.0);
    s.SetUseYOrigin(false);
    EXPECT_EQ(s.HighestY(), 7.0);
    EXPECT_EQ(s.LowestY(), 3.0);
    s.SetUseYOrigin(true);
    s.SetYOrigin(0);

    auto* upper = new TBarSeries;
    upper->SetParentChart(&b.chart);
    upper->AddBarPoint(5, "a", clRed);
    upper->AddBarPoint(-2, "b", clRed);
    s.SetMultiBar(mbStacked);
    EXPECT_EQ(upper->OriginValue(0), 3.0);  // positive values of the series below
    EXPECT_EQ(upper->OriginValue(1), 7.0);
    EXPECT_EQ(upper->HighestY(), 8.0);
    s.SetMultiBar(mbStacked100);
    EXPECT_EQ(upper->HighestY(), 100.0);
    EXPECT_EQ(upper->LowestY(), 0.0);
}

TEST(BarHitTest, PointInBarEndsAndShapes)
{
    BarChart b(700, 250, 0.0, 9.0);
    TBarSeries& s = *b.series;
    s.SetMultiBar(mbNone);
    s.SetCustomBarWidth(10);
    for (int i = 0; i < 10; ++i)
        s.AddBarPoint(8, std::to_string(i), clBlue);
    LayOut(b, TRect(40, 10, 670, 200));
    s.ComputeBarSize();
    const int left = s.PointPixelX(3);
    const int top = s.PointPixelY(3);
    const int base = s.OriginPixel(3);
    EXPECT_TRUE(s.PointInBar(3, TPoint(left, top)));
    EXPECT_TRUE(s.PointInBar(3, TPoint(left + 10, base)));
    EXPECT_FALSE(s.PointInBar(3, TPoint(left + 11, base)));
    EXPECT_FALSE(s.PointInBar(3, TPoint(left - 1, base)));
    EXPECT_FALSE(s.PointInBar(3, TPoint(left, top - 1)));
    EXPECT_FALSE(s.PointInBar(3, TPoint(left, base + 1)));

    s.SetBarStyle(bsPyramid);  // apex at the top centre
    EXPECT_TRUE(s.PointInBar(3, TPoint(left + 5, top)));
    EXPECT_FALSE(s.PointInBar(3, TPoint(left, top)));
    EXPECT_TRUE(s.PointInBar(3, TPoint(left, base)));
    s.SetBarStyle(bsEllipse);
    EXPECT_TRUE(s.PointInBar(3, TPoint(left + 5, (top + base) / 2)));
    EXPECT_FALSE(s.PointInBar(3, TPoint(left, top)));
}

TEST(BarDrawing, RectanglesWithAndWithoutPenLinesAndOutlines)
{
    BarChart b(400, 250, -1.0, 9.0);
    b.chart.LeftAxis().SetEndPosition(95.0);  // base row inside the series clip
    TBarSeries& s = *b.series;
    s.SetMultiBar(mbNone);
    s.SetCustomBarWidth(6);
    s.AddBarPoint(8, "0", clGreen);  // pen visible: black outline, green inside
    s.AddBarPoint(0, "1", clBlue);   // 0 bits: a line on the base row
    s.AddBarPoint(5, "2", clNone);   // null point: nothing
    s.AddBarPoint(4, "3", clRed);
    QImage img = b.Render();
    const QRgb black = 0xFF000000, green = 0xFF008000, blue = 0xFF0000FF;

    int l = s.PointPixelX(0), t = s.PointPixelY(0), base = s.OriginPixel(0);
    EXPECT_EQ(img.pixel(l, t), black);
    EXPECT_EQ(img.pixel(l + 5, t + 3), black);  // right column is r - 1
    EXPECT_EQ(img.pixel(l + 2, t + 3), green);
    EXPECT_NE(img.pixel(l + 6, t + 3), black);

    l = s.PointPixelX(1);
    for (int x = l; x < l + 6; ++x)
        EXPECT_EQ(img.pixel(x, base), blue) << x;
    EXPECT_NE(img.pixel(l + 6, base), blue);

    l = s.PointPixelX(2);
    for (int y = s.PointPixelY(2); y < base; ++y)
        EXPECT_NE(img.pixel(l, y), black) << "null point drawn at row " << y;

    // Without pen: columns l .. r - 2 and rows t .. b - 2 are filled.
    s.BarPen().SetVisible(false);
    img = b.Render();
    l = s.PointPixelX(0);
    t = s.PointPixelY(0);
    EXPECT_EQ(img.pixel(l, t), green);
    EXPECT_EQ(img.pixel(l + 4, base - 2), green);
    EXPECT_NE(img.pixel(l + 5, t + 3), green);
    EXPECT_NE(img.pixel(l + 2, base - 1), green);
    EXPECT_NE(img.pixel(l + 2, t - 1), green);

    // A pen wider than the bar: the bar becomes an outline in its own colour.
    s.BarPen().SetVisible(true);
    s.BarPen().SetWidth(8);
    img = b.Render();
    l = s.PointPixelX(3);
    t = s.PointPixelY(3);
    EXPECT_EQ(img.pixel(l, t + 2), 0xFFFF0000);
    EXPECT_EQ(img.pixel(l + 3, (t + base) / 2), 0xFFFF0000);
}

TEST(BarDrawing, ZeroWidthBarsAreVerticalLines)
{
    BarChart b(550, 250, 0.0, 255.0);
    b.chart.LeftAxis().SetEndPosition(95.0);  // base row inside the series clip
    TBarSeries& s = *b.series;
    s.SetMultiBar(mbNone);
    s.SetBarWidthPercent(40);
    s.BarPen().SetVisible(false);
    b.chart.SetMaxPointsPerPage(255);
    for (int i = 0; i <= 255; ++i)
        s.AddBarPoint(10, std::to_string(i), clBlue);
    const QImage img = b.Render();
    ASSERT_LT(b.chart.BottomAxis().PixelSize(), 512);
    ASSERT_EQ(s.BarPixelWidth(), 0);
    const int x = s.PointPixelX(100);
    const int top = s.PointPixelY(100);
    const int base = s.OriginPixel(100);
    for (int y = top; y < base; ++y)
        EXPECT_EQ(img.pixel(x, y), 0xFF0000FF) << y;
}

TEST(BarHitTest, FollowsTheLastDrawingPass)
{
    BarChart b(400, 250, 0.0, 9.0);
    TBarSeries& s = *b.series;
    EXPECT_EQ(s.PointAt(100, 100), -1);
    s.SetMultiBar(mbNone);
    for (int i = 0; i < 10; ++i)
        s.AddBarPoint(8, std::to_string(i), clBlue);
    EXPECT_EQ(s.PointAt(100, 100), -1) << "not drawn yet";
    b.Render();
    const int left = s.PointPixelX(4);
    EXPECT_EQ(s.PointAt(left, s.OriginPixel(4)), 4);
    EXPECT_EQ(s.PointAt(left + s.BarPixelWidth(), s.PointPixelY(4)), 4);
    s.ClearPoints();
    EXPECT_EQ(s.PointAt(left, s.OriginPixel(4)), -1);
}

TEST(BarSeriesSettings, WritersRequestARepaintOnlyOnAChange)
{
    BarChart b;
    TBarSeries& s = *b.series;
    s.SetBarWidthPercent(40);
    s.SetOffsetPercent(20);
    s.SetMultiBar(mbNone);
    const int before = b.chart.RepaintRequestCount();
    const TChartBrush brush = s.BarBrush();
    const TChartPen pen = s.BarPen();
    s.SetBarBrush(brush);
    s.SetBarPen(pen);
    s.SetBarWidthPercent(40);
    s.SetOffsetPercent(20);
    s.SetMultiBar(mbNone);
    s.SetSideMargins(true);
    s.SetCustomBarWidth(0);
    EXPECT_EQ(b.chart.RepaintRequestCount(), before);

    TChartBrush white = brush;
    white.SetColor(clWhite);
    s.SetBarBrush(white);
    EXPECT_EQ(b.chart.RepaintRequestCount(), before + 1);
    s.SetBarWidthPercent(41);
    EXPECT_EQ(b.chart.RepaintRequestCount(), before + 2);
}

TEST(BarDrawing, PyramidsPointAwayFromOrTowardsTheBase)
{
    BarChart b(400, 250, -1.0, 2.0);
    TBarSeries& s = *b.series;
    s.SetMultiBar(mbNone);
    s.SetCustomBarWidth(20);
    s.BarPen().SetVisible(false);
    s.AddBarPoint(12, "0", clBlue);
    s.AddBarPoint(12, "1", clRed);
    s.OnGetBarStyle = [](TCustomBarSeries&, int index, TBarStyle& style) {
        style = index == 0 ? bsPyramid : bsInvPyramid;
    };
    const QImage img = b.Render();
    // Ink of a bar on one row, as a column count.
    auto widthAt = [&](int index, int y) {
        int n = 0;
        for (int x = s.PointPixelX(index); x <= s.PointPixelX(index) + 20; ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) == (index == 0 ? 0x0000FFu : 0xFF0000u);
        return n;
    };
    const int top = s.PointPixelY(0) + 2;
    const int bottom = s.OriginPixel(0) - 3;
    EXPECT_LT(widthAt(0, top), 6) << "apex of the pyramid at the value end";
    EXPECT_GT(widthAt(0, bottom), 14) << "base of the pyramid on the origin";
    EXPECT_GT(widthAt(1, top), 14) << "base of the inverted pyramid at the value end";
    EXPECT_LT(widthAt(1, bottom), 6) << "apex of the inverted pyramid on the origin";
}
