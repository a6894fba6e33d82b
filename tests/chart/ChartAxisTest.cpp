#include "ChartTestUtil.h"

#include "chart/ChartAxisException.h"
#include "chart/ChartException.h"
#include "chart/ChartMath.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Lays out one axis against a given plot rectangle (no drawing pass).
void SpanAxis(TCustomChart& chart, TChartAxis& axis, const TRect& plot)
{
    chart.SetPlotRect(plot);
    chart.NormalizePlotRect();
    axis.ComputeRange();
    axis.ComputePixelSpan();
}

template <class F> std::string MessageOf(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing raised)";
}

}  // namespace

TEST(ChartAxis, DefaultsOfANewAxis)
{
    TCustomChart chart;
    TChartAxis& a = chart.BottomAxis();
    EXPECT_TRUE(a.Automatic());
    EXPECT_TRUE(a.AutomaticMinimum());
    EXPECT_TRUE(a.AutomaticMaximum());
    EXPECT_EQ(a.Axis().Width(), 2);
    EXPECT_EQ(a.Grid().Style(), psDot);
    EXPECT_FALSE(a.MinorGrid().Visible());
    EXPECT_EQ(a.TickLength(), 4);
    EXPECT_EQ(a.TickInnerLength(), 0);
    EXPECT_EQ(a.MinorTickLength(), 2);
    EXPECT_EQ(a.MinorTickCount(), 3);
    EXPECT_EQ(a.LabelsSeparation(), 10);
    EXPECT_EQ(a.AxisValuesFormat(), "#,##0.###");
    EXPECT_DOUBLE_EQ(a.EndPosition(), 100);
    EXPECT_TRUE(a.RoundFirstLabel());
    EXPECT_EQ(a.LabelStyle(), talAuto);
    EXPECT_EQ(chart.LeftAxis().Title().Angle(), 90);
    EXPECT_EQ(chart.RightAxis().Title().Angle(), 270);
    EXPECT_FALSE(chart.DepthAxis().Visible());
    ASSERT_EQ(chart.AxesList().size(), 5u);
    EXPECT_EQ(chart.AxesList()[0], &chart.BottomAxis());
    EXPECT_EQ(chart.AxesList()[1], &chart.TopAxis());
    EXPECT_EQ(chart.AxesList()[2], &chart.LeftAxis());
    EXPECT_EQ(chart.AxesList()[3], &chart.RightAxis());
    EXPECT_EQ(chart.AxesList()[4], &chart.DepthAxis());
}

TEST(ChartAxis, PixelSpanAndMappingOfTheBottomAxisExample)
{
    TCustomChart chart;
    ApplyMonitorDesign(chart);
    TChartAxis& b = chart.BottomAxis();
    b.SetMaximum(255);
    SpanAxis(chart, b, TRect(40, 19, 670, 190));
    EXPECT_EQ(b.StartPixel(), 53);
    EXPECT_EQ(b.EndPixel(), 657);
    EXPECT_EQ(b.PixelSize(), 604);
    EXPECT_EQ(b.CenterPixel(), 355);
    EXPECT_EQ(b.ValueToPixel(5), 53);
    EXPECT_EQ(b.ValueToPixel(255), 657);
    EXPECT_EQ(b.ValueToPixel(0), 41);
    EXPECT_DOUBLE_EQ(b.PixelToValue(53), 5);
    EXPECT_DOUBLE_EQ(b.PixelToValue(657), 255);
    b.SetInverted(true);
    EXPECT_EQ(b.ValueToPixel(5), 657);
    EXPECT_EQ(b.ValueToPixel(255), 53);
    EXPECT_DOUBLE_EQ(b.PixelToValue(657), 5);
}

TEST(ChartAxis, PixelOffsetsRoundHalvesToEven)
{
    TCustomChart chart;
    TChartAxis& b = chart.BottomAxis();
    b.SetMinMax(0, 100);
    SpanAxis(chart, b, TRect(0, 0, 100, 100));  // 1 pixel per unit
    EXPECT_EQ(b.ValueToPixel(12.5), 12);
    EXPECT_EQ(b.ValueToPixel(13.5), 14);
    TChartAxis& l = chart.LeftAxis();
    l.SetMinMax(0, 100);
    SpanAxis(chart, l, TRect(0, 0, 100, 100));
    EXPECT_EQ(l.ValueToPixel(12.5), 100 - 12);  // vertical axes grow upwards
    EXPECT_EQ(l.ValueToPixel(13.5), 100 - 14);
    EXPECT_DOUBLE_EQ(l.PixelToValue(100), 0);
    EXPECT_DOUBLE_EQ(l.PixelToValue(0), 100);
}

TEST(ChartAxis, ValuesFarOutsideTheRangeStayDrawablePixels)
{
    TCustomChart chart;
    ApplyMonitorDesign(chart);
    TChartAxis& l = chart.LeftAxis();
    SpanAxis(chart, l, TRect(40, 19, 670, 190));
    // Offsets just inside the int range used to overflow when added to the end pixel.
    const double huge = -2147483000.0 * l.WorkRange() / l.PixelSize();
    EXPECT_EQ(l.ValueToPixel(huge), 1 << 28);
    EXPECT_EQ(l.ValueToPixel(-huge), -(1 << 28));
    TChartAxis& b = chart.BottomAxis();
    b.SetMaximum(255);
    SpanAxis(chart, b, TRect(40, 19, 670, 190));
    EXPECT_EQ(b.ValueToPixel(-5e8), -(1 << 28));
    EXPECT_EQ(b.ValueToPixel(-1e9), b.CenterPixel());  // beyond the integer range
    EXPECT_EQ(b.ValueToPixel(255), 657);
}

TEST(ChartAxis, DegenerateRangesMapToTheCentre)
{
    TCustomChart chart;
    TChartAxis& b = chart.BottomAxis();
    b.SetMinMax(5, 5);  // widened by 1e-10
    EXPECT_GT(b.Maximum(), b.Minimum());
    b.SetAutomatic(true);
    SpanAxis(chart, b, TRect(10, 0, 110, 50));  // no data: both ends 0
    EXPECT_DOUBLE_EQ(b.WorkRange(), 0);
    EXPECT_EQ(b.ValueToPixel(42), b.CenterPixel());
    EXPECT_EQ(b.CenterPixel(), 60);
    b.SetMinMax(0, 1e-300);
    SpanAxis(chart, b, TRect(10, 0, 110, 50));
    EXPECT_EQ(b.ValueToPixel(1e10), b.CenterPixel());  // beyond the integer range
    b.SetStartPosition(50);
    b.SetEndPosition(50);
    SpanAxis(chart, b, TRect(10, 0, 110, 50));
    EXPECT_DOUBLE_EQ(b.PixelToValue(70), 0.0);  // zero span maps every pixel to 0
}

TEST(ChartAxis, AbsurdSpanPositionsGiveDrawablePixels)
{
    TCustomChart chart;
    TChartAxis& b = chart.BottomAxis();
    b.SetMinMax(0, 10);
    b.SetStartPosition(-1e12);
    b.SetEndPosition(1e12);
    SpanAxis(chart, b, TRect(100, 0, 300, 50));
    // The ends are kept far outside any surface instead of wrapping round the int range.
    EXPECT_EQ(b.StartPixel(), -(1 << 28));
    EXPECT_EQ(b.EndPixel(), 1 << 28);
    EXPECT_EQ(b.PixelSize(), 1 << 29);
    EXPECT_EQ(b.CenterPixel(), 0);
    EXPECT_EQ(b.ValueToPixel(5), 0);
}

TEST(ChartAxis, ValidationsKeepTheOldValue)
{
    TCustomChart chart;
    TChartAxis& b = chart.BottomAxis();
    b.SetMaximum(512);
    b.SetMinimum(5);
    b.SetMaximum(255);  // still above the minimum
    EXPECT_EQ(MessageOf([&] { b.SetMinimum(300); }), "Axis Minimum Value must be <= Maximum");
    EXPECT_DOUBLE_EQ(b.Minimum(), 5);
    EXPECT_EQ(MessageOf([&] { b.SetMaximum(1); }), "Axis Maximum Value must be >= Minimum");
    EXPECT_DOUBLE_EQ(b.Maximum(), 255);
    EXPECT_THROW(b.SetMinimum(300), ChartAxisException);
    EXPECT_EQ(MessageOf([&] { b.SetIncrement(-1); }), "Axis increment must be >= 0");
    EXPECT_DOUBLE_EQ(b.Increment(), 0);
    EXPECT_EQ(MessageOf([&] { b.SetLabelsSeparation(-1); }), "Labels Separation % must be greater than 0");
    EXPECT_EQ(b.LabelsSeparation(), 10);
    EXPECT_EQ(MessageOf([&] { b.SetLogarithmicBase(1); }), "Axis Logarithmic Base should be >= 2");
    EXPECT_EQ(b.LogarithmicBase(), 10);
    EXPECT_EQ(MessageOf([&] { b.SetLabelsAngle(360); }), "Axis Labels Angle must be between 0 and 359 degrees");
    EXPECT_EQ(MessageOf([&] { b.SetLabelsAngle(-1); }), "Axis Labels Angle must be between 0 and 359 degrees");
    EXPECT_EQ(b.LabelsAngle(), 0);
    EXPECT_THROW(b.SetLabelsAngle(360), ChartException);
    EXPECT_EQ(MessageOf([&] { b.Title().SetAngle(400); }), "Axis Title Angle must be between 0 and 359 degrees");
    EXPECT_EQ(b.Title().Angle(), 0);
    b.SetLabelsAngle(359);
    EXPECT_EQ(b.LabelsAngle(), 359);

    TChartAxis& r = chart.RightAxis();
    r.SetMinMax(-0.5, 64);
    chart.SetPlotRect(TRect(0, 0, 100, 100));
    r.ComputeRange();
    EXPECT_EQ(MessageOf([&] { r.SetLogarithmic(true); }), "Logarithmic Axis Min and Max values should be >= 0");
    EXPECT_FALSE(r.Logarithmic());
    // Only the working ends decide: new manual ends count from the next layout on.
    r.SetMinMax(1, 64);
    EXPECT_THROW(r.SetLogarithmic(true), ChartException);
    r.ComputeRange();
    r.SetLogarithmic(true);
    EXPECT_TRUE(r.Logarithmic());
    TChartAxis& t = chart.TopAxis();
    t.SetMinMax(-3, 8);
    t.SetLogarithmic(true);
    EXPECT_TRUE(t.Logarithmic());

    auto* s = new TChartSeries;
    s->SetParentChart(&chart);
    s->XValues().SetDateTime(true);
    EXPECT_EQ(MessageOf([&] { b.SetLogarithmic(true); }), "DateTime Axis cannot be Logarithmic");
}

TEST(ChartAxis, WhileLoadingEndsAreNotCrossChecked)
{
    TCustomChart chart;
    chart.BeginLoading();
    chart.BottomAxis().SetMinimum(5);  // above the default maximum 0
    chart.BottomAxis().SetAutomatic(false);
    chart.EndLoading();
    EXPECT_DOUBLE_EQ(chart.BottomAxis().Minimum(), 5);
    // Writing Automatic while loading leaves the end flags alone.
    EXPECT_TRUE(chart.BottomAxis().AutomaticMinimum());
}

TEST(ChartAxis, AutomaticFlagsFollowEachOther)
{
    TCustomChart chart;
    TChartAxis& a = chart.LeftAxis();
    a.SetAutomaticMaximum(false);
    EXPECT_FALSE(a.Automatic());
    a.SetAutomaticMaximum(true);
    EXPECT_TRUE(a.Automatic());
    a.SetAutomaticMinimum(false);
    a.SetAutomaticMaximum(false);
    a.SetAutomaticMaximum(true);
    EXPECT_FALSE(a.Automatic());  // the minimum is still manual
    a.SetAutomatic(true);
    EXPECT_TRUE(a.AutomaticMinimum());
    EXPECT_TRUE(a.AutomaticMaximum());
    a.SetMinMax(10, 2);  // swapped
    EXPECT_DOUBLE_EQ(a.Minimum(), 2);
    EXPECT_DOUBLE_EQ(a.Maximum(), 10);
    EXPECT_FALSE(a.Automatic() || a.AutomaticMinimum() || a.AutomaticMaximum());
}

TEST(ChartAxis, WritingAutomaticRepaintsWhenAnEndFlagChanges)
{
    TCustomChart chart;
    TChartAxis& a = chart.LeftAxis();
    a.SetAutomaticMaximum(false);  // Automatic is false now, the minimum still automatic
    int before = chart.RepaintRequestCount();
    a.SetAutomatic(false);  // makes the minimum manual: the next pass scales differently
    EXPECT_FALSE(a.AutomaticMinimum());
    EXPECT_EQ(chart.RepaintRequestCount(), before + 1);
    before = chart.RepaintRequestCount();
    a.SetAutomatic(false);  // nothing changes
    EXPECT_EQ(chart.RepaintRequestCount(), before);
}

TEST(ChartAxis, LabelStepOnASixteenUnitValueAxis)
{
    TCustomChart chart;
    TChartAxis& l = chart.LeftAxis();
    l.SetMinMax(0, 16);
    const int lh = [&] {
        TChartFont f = l.LabelsFont();
        chart.UseFont(f);
        return chart.Canvas().LineHeight();
    }();
    const int each = lh + RoundHalfEven(0.1 * lh);  // label height plus separation
    SpanAxis(chart, l, TRect(0, 0, 100, 14 * each));
    EXPECT_DOUBLE_EQ(l.LabelStep(), 2);
    SpanAxis(chart, l, TRect(0, 0, 100, 5 * each));
    EXPECT_DOUBLE_EQ(l.LabelStep(), 5);
    SpanAxis(chart, l, TRect(0, 0, 100, 20 * each));
    EXPECT_DOUBLE_EQ(l.LabelStep(), 1);
    // The worked numbers with the 14-pixel line height: 180 pixels give 12 labels, step 2.
    l.LabelsFont().SetHeight(-12);
    SpanAxis(chart, l, TRect(0, 0, 100, 180));
    EXPECT_DOUBLE_EQ(l.LabelStep(), 2);
}

TEST(ChartAxis, IncrementIsRaisedUntilTheLabelsFit)
{
    TCustomChart chart;
    TChartAxis& l = chart.LeftAxis();
    l.SetMinMax(0, 1000);
    l.SetIncrement(5);
    SpanAxis(chart, l, TRect(0, 0, 100, 2000));
    EXPECT_DOUBLE_EQ(l.LabelStep(), 10);
    SpanAxis(chart, l, TRect(0, 0, 100, 200));
    EXPECT_DOUBLE_EQ(l.LabelStep(), 100);
    SpanAxis(chart, l, TRect(0, 0, 100, 40));
    EXPECT_DOUBLE_EQ(l.LabelStep(), 500);
}

TEST(ChartAxis, FormatAndLabelStyle)
{
    TCustomChart chart;
    TChartAxis& l = chart.LeftAxis();
    EXPECT_EQ(l.FormatAxisValue(16), "16");
    EXPECT_EQ(l.FormatAxisValue(2.5), "2.5");
    EXPECT_EQ(l.FormatAxisValue(1024), "1,024");
    chart.OnGetAxisLabel = [](TChartAxis&, TChartSeries*, int, std::string& text) { text += "!"; };
    EXPECT_EQ(l.FormatAxisValue(3), "3!");
    chart.OnGetAxisLabel = nullptr;
    EXPECT_EQ(l.FormatAxisValue(3), "3");  // a kept text is the value's own, not what a handler made of it
    EXPECT_EQ(l.FormatAxisValue(0.0), FormatFloat(l.AxisValuesFormat(), 0.0));
    EXPECT_EQ(l.FormatAxisValue(-0.0), FormatFloat(l.AxisValuesFormat(), -0.0));
    l.SetLabelsMultiLine(true);
    l.SetAxisValuesFormat("0 \"bits\"");
    EXPECT_EQ(l.FormatAxisValue(3), "3\rbits");

    // No series: no labels on auto axes.
    EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), talNone);
    auto* s = new TChartSeries;
    s->SetParentChart(&chart);
    s->AddPoint(1);
    EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), talValue);
    EXPECT_EQ(chart.LeftAxis().EffectiveLabelStyle(), talValue);
    EXPECT_EQ(chart.RightAxis().EffectiveLabelStyle(), talNone);
    s->ClearPoints();
    s->AddPoint(1, "first");
    EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), talText);  // labels run along the bottom axis
    EXPECT_EQ(chart.LeftAxis().EffectiveLabelStyle(), talValue);
    chart.BottomAxis().SetLabelStyle(talMark);
    EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), talMark);
    s->SetActive(false);
    EXPECT_EQ(chart.LeftAxis().EffectiveLabelStyle(), talNone);
}

TEST(ChartAxis, RoomOfTheMonitorAxes)
{
    for (int px : {11, 12}) {
        TCustomChart chart;
        ApplyMonitorDesign(chart);
        UseFontPixelHeight(chart, px);
        auto* s = new TChartSeries;
        s->SetParentChart(&chart);
        TChartCanvas3D& c = chart.Canvas();
        TChartFont f;
        f.SetHeight(-px);
        chart.UseFont(f);
        const int lh = c.LineHeight();
        const int labelWidth = std::max(c.MeasureTextWidth("16"), c.MeasureTextWidth("0")) + c.MeasureTextWidth(" ");

        TRect r(21, 19, 689, 237);
        chart.BottomAxis().ComputeRange();
        chart.BottomAxis().ReserveAxisRoom(r, true);
        EXPECT_EQ(r, TRect(21, 19, 689, 237 - (lh + 29 + 2)));
        EXPECT_EQ(chart.BottomAxis().TitlePos(), 237 - lh);
        EXPECT_EQ(chart.BottomAxis().LabelsPos(), 237 - lh - 29);
        const TRect afterBottom = r;
        chart.LeftAxis().ComputeRange();
        chart.LeftAxis().ReserveAxisRoom(r, true);
        EXPECT_EQ(r.Left, 21 + lh + labelWidth + 4);
        EXPECT_EQ(r.Right, afterBottom.Right);
        EXPECT_EQ(chart.LeftAxis().TitlePos(), 21 + lh);
        EXPECT_EQ(chart.LeftAxis().LabelsPos(), 21 + lh + labelWidth);
        if (px == 12) {
            EXPECT_EQ(lh, 14);
            EXPECT_EQ(chart.BottomAxis().LabelBandSize(), 29);  // fixed, whatever the texts
        }
    }
}

TEST(ChartAxis, BandSizesAndPositionPercent)
{
    TCustomChart chart;
    TChartAxis& b = chart.BottomAxis();
    EXPECT_EQ(b.TickBandSize(), 2 + 4);  // axis width + tick length
    b.Axis().SetVisible(false);
    EXPECT_EQ(b.TickBandSize(), 4);
    b.SetMinorTickLength(7);
    EXPECT_EQ(b.TickBandSize(), 7);
    b.MinorTicks().SetVisible(false);
    b.Ticks().SetVisible(false);
    EXPECT_EQ(b.TickBandSize(), 0);
    b.SetTitleSize(33);
    EXPECT_EQ(b.TitleBandSize(), 33);

    const TRect r(0, 0, 200, 100);
    EXPECT_EQ(b.EdgeOf(r), 100);
    EXPECT_EQ(chart.TopAxis().EdgeOf(r), 0);
    EXPECT_EQ(chart.LeftAxis().EdgeOf(r), 0);
    EXPECT_EQ(chart.RightAxis().EdgeOf(r), 200);
    b.SetPositionPercent(10);
    EXPECT_EQ(b.ApplyPositionPercent(100, r), 90);
    chart.RightAxis().SetPositionPercent(10);
    EXPECT_EQ(chart.RightAxis().ApplyPositionPercent(200, r), 180);
}

TEST(ChartAxis, MarginsWidenTheWorkingRange)
{
    TCustomChart chart;
    TChartAxis& b = chart.BottomAxis();
    b.SetMinMax(0, 100);
    SpanAxis(chart, b, TRect(0, 0, 120, 50));
    b.AdjustRangeForMargins(TRect(10, 0, 10, 0));
    EXPECT_EQ(b.StartPixel(), 0);
    EXPECT_EQ(b.EndPixel(), 120);
    EXPECT_DOUBLE_EQ(b.WorkMinimum(), -10);
    EXPECT_DOUBLE_EQ(b.WorkMaximum(), 110);
    EXPECT_EQ(b.ValueToPixel(0), 10);
    EXPECT_EQ(b.ValueToPixel(100), 110);

    TChartAxis& l = chart.LeftAxis();
    l.SetMinMax(0, 100);
    SpanAxis(chart, l, TRect(0, 0, 50, 120));
    l.AdjustRangeForMargins(TRect(0, 10, 0, 0));  // room at the top only
    EXPECT_DOUBLE_EQ(l.WorkMinimum(), 0);
    EXPECT_NEAR(l.WorkMaximum(), 100 + 1000.0 / 110, 1e-9);
    EXPECT_EQ(l.ValueToPixel(100), 10);  // the maximum sits 10 pixels below the top
    EXPECT_EQ(l.ValueToPixel(0), 120);
}

TEST(ChartAxis, ShownOnlyWithAnAssociatedActiveSeries)
{
    TCustomChart chart;
    for (TChartAxis* a : {&chart.BottomAxis(), &chart.TopAxis(), &chart.LeftAxis(), &chart.RightAxis()})
        EXPECT_TRUE(chart.AxisShown(*a));  // no series: every visible axis
    EXPECT_FALSE(chart.AxisShown(chart.DepthAxis()));
    auto* s = new TChartSeries;
    s->SetParentChart(&chart);
    EXPECT_TRUE(chart.AxisShown(chart.BottomAxis()));
    EXPECT_TRUE(chart.AxisShown(chart.LeftAxis()));
    EXPECT_FALSE(chart.AxisShown(chart.RightAxis()));
    EXPECT_FALSE(chart.AxisShown(chart.TopAxis()));
    chart.LeftAxis().SetVisible(false);
    EXPECT_FALSE(chart.AxisShown(chart.LeftAxis()));
    s->SetActive(false);
    EXPECT_TRUE(chart.AxisShown(chart.RightAxis()));
    chart.SetAxisVisible(false);
    EXPECT_FALSE(chart.AxisShown(chart.BottomAxis()));
}

TEST(ChartAxis, HitTestCoversLabelsAndAxisLine)
{
    TCustomChart chart;
    TChartAxis& b = chart.BottomAxis();
    b.SetMinMax(0, 10);
    SpanAxis(chart, b, TRect(20, 10, 220, 150));
    TRect r(20, 10, 220, 200);
    b.ReserveAxisRoom(r, false);  // AxisPos 200, labels below
    EXPECT_EQ(b.AxisPos(), 200);
    EXPECT_TRUE(b.AxisHit(100, b.LabelsPos()));
    EXPECT_TRUE(b.AxisHit(100, 197));
    EXPECT_FALSE(b.AxisHit(100, 196));
    EXPECT_FALSE(b.AxisHit(10, 200));
    b.SetVisible(false);
    EXPECT_FALSE(b.AxisHit(100, 200));
}
