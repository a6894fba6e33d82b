#include "ChartTestUtil.h"

#include "chart/ChartException.h"
#include "chart/ChartValueList.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>

TEST(ChartValueList, InsertSortedKeepsAscendingOrderWithEqualValuesAfter)
{
    TChartValueList l(nullptr, "X");
    l.SetOrder(loAscending);
    for (double v : {1.0, 2.0, 3.0})
        l.InsertSorted(v);
    EXPECT_EQ(l.InsertSorted(2.5), 2);
    EXPECT_EQ(l.InsertSorted(0), 0);
    EXPECT_EQ(l.InsertSorted(2), 3);  // after the existing 2 (list is now 0, 1, 2, 2.5, 3)
    EXPECT_EQ(l.StoredValues(), (std::vector<double>{0, 1, 2, 2, 2.5, 3}));
    EXPECT_EQ(l.InsertSorted(7), 6);
}

TEST(ChartValueList, InsertSortedDescendingAndUnordered)
{
    TChartValueList d(nullptr, "Y");
    d.SetOrder(loDescending);
    for (double v : {5.0, 3.0, 1.0})
        d.InsertSorted(v);
    EXPECT_EQ(d.InsertSorted(4), 1);
    EXPECT_EQ(d.InsertSorted(3), 3);  // after the existing 3
    EXPECT_EQ(d.InsertSorted(9), 0);
    EXPECT_EQ(d.StoredValues(), (std::vector<double>{9, 5, 4, 3, 3, 1}));

    TChartValueList n(nullptr, "Y");
    n.InsertSorted(3);
    EXPECT_EQ(n.InsertSorted(1), 1);
}

TEST(ChartValueList, MultiplierScalesReadsAndRefreshesStatistics)
{
    TChartValueList l(nullptr, "Y");
    for (double v : {3.0, -1.0, 4.0})
        l.InsertSorted(v);
    EXPECT_TRUE(l.StatsStale());
    EXPECT_DOUBLE_EQ(l.HighestValue(), 4);
    EXPECT_DOUBLE_EQ(l.LowestValue(), -1);
    EXPECT_DOUBLE_EQ(l.ValueSum(), 6);
    EXPECT_DOUBLE_EQ(l.AbsValueSum(), 8);
    EXPECT_FALSE(l.StatsStale());
    l.SetMultiplier(2);
    EXPECT_TRUE(l.StatsStale());
    EXPECT_DOUBLE_EQ(l.ValueAt(0), 6);
    EXPECT_DOUBLE_EQ(l.HighestValue(), 8);
    EXPECT_DOUBLE_EQ(l.LowestValue(), -2);
    EXPECT_EQ(l.LocateValue(8), 2);
    EXPECT_EQ(l.LocateValue(4), -1);
    l.ClearValueList();
    EXPECT_DOUBLE_EQ(l.HighestValue(), 0);
    EXPECT_DOUBLE_EQ(l.ValueSum(), 0);
}

TEST(ChartValueList, OutOfRangeAccessIsAnError)
{
    TChartValueList l(nullptr, "Y");
    EXPECT_THROW(l.ValueAt(0), std::out_of_range);
    l.InsertSorted(1);
    EXPECT_THROW(l.ValueAt(1), std::out_of_range);
    EXPECT_THROW(l.ValueAt(-1), std::out_of_range);
    EXPECT_THROW(l.SetValueAt(3, 1), std::out_of_range);
    EXPECT_THROW(l.DeleteAt(1), std::out_of_range);
    EXPECT_THROW(l.InsertAt(5, 1), std::out_of_range);
}

TEST(ChartValueList, CopyTakesSettingsButNotName)
{
    TChartValueList a(nullptr, "A"), b(nullptr, "B");
    a.SetOrder(loDescending);
    a.SetDateTime(true);
    a.SetMultiplier(3);
    a.SetValueSource("field");
    b.Assign(a);
    EXPECT_EQ(b.Name(), "B");
    EXPECT_EQ(b.Order(), loDescending);
    EXPECT_TRUE(b.DateTime());
    EXPECT_DOUBLE_EQ(b.Multiplier(), 3);
    EXPECT_EQ(b.ValueSource(), "field");
}

TEST(ChartSeries, AddPointNumbersXAndKeepsLabelsAndColours)
{
    TChartSeries s;
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(s.AddPoint(i % 16, std::to_string(i), i <= 31 ? clGreen : clBlue), i);
    ASSERT_EQ(s.PointCount(), 256);
    for (int i = 0; i < 256; ++i) {
        EXPECT_DOUBLE_EQ(s.PointX(i), i);
        EXPECT_EQ(s.PointLabel(i), std::to_string(i));
    }
    s.SetSeriesColor(clRed);
    EXPECT_EQ(s.PointColor(31), clGreen);
    EXPECT_EQ(s.PointColor(32), clBlue);
    EXPECT_EQ(s.PointColor(999), clRed);  // beyond the stored colours
    EXPECT_EQ(s.PointLabel(999), "");
    EXPECT_TRUE(s.IsYMandatory());
    EXPECT_EQ(s.XValues().Name(), "X");
    EXPECT_EQ(s.YValues().Name(), "Y");
    EXPECT_EQ(s.XValues().Order(), loAscending);
    EXPECT_EQ(s.YValues().Order(), loNone);
}

TEST(ChartSeries, PointColourFallsBackToPaletteOrSeriesColour)
{
    TChartSeries s;
    s.SetSeriesColor(clTeal);
    s.AddPoint(1);
    s.AddPoint(2, "", clYellow);
    s.AddPoint(3);
    EXPECT_EQ(s.PointColor(0), clTeal);
    EXPECT_EQ(s.PointColor(1), clYellow);
    s.SetColorEachPoint(true);
    EXPECT_EQ(s.PointColor(0), ChartPaletteColor(0));
    EXPECT_EQ(s.PointColor(2), ChartPaletteColor(2));
    EXPECT_EQ(s.PointColor(1), clYellow);
    EXPECT_EQ(s.AddNullPoint("gap"), 3);
    EXPECT_EQ(s.PointColor(3), clNone);
}

TEST(ChartSeries, ClearAndDeleteRemoveWholePoints)
{
    TChartSeries s;
    for (int i = 0; i < 5; ++i)
        s.AddPoint(i * 10, "p" + std::to_string(i), static_cast<TColor>(i));
    s.DeletePoint(1);
    EXPECT_EQ(s.PointCount(), 4);
    EXPECT_DOUBLE_EQ(s.PointY(1), 20);
    EXPECT_EQ(s.PointLabel(1), "p2");
    EXPECT_EQ(s.PointColor(1), 2u);
    EXPECT_THROW(s.DeletePoint(4), std::out_of_range);
    s.ClearPoints();
    EXPECT_EQ(s.PointCount(), 0);
    EXPECT_EQ(s.YValues().ValueCount(), 0);
    EXPECT_EQ(s.PointLabel(0), "");
    EXPECT_EQ(s.PointColor(0), s.SeriesColor());
    EXPECT_FALSE(s.HasAnyPointLabel());
}

TEST(ChartSeries, EventsAroundAddAndClear)
{
    TChartSeries s;
    int after = -1, cleared = 0;
    s.OnBeforeAdd = [](TChartSeries& me) { return me.YValues().PendingValue() >= 0; };
    s.OnAfterAdd = [&](TChartSeries&, int index) { after = index; };
    s.OnClearValues = [&](TChartSeries&) { ++cleared; };
    EXPECT_EQ(s.AddPoint(-1), -1);
    EXPECT_EQ(s.PointCount(), 0);
    EXPECT_EQ(s.AddPoint(4), 0);
    EXPECT_EQ(after, 0);
    s.ClearPoints();
    EXPECT_EQ(cleared, 1);

    // Destroying a series clears it, while it is still on its chart.
    TCustomChart chart;
    auto* attached = new TChartSeries;
    attached->SetParentChart(&chart);
    attached->AddPoint(3);
    int clearedPoints = -1;
    int seriesOnChart = -1;
    attached->OnClearValues = [&](TChartSeries& me) {
        clearedPoints = me.PointCount();
        seriesOnChart = chart.SeriesCount();
    };
    delete attached;
    EXPECT_EQ(clearedPoints, 0);
    EXPECT_EQ(seriesOnChart, 1);
    EXPECT_EQ(chart.SeriesCount(), 0);
    // A handler that throws cannot take the program down with the series.
    auto* throwing = new TChartSeries;
    throwing->OnClearValues = [](TChartSeries&) { throw std::runtime_error("handler"); };
    EXPECT_NO_THROW(delete throwing);
}

TEST(ChartSeries, SortValuesKeepsPointsWhole)
{
    TChartSeries s;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dist(-100, 100);
    s.XValues().SetOrder(loNone);
    for (int i = 0; i < 200; ++i) {
        const double x = dist(rng);
        s.AddPointXY(x, x * 2, std::to_string(x), static_cast<TColor>(i));
    }
    s.XValues().SetOrder(loAscending);
    s.XValues().SortValues();
    for (int i = 0; i < 200; ++i) {
        if (i > 0) {
            EXPECT_LE(s.PointX(i - 1), s.PointX(i));
        }
        EXPECT_DOUBLE_EQ(s.PointY(i), s.PointX(i) * 2);
        EXPECT_EQ(s.PointLabel(i), std::to_string(s.PointX(i)));
    }
    s.XValues().SetOrder(loDescending);
    s.XValues().SortValues();
    for (int i = 1; i < 200; ++i) {
        EXPECT_GE(s.PointX(i - 1), s.PointX(i));
    }
}

TEST(ChartSeries, WithoutChartPixelHelpersAreInert)
{
    TChartSeries s;
    s.AddPoint(3);
    EXPECT_EQ(s.HorizAxisObject(), nullptr);
    EXPECT_EQ(s.XToPixel(3), 0);
    EXPECT_EQ(s.PointAt(0, 0), -1);
    EXPECT_EQ(s.PointAtCursor(), -1);
    s.InvalidateChart();  // nothing to repaint, nothing happens
    EXPECT_THROW(s.SetDataSource(&s), ChartException);
}

TEST(ChartSeries, VisibleRangeFollowsTheBottomAxisPixels)
{
    TCustomChart chart;
    ApplyMonitorDesign(chart);
    auto* s = new TChartSeries;
    s->SetParentChart(&chart);
    s->ComputeVisibleRange();
    EXPECT_EQ(s->FirstVisible(), -1);  // empty
    EXPECT_EQ(s->LastVisible(), -1);
    for (int i = 0; i < 256; ++i)
        s->AddPoint(i % 16);
    chart.BottomAxis().SetMaximum(255);
    // The plot and span of the example: plot from x = 40, 630 wide.
    chart.SetPlotRect(TRect(40, 10, 670, 200));
    chart.NormalizePlotRect();
    chart.BottomAxis().ComputeRange();
    chart.BottomAxis().ComputePixelSpan();
    s->ComputeVisibleRange();
    EXPECT_EQ(s->FirstVisible(), 0);
    EXPECT_EQ(s->LastVisible(), 255);
    // A narrower manual range drops points beyond the right edge of the plot.
    chart.BottomAxis().SetMaximum(100);
    chart.BottomAxis().ComputeRange();
    s->ComputeVisibleRange();
    EXPECT_EQ(s->FirstVisible(), 3);  // the plot's left edge now maps to 2.96
    const double high = chart.BottomAxis().PixelToValue(670);
    EXPECT_EQ(s->LastVisible(), static_cast<int>(high));
    s->SetKeepPartialLast(true);
    s->ComputeVisibleRange();
    EXPECT_EQ(s->LastVisible(), static_cast<int>(high) + 1);
    // Not limited by the axis: everything.
    s->SetLimitToAxis(false);
    s->ComputeVisibleRange();
    EXPECT_EQ(s->LastVisible(), 255);
}

TEST(ChartSeries, VisibleRangeSettingsRepaintOnAChange)
{
    TCustomChart chart;
    auto* s = new TChartSeries;
    s->SetParentChart(&chart);
    int before = chart.RepaintRequestCount();
    s->SetLimitToAxis(true);
    s->SetKeepPartialLast(false);
    EXPECT_EQ(chart.RepaintRequestCount(), before);
    s->SetLimitToAxis(false);  // the next pass draws other points
    s->SetKeepPartialLast(true);
    EXPECT_EQ(chart.RepaintRequestCount(), before + 2);
    EXPECT_FALSE(s->LimitToAxis());
    EXPECT_TRUE(s->KeepPartialLast());
}

TEST(ChartSeries, AttachingResolvesAxesAndAssociation)
{
    TCustomChart chart;
    auto* s = new TChartSeries;
    EXPECT_EQ(s->SeriesColor(), clDefault);
    s->SetParentChart(&chart);
    EXPECT_EQ(chart.SeriesCount(), 1);
    EXPECT_EQ(s->SeriesColor(), clRed);  // first free palette colour
    EXPECT_EQ(s->HorizAxisObject(), &chart.BottomAxis());
    EXPECT_EQ(s->VertAxisObject(), &chart.LeftAxis());
    EXPECT_TRUE(s->AssociatedWith(&chart.BottomAxis()));
    EXPECT_TRUE(s->AssociatedWith(&chart.LeftAxis()));
    EXPECT_FALSE(s->AssociatedWith(&chart.RightAxis()));
    EXPECT_FALSE(s->AssociatedWith(&chart.DepthAxis()));
    s->SetVertAxis(aBothVertAxis);
    EXPECT_TRUE(s->AssociatedWith(&chart.RightAxis()));
    s->SetHorizAxis(aTopAxis);
    EXPECT_EQ(s->HorizAxisObject(), &chart.TopAxis());
    EXPECT_FALSE(s->AssociatedWith(&chart.BottomAxis()));
    // Detaching leaves the series without axes and outside the list.
    s->SetParentChart(nullptr);
    EXPECT_EQ(chart.SeriesCount(), 0);
    EXPECT_EQ(s->HorizAxisObject(), nullptr);
    delete s;
}

TEST(ChartSeries, DependentSeriesFollowTheirSource)
{
    TCustomChart chart;
    auto* source = new TChartSeries;
    auto* copy = new TChartSeries;
    source->SetParentChart(&chart);
    copy->SetParentChart(&chart);
    source->AddPoint(1, "a");
    copy->SetDataSource(source);
    EXPECT_EQ(copy->PointCount(), 1);
    source->AddPoint(2, "b");
    EXPECT_EQ(copy->PointCount(), 2);
    EXPECT_EQ(copy->PointLabel(1), "b");
    source->DeletePoint(0);
    EXPECT_EQ(copy->PointCount(), 1);
    source->YValues().SetMultiplier(10);
    EXPECT_DOUBLE_EQ(copy->PointY(0), 20);
    source->ClearPoints();
    EXPECT_EQ(copy->PointCount(), 0);
    delete source;  // unlinks the dependent
    EXPECT_EQ(copy->DataSource(), nullptr);
}

TEST(ChartSeries, ChangingAValueSourceRecopiesTheDataSource)
{
    TCustomChart chart;
    auto* source = new TChartSeries;
    auto* copy = new TChartSeries;
    auto* plain = new TChartSeries;
    for (TChartSeries* s : {source, copy, plain})
        s->SetParentChart(&chart);
    source->AddPoint(1, "a");
    source->AddPoint(2, "b");
    copy->SetDataSource(source);
    copy->YValues().SetValueAt(0, 99);
    copy->DeletePoint(1);
    copy->YValues().SetValueSource("Y");
    EXPECT_EQ(copy->YValues().ValueSource(), "Y");
    ASSERT_EQ(copy->PointCount(), 2);
    EXPECT_DOUBLE_EQ(copy->PointY(0), 1);
    EXPECT_EQ(copy->PointLabel(1), "b");
    // A series without a data source keeps its points.
    plain->AddPoint(5);
    plain->YValues().SetValueSource("Y");
    ASSERT_EQ(plain->PointCount(), 1);
    EXPECT_DOUBLE_EQ(plain->PointY(0), 5);
}

TEST(ChartSeries, ADataSourceLoopIsRefused)
{
    TCustomChart chart;
    auto* a = new TChartSeries;
    auto* b = new TChartSeries;
    auto* c = new TChartSeries;
    for (TChartSeries* s : {a, b, c})
        s->SetParentChart(&chart);
    b->SetTitle("b");
    c->SetTitle("c");
    a->AddPoint(1);
    b->SetDataSource(a);
    c->SetDataSource(b);
    // a computed from c would copy points round the loop without end.
    try {
        a->SetDataSource(c);
        FAIL() << "a loop of data sources was accepted";
    } catch (const ChartException& e) {
        EXPECT_EQ(std::string(e.what()), "No valid DataSource: c");
    }
    EXPECT_EQ(a->DataSource(), nullptr);
    try {
        b->SetDataSource(b);
        FAIL() << "a series was accepted as its own source";
    } catch (const ChartException& e) {
        EXPECT_EQ(std::string(e.what()), "No valid DataSource: b");
    }
    EXPECT_EQ(b->DataSource(), a);
    a->AddPoint(2);
    EXPECT_EQ(c->PointCount(), 2);
}
