#include "chart/ChartMath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <iomanip>
#include <limits>
#include <vector>

TEST(ChartMath, RoundHalfEvenGoesToTheEvenNeighbour)
{
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(13.5), 14);
    EXPECT_EQ(RoundHalfEven(-12.5), -12);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(12.6), 13);
    EXPECT_EQ(RoundHalfEven(617.4), 617);
    EXPECT_EQ(RoundHalfEven(1e300), INT_MAX);
    EXPECT_EQ(RoundHalfEven(-1e300), INT_MIN);
}

TEST(ChartMath, RoundHalfEvenAgreesWithTheLibraryOverTheWholeRange)
{
    // Halves, their neighbours one step of the double away, the edges of the
    // int range and the magnitudes where the fast way hands over.
    std::vector<double> values;
    for (int i = -2000; i <= 2000; ++i) {
        const double half = i + 0.5;
        values.insert(values.end(), {half, std::nextafter(half, 0.0), std::nextafter(half, 1e9), i * 0.1});
    }
    for (double big : {2147483646.5, 2147483647.0, 2147483647.5, -2147483648.0, -2147483648.5, -2147483649.0,
                       2251799813685247.5, 2251799813685248.0, 4503599627370495.5, 1e18, -1e18, 5e-324, -0.0})
        values.push_back(big);
    for (double v : values) {
        const double r = std::nearbyint(v);
        const int expected = r >= INT_MAX ? INT_MAX : (r <= INT_MIN ? INT_MIN : static_cast<int>(r));
        ASSERT_EQ(RoundHalfEven(v), expected) << std::setprecision(17) << v;
    }
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::infinity()), INT_MAX);
    EXPECT_EQ(RoundHalfEven(-std::numeric_limits<double>::infinity()), INT_MIN);
}

TEST(ChartMath, MulDivRoundsToNearestAndRefusesZeroDivisor)
{
    EXPECT_EQ(MulDiv(3, 696, 100), 21);  // 20.88
    EXPECT_EQ(MulDiv(1, 696, 100), 7);   // 6.96
    EXPECT_EQ(MulDiv(1, 250, 100), 3);   // 2.5 rounds away from zero
    EXPECT_EQ(MulDiv(-1, 250, 100), -3);
    EXPECT_EQ(MulDiv(8, 96, 72), 11);
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
    EXPECT_EQ(MulDiv(2000000000, 2000000000, 1), -1);  // overflow is reported, not wrapped
}

TEST(ChartMath, NextNiceStepRunsAlongOneTwoFive)
{
    EXPECT_DOUBLE_EQ(NextNiceStep(1), 2);
    EXPECT_DOUBLE_EQ(NextNiceStep(2), 5);
    EXPECT_DOUBLE_EQ(NextNiceStep(3), 5);
    EXPECT_DOUBLE_EQ(NextNiceStep(5), 10);
    EXPECT_DOUBLE_EQ(NextNiceStep(10), 20);
    EXPECT_DOUBLE_EQ(NextNiceStep(50), 100);
    EXPECT_NEAR(NextNiceStep(0.1), 0.2, 1e-15);
    EXPECT_NEAR(NextNiceStep(0.5), 1.0, 1e-15);
    // No next step for zero or negative input: the sequence restarts instead of recursing forever.
    EXPECT_DOUBLE_EQ(NextNiceStep(0), 1);
    EXPECT_DOUBLE_EQ(NextNiceStep(-3), 1);
}

TEST(ChartMath, LabelCountAndStepOnASixteenUnitAxis)
{
    // 14-pixel labels with 10 % separation need 15 pixels each.
    EXPECT_EQ(MaxLabelCount(210, 14, 10), 14);
    EXPECT_EQ(MaxLabelCount(75, 14, 10), 5);
    EXPECT_EQ(MaxLabelCount(300, 14, 10), 20);
    EXPECT_EQ(MaxLabelCount(300, 0, 10), 1);
    EXPECT_EQ(MaxLabelCount(140, 14, 0), 10);

    EXPECT_DOUBLE_EQ(StepForLabelCount(14, 16, 0, 10), 2);
    EXPECT_DOUBLE_EQ(StepForLabelCount(5, 16, 0, 10), 5);
    EXPECT_DOUBLE_EQ(StepForLabelCount(20, 16, 0, 10), 1);
    EXPECT_DOUBLE_EQ(StepForLabelCount(0, 16, 0, 10), 1e-12);
    // Without separation the starting step stays.
    EXPECT_DOUBLE_EQ(StepForLabelCount(1, 16, 0, 0), 1);
    // A user increment is a lower bound raised along 1-2-5.
    EXPECT_DOUBLE_EQ(StepForLabelCount(100, 500, 5, 10), 5);
    EXPECT_DOUBLE_EQ(StepForLabelCount(30, 500, 5, 10), 20);
    EXPECT_DOUBLE_EQ(StepForLabelCount(8, 500, 5, 10), 100);
    EXPECT_DOUBLE_EQ(StepForLabelCount(3, 500, 5, 10), 200);
    // Small ranges start from the smallest step and still end.
    EXPECT_GT(StepForLabelCount(10, 0.5, 0, 10), 0.0);
    EXPECT_LE(StepForLabelCount(10, 0.5, 0, 10), 0.1);
}

TEST(ChartMath, PlotRectFromMarginsAndRepair)
{
    EXPECT_EQ(MarginPlotRect(TRect(0, 0, 696, 237), 0, 3, 0, 1, 0), TRect(21, 0, 689, 237));
    EXPECT_EQ(MarginPlotRect(TRect(0, 0, 400, 250), 0, 3, 4, 3, 4), TRect(12, 10, 388, 240));
    EXPECT_EQ(MarginPlotRect(TRect(10, 20, 110, 70), 2, 10, 10, 10, 10), TRect(22, 27, 98, 63));

    const TRect bounds(0, 0, 100, 50);
    EXPECT_EQ(NormalizeRect(TRect(-5, -3, 80, 40), bounds, 100, 50), TRect(0, 0, 80, 40));
    EXPECT_EQ(NormalizeRect(TRect(30, 30, 20, 10), bounds, 100, 50), TRect(30, 30, 31, 31));
    EXPECT_EQ(NormalizeRect(TRect(30, 30, 30, 30), bounds, 100, 50), TRect(30, 30, 130, 80));
}

TEST(ChartMath, FormatFloatPictures)
{
    EXPECT_EQ(FormatFloat("#,##0.###", 16), "16");
    EXPECT_EQ(FormatFloat("#,##0.###", 2.5), "2.5");
    EXPECT_EQ(FormatFloat("#,##0.###", 1024), "1,024");
    EXPECT_EQ(FormatFloat("#,##0.###", 0), "0");
    EXPECT_EQ(FormatFloat("#,##0.###", -1234567.1234), "-1,234,567.123");
    EXPECT_EQ(FormatFloat("#,##0.###", 15.9999999999), "16");
    EXPECT_EQ(FormatFloat("#,##0.###", -0.0001), "0");
    EXPECT_EQ(FormatFloat("0.00", 3.14159), "3.14");
    EXPECT_EQ(FormatFloat("000", 7), "007");
    EXPECT_EQ(FormatFloat("##0.## %", 12.5), "12.5 %");
    EXPECT_EQ(FormatFloat("0;(0);zero", -5), "(5)");
    EXPECT_EQ(FormatFloat("0;(0);zero", 0), "zero");
    EXPECT_EQ(FormatFloat("\"v=\"0", 4), "v=4");
    EXPECT_EQ(FormatFloat("", 0.25), "0.25");
}
