#include "ChartTestUtil.h"

#include "chart/Chart.h"
#include "chart/ChartException.h"
#include "chart/ChartMath.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Records the plot rectangle at the points of a pass the tests look at.
class TRecordingChart : public TCustomChart {
public:
    void DrawTitlesAndLegendArea() override
    {
        plotBeforeTitles = PlotRect();
        TCustomChart::DrawTitlesAndLegendArea();
        plotAfterTitles = PlotRect();
    }
    TRect plotBeforeTitles;
    TRect plotAfterTitles;
};

// A series that floods the whole panel when drawn (to see the clip).
class TFloodSeries : public TChartSeries {
public:
    void DrawPoint(int /*index*/) override
    {
        TChartCanvas3D& c = ParentChart()->Canvas();
        c.Brush().Style = bsSolid;
        c.Brush().Color = clRed;
        c.FillArea(TRect(0, 0, 2000, 2000));
    }
};

template <class F> std::string MessageOf(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing raised)";
}

int TextLineHeight(TCustomChart& chart, int px)
{
    TChartFont f;
    if (px > 0)
        f.SetHeight(-px);
    chart.UseFont(f);
    return chart.Canvas().LineHeight();
}

}  // namespace

TEST(ChartPanel, PublishedDefaults)
{
    TCustomChart c;
    EXPECT_EQ(c.Width(), 400);
    EXPECT_EQ(c.Height(), 250);
    EXPECT_EQ(c.Color(), clBtnFace);
    EXPECT_EQ(c.BevelOuter(), bvRaised);
    EXPECT_EQ(c.BevelInner(), bvNone);
    EXPECT_EQ(c.BevelWidth(), 1);
    EXPECT_EQ(c.BorderWidth(), 0);
    EXPECT_EQ(c.MarginLeft(), 3);
    EXPECT_EQ(c.MarginTop(), 4);
    EXPECT_EQ(c.MarginRight(), 3);
    EXPECT_EQ(c.MarginBottom(), 4);
    EXPECT_EQ(c.BackColor(), clDefault);
    EXPECT_EQ(c.BackWall().Brush().Style(), bsClear);
    EXPECT_TRUE(c.View3D());
    EXPECT_EQ(c.Chart3DPercent(), 15);
    EXPECT_TRUE(c.AxisVisible());
    EXPECT_TRUE(c.ClipPoints());
    EXPECT_EQ(c.MaxPointsPerPage(), 0);
    EXPECT_EQ(c.Page(), 1);
    EXPECT_TRUE(c.ScaleLastPage());
    EXPECT_TRUE(c.Legend().Visible());
    EXPECT_EQ(c.Title().Font().Color(), clBlue);
    EXPECT_FALSE(c.Title().Frame().Visible());
    EXPECT_TRUE(c.Title().AdjustFrame());
    EXPECT_EQ(c.LeftWall().Color(), 0x80FFFFu);
    EXPECT_EQ(c.BottomWall().Color(), clWhite);
    EXPECT_EQ(c.View3DOptions().Elevation(), 345);
    EXPECT_EQ(c.View3DOptions().Perspective(), 15);
    EXPECT_EQ(c.View3DOptions().Zoom(), 100);
    EXPECT_TRUE(c.RepaintEnabled());
    EXPECT_EQ(c.PanelRect(), TRect(0, 0, 400, 250));
    EXPECT_EQ(c.Tag(), 0);
}

TEST(ChartPanel, ValidationsRaiseAndKeepTheOldValue)
{
    TCustomChart c;
    EXPECT_EQ(MessageOf([&] { c.SetChart3DPercent(0); }), "3D effect percent must be between 1 and 100");
    EXPECT_EQ(MessageOf([&] { c.SetChart3DPercent(101); }), "3D effect percent must be between 1 and 100");
    EXPECT_THROW(c.SetChart3DPercent(-5), ChartException);
    EXPECT_EQ(c.Chart3DPercent(), 15);
    c.SetChart3DPercent(100);
    c.SetChart3DPercent(1);
    EXPECT_EQ(c.Chart3DPercent(), 1);
    EXPECT_EQ(MessageOf([&] { c.SetMaxPointsPerPage(-1); }), "MaxPointsPerPage must be >= 0");
    EXPECT_EQ(c.MaxPointsPerPage(), 0);
}

TEST(ChartPanel, PlotRectStartsFromBorderAndMargins)
{
    TRecordingChart c;
    ApplyMonitorDesign(c);
    PaintWindow(c);
    EXPECT_EQ(c.plotBeforeTitles, TRect(21, 0, 689, 237));
    EXPECT_EQ(c.PanelBounds(), TRect(0, 0, 696, 237));
    c.SetBorderWidth(2);
    PaintWindow(c);
    EXPECT_EQ(c.plotBeforeTitles, TRect(23, 2, 687, 235));
}

TEST(ChartPanel, TitleRoomFollowsItsLines)
{
    TRecordingChart c;
    ApplyMonitorDesign(c);
    const int lh = TextLineHeight(c, 0);
    PaintWindow(c);
    EXPECT_EQ(c.plotAfterTitles.Top, lh + 5);  // one empty line
    c.Title().SetText({"a", "b"});
    PaintWindow(c);
    EXPECT_EQ(c.plotAfterTitles.Top, 2 * lh + 5);
    c.Title().SetText({});
    PaintWindow(c);
    EXPECT_EQ(c.plotAfterTitles.Top, 0);
    c.Title().SetText({""});
    c.Title().SetVisible(false);
    PaintWindow(c);
    EXPECT_EQ(c.plotAfterTitles.Top, 0);
    // A foot takes its room at the bottom.
    c.Foot().SetText({"foot"});
    PaintWindow(c);
    EXPECT_EQ(c.plotAfterTitles.Bottom, 237 - lh - 5);
    // A framed title adds its frame on both sides.
    c.Title().SetVisible(true);
    c.Title().Frame().SetVisible(true);
    c.Title().Frame().SetWidth(2);
    PaintWindow(c);
    EXPECT_EQ(c.plotAfterTitles.Top, 2 + lh + 2 + 5);
}

TEST(ChartPanel, MonitorLayoutAtLineHeights12And14)
{
    for (int px : {11, 12}) {
        TCustomChart c;
        ApplyMonitorDesign(c);
        UseFontPixelHeight(c, px);
        c.BottomAxis().Grid().SetVisible(false);
        c.LeftAxis().Grid().SetVisible(false);
        auto* s = new TChartSeries;
        s->SetParentChart(&c);
        const int lh = TextLineHeight(c, px);
        const int labels = std::max(c.Canvas().MeasureTextWidth("16"), c.Canvas().MeasureTextWidth("0")) +
                           c.Canvas().MeasureTextWidth(" ");
        const QImage im = PaintWindow(c);
        const TRect plot(21 + lh + labels + 4, lh + 5, 689, 237 - lh - 29 - 2);
        EXPECT_EQ(c.PlotRect(), plot);
        if (px == 12) {
            EXPECT_EQ(lh, 14);
            EXPECT_EQ(plot.Top, 19);
            EXPECT_EQ(plot.Bottom, 192);
        }
        // Back wall: white inside, black frame on the plot rectangle's own edges.
        const int midX = (plot.Left + plot.Right) / 2, midY = (plot.Top + plot.Bottom) / 2;
        EXPECT_EQ(PixelAt(im, plot.Left, midY), clBlack);
        EXPECT_EQ(PixelAt(im, plot.Right, midY), clBlack);
        EXPECT_EQ(PixelAt(im, midX, plot.Top), clBlack);
        EXPECT_EQ(PixelAt(im, midX, plot.Bottom), clBlack);
        EXPECT_EQ(PixelAt(im, plot.Left + 1, midY), clWhite);
        EXPECT_EQ(PixelAt(im, plot.Right - 1, plot.Bottom - 1), clWhite);
        EXPECT_EQ(PixelAt(im, plot.Right + 1, midY), ColorToRGB(clBtnFace));
        // Bevels: raised outer ring, lowered inner ring; panel colour between.
        const TColor light = ColorToRGB(clBtnHighlight), dark = ColorToRGB(clBtnShadow);
        EXPECT_EQ(PixelAt(im, 0, 100), light);
        EXPECT_EQ(PixelAt(im, 100, 0), light);
        EXPECT_EQ(PixelAt(im, 695, 100), dark);
        EXPECT_EQ(PixelAt(im, 100, 236), dark);
        EXPECT_EQ(PixelAt(im, 1, 100), dark);
        EXPECT_EQ(PixelAt(im, 100, 1), dark);
        EXPECT_EQ(PixelAt(im, 694, 100), light);
        EXPECT_EQ(PixelAt(im, 100, 235), light);
        EXPECT_EQ(PixelAt(im, 5, 100), ColorToRGB(clBtnFace));
        // Axis spans as laid out.
        EXPECT_EQ(c.BottomAxis().StartPixel(), plot.Left + RoundHalfEven(plot.Width() * 0.02));
        EXPECT_EQ(c.LeftAxis().EndPixel(), plot.Top + RoundHalfEven(plot.Height() * 0.98));
        EXPECT_DOUBLE_EQ(c.BottomAxis().WorkMinimum(), 5);
        EXPECT_DOUBLE_EQ(c.BottomAxis().WorkMaximum(), 512);
    }
}

TEST(ChartPanel, NoSeriesShowsEveryVisibleAxisAndHidingAxesGivesNoRoom)
{
    TCustomChart c;
    ApplyMonitorDesign(c);
    PaintWindow(c);
    const TRect withAxes = c.PlotRect();
    c.SetAxisVisible(false);
    PaintWindow(c);
    const int lh = TextLineHeight(c, 0);
    EXPECT_EQ(c.PlotRect(), TRect(21, lh + 5, 689, 237));
    EXPECT_LT(withAxes.Right, 689);  // the right axis took room while no series was there
    c.SetAxisVisible(true);
    auto* s = new TChartSeries;
    s->SetParentChart(&c);
    PaintWindow(c);
    EXPECT_EQ(c.PlotRect().Right, 689);  // right and top axes: no associated series, no room
    EXPECT_EQ(c.PlotRect().Top, lh + 5);
}

TEST(ChartPanel, SeriesDrawingIsClippedInsideTheFrame)
{
    TCustomChart c;
    ApplyMonitorDesign(c);
    auto* s = new TFloodSeries;
    s->SetParentChart(&c);
    s->AddPoint(1);
    c.BottomAxis().SetMinimum(0);
    const QImage im = PaintWindow(c);
    const TRect p = c.PlotRect();
    int minX = 9999, maxX = -1, minY = 9999, maxY = -1;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            if (PixelAt(im, x, y) == clRed) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    EXPECT_EQ(minX, p.Left + 1);
    EXPECT_EQ(maxX, p.Right - 1);
    EXPECT_EQ(minY, p.Top + 1);
    EXPECT_EQ(maxY, p.Bottom - 2);
    EXPECT_EQ(PixelAt(im, p.Left + 5, p.Bottom), clBlack);
    EXPECT_EQ(PixelAt(im, p.Left + 5, p.Bottom - 1), clWhite);

    c.SetClipPoints(false);
    const QImage unclipped = PaintWindow(c);
    EXPECT_EQ(PixelAt(unclipped, 0, 0), clRed);
}

TEST(ChartPanel, DrawingOrderAndEvents)
{
    TCustomChart c;
    ApplyMonitorDesign(c);
    std::vector<std::string> log;
    auto* active = new TChartSeries;
    auto* inactive = new TChartSeries;
    active->SetParentChart(&c);
    inactive->SetParentChart(&c);
    active->AddPoint(3);
    inactive->AddPoint(4);
    inactive->SetActive(false);
    active->BeforeDrawValues = [&](TChartSeries&) { log.push_back("before values"); };
    active->AfterDrawValues = [&](TChartSeries&) { log.push_back("after values"); };
    inactive->BeforeDrawValues = [&](TChartSeries&) { log.push_back("inactive drawn"); };
    c.OnBeforeDrawAxes = [&] { log.push_back("axes"); };
    c.OnBeforeDrawSeries = [&] { log.push_back("series"); };
    c.OnAfterDraw = [&] { log.push_back("after"); };
    PaintWindow(c);
    EXPECT_EQ(log, (std::vector<std::string>{"axes", "series", "before values", "after values", "after"}));
    log.clear();
    c.SetAxisVisible(false);
    PaintWindow(c);
    EXPECT_EQ(log, (std::vector<std::string>{"series", "before values", "after values", "after"}));
    // An empty series is not drawn at all.
    log.clear();
    active->ClearPoints();
    PaintWindow(c);
    EXPECT_EQ(log, (std::vector<std::string>{"series", "after"}));
}

TEST(ChartPanel, ManyChangesBetweenPaintsCostOnePass)
{
    TCustomChart c;
    ApplyMonitorDesign(c);
    auto* s = new TChartSeries;
    s->SetParentChart(&c);
    PaintWindow(c);
    EXPECT_EQ(c.DrawingPassCount(), 1);
    const QImage again = PaintWindow(c);  // clean buffer: copied, not drawn
    EXPECT_EQ(c.DrawingPassCount(), 1);
    s->ClearPoints();
    for (int i = 0; i < 513; ++i)
        s->AddPoint(i % 16, std::to_string(i), i <= 31 ? clGreen : clBlue);
    c.BottomAxis().SetMaximum(255);
    EXPECT_EQ(c.DrawingPassCount(), 1);  // requests never draw
    PaintWindow(c);
    EXPECT_EQ(c.DrawingPassCount(), 2);
    PaintWindow(c);
    EXPECT_EQ(c.DrawingPassCount(), 2);
    EXPECT_EQ(c.Canvas().BufferCreations(), 1);
    // A resize makes a new buffer of the new size on the next pass.
    c.SetSize(800, 300);
    const QImage resized = PaintWindow(c);
    EXPECT_EQ(c.DrawingPassCount(), 3);
    EXPECT_EQ(c.Canvas().BufferCreations(), 2);
    EXPECT_EQ(c.Canvas().Buffer().size(), QSize(800, 300));
    EXPECT_EQ(resized.size(), QSize(800, 300));
}

TEST(ChartPanel, RepaintedPictureEqualsTheDrawnOne)
{
    TCustomChart c;
    ApplyMonitorDesign(c);
    const QImage first = PaintWindow(c);
    const QImage copy = PaintWindow(c);
    EXPECT_EQ(c.DrawingPassCount(), 1);
    EXPECT_EQ(first, copy);
}

TEST(ChartPanel, SettersRepaintOnlyOnAChange)
{
    TCustomChart c;
    const int before = c.RepaintRequestCount();
    c.SetMarginLeft(3);
    c.SetColor(clBtnFace);
    c.BottomAxis().SetTickLength(4);
    c.Title().SetVisible(true);
    c.BackWall().Pen().SetColor(clBlack);
    EXPECT_EQ(c.RepaintRequestCount(), before);
    c.SetMarginLeft(5);
    EXPECT_EQ(c.RepaintRequestCount(), before + 1);
    c.BottomAxis().Grid().SetColor(clRed);
    c.Title().Font().SetColor(clRed);
    c.BackWall().Brush().SetColor(clWhite);
    EXPECT_EQ(c.RepaintRequestCount(), before + 4);
    EXPECT_TRUE(c.Canvas().Dirty());

    // The zoom, panning and print settings behave alike.
    const int settings = c.RepaintRequestCount();
    c.SetAllowZoom(c.AllowZoom());
    c.SetAllowPanning(c.AllowPanning());
    c.SetAnimatedZoom(c.AnimatedZoom());
    c.SetAnimatedZoomSteps(c.AnimatedZoomSteps());
    c.SetPrintProportional(c.PrintProportional());
    EXPECT_EQ(c.RepaintRequestCount(), settings);
    c.SetAllowZoom(!c.AllowZoom());
    c.SetAllowPanning(pmNone);
    c.SetAnimatedZoom(!c.AnimatedZoom());
    c.SetAnimatedZoomSteps(c.AnimatedZoomSteps() + 1);
    c.SetPrintProportional(!c.PrintProportional());
    EXPECT_EQ(c.RepaintRequestCount(), settings + 5);
}

TEST(ChartFont, DefaultFontOnAJapaneseSystemIsTheFrameworksFont)
{
    const QFont savedAppFont = QGuiApplication::font();
    QFont framework("Liberation Serif");
    framework.setPixelSize(16);  // 12 points at the offscreen screen's 96 dpi
    QGuiApplication::setFont(framework);

    TChartFont::SetJapaneseSystemCheck([] { return false; });
    const TChartFont western;
    TChartFont::SetJapaneseSystemCheck([] { return true; });
    const TChartFont japanese;
    TCustomChart chart;
    TChartFont::SetJapaneseSystemCheck(nullptr);
    QGuiApplication::setFont(savedAppFont);

    EXPECT_EQ(western.Name(), "Arial");
    EXPECT_EQ(western.Size(), 8);
    EXPECT_EQ(japanese.Name(), "Liberation Serif");
    EXPECT_EQ(japanese.Size(), 12);
    EXPECT_EQ(japanese.PixelSize(), 16);
    EXPECT_EQ(japanese.Color(), clBlack);
    // The chart's texts start from that default (the title keeps its blue).
    EXPECT_EQ(chart.BottomAxis().LabelsFont().Name(), "Liberation Serif");
    EXPECT_EQ(chart.Title().Font().Name(), "Liberation Serif");
    EXPECT_EQ(chart.Title().Font().Size(), 12);
    EXPECT_EQ(chart.Title().Font().Color(), clBlue);
}

TEST(ChartPanel, CopiesOfUnchangedSettingsRequestNoRepaint)
{
    TCustomChart c;
    c.LeftAxis().SetMinMax(0, 16);
    const int before = c.RepaintRequestCount();
    const TChartBrush brush = c.BackWall().Brush();
    c.BackWall().Brush() = brush;
    c.BackWall().Brush().SetBitmap(QImage());
    TView3DOptions options;
    options.Assign(c.View3DOptions());
    c.View3DOptions().Assign(options);
    c.SetBackImage(QImage());
    c.LeftAxis().SetMinMax(0, 16);
    c.LeftAxis().SetMinMax(16, 0);  // swapped back to the same ends
    EXPECT_EQ(c.RepaintRequestCount(), before);
    TChartBrush red;
    red.SetColor(clRed);
    c.BackWall().Brush() = red;
    options.SetZoom(120);
    c.View3DOptions().Assign(options);
    c.SetBackImage(WhiteImage(4, 4));
    c.LeftAxis().SetMinMax(0, 15);
    EXPECT_EQ(c.RepaintRequestCount(), before + 4);
}

TEST(ChartPanel, FreeSeriesColours)
{
    TCustomChart c;
    c.SetBackColor(clGreen);
    std::vector<TChartSeries*> list;
    for (int i = 0; i < 3; ++i) {
        list.push_back(new TChartSeries);
        list.back()->SetParentChart(&c);
    }
    EXPECT_EQ(list[0]->SeriesColor(), clRed);
    EXPECT_EQ(list[1]->SeriesColor(), clYellow);  // green is the back colour
    EXPECT_EQ(list[2]->SeriesColor(), clBlue);
    auto* own = new TChartSeries;
    own->SetSeriesColor(0xFF8000);
    own->SetParentChart(&c);
    EXPECT_EQ(own->SeriesColor(), 0xFF8000u);
    own->SetParentChart(&c);  // already there: nothing happens
    EXPECT_EQ(c.SeriesCount(), 4);
    EXPECT_EQ(c.CountActiveSeries(), 4);
}

TEST(ChartPanel, PagingCountsAndClampsPages)
{
    TCustomChart c;
    int changes = 0;
    c.OnPageChange = [&] { ++changes; };
    auto* s = new TChartSeries;
    s->SetParentChart(&c);
    for (int i = 0; i < 513; ++i)
        s->AddPoint(i % 16);
    EXPECT_EQ(c.PageCount(), 1);  // no paging
    c.SetMaxPointsPerPage(255);
    EXPECT_EQ(c.PageCount(), 3);
    c.SetPage(0);
    EXPECT_EQ(c.Page(), 1);
    EXPECT_EQ(changes, 0);
    c.SetPage(99);
    EXPECT_EQ(c.Page(), 3);
    EXPECT_EQ(changes, 1);
    c.SetMaxPointsPerPage(300);  // two pages now
    EXPECT_EQ(c.Page(), 2);
    c.SetMaxPointsPerPage(513);
    EXPECT_EQ(c.Page(), 1);
    c.SetMaxPointsPerPage(0);
    EXPECT_EQ(c.PageCount(), 1);
}

TEST(ChartPanel, DataExtremeOfPagesAndOfTheData)
{
    TCustomChart c;
    auto* s = new TChartSeries;
    s->SetParentChart(&c);
    for (int i = 0; i < 513; ++i)
        s->AddPoint(i % 16);
    TChartAxis& b = c.BottomAxis();
    TChartAxis& l = c.LeftAxis();
    EXPECT_DOUBLE_EQ(c.DataExtreme(b, true, true), 0);
    EXPECT_DOUBLE_EQ(c.DataExtreme(b, false, true), 512);
    EXPECT_DOUBLE_EQ(c.DataExtreme(l, false, false), 15);
    c.SetMaxPointsPerPage(255);
    EXPECT_DOUBLE_EQ(c.DataExtreme(b, true, true), 0);
    EXPECT_DOUBLE_EQ(c.DataExtreme(b, false, true), 254);
    c.SetPage(3);
    EXPECT_DOUBLE_EQ(c.DataExtreme(b, true, true), 510);
    EXPECT_DOUBLE_EQ(c.DataExtreme(b, false, true), 512);
    // A short last page keeps the scale of a full one: 255 points at spacing 1 span 254.
    c.SetScaleLastPage(false);
    EXPECT_DOUBLE_EQ(c.DataExtreme(b, false, true), 510 + 254);
    // The vertical axis is not in the paging direction.
    EXPECT_DOUBLE_EQ(c.DataExtreme(l, false, false), 15);
    // An automatic bottom axis takes the page.
    c.SetSize(696, 237);
    PaintWindow(c);
    EXPECT_DOUBLE_EQ(b.WorkMinimum(), 510);
    EXPECT_DOUBLE_EQ(b.WorkMaximum(), 764);
}

TEST(ChartPanel, DataExtremeIgnoresInactiveSeriesWhileAnActiveOneIsAttached)
{
    TCustomChart c;
    auto* shown = new TChartSeries;
    auto* hidden = new TChartSeries;
    shown->SetParentChart(&c);
    hidden->SetParentChart(&c);
    hidden->AddPoint(40);
    hidden->AddPoint(90);
    hidden->SetActive(false);
    // The active series has no points yet: the hidden one still takes no part.
    EXPECT_DOUBLE_EQ(c.DataExtreme(c.LeftAxis(), false, false), 0);
    EXPECT_DOUBLE_EQ(c.DataExtreme(c.BottomAxis(), false, true), 0);
    shown->AddPoint(7);
    EXPECT_DOUBLE_EQ(c.DataExtreme(c.LeftAxis(), false, false), 7);
    // With no active series on the axis the inactive ones count.
    shown->SetActive(false);
    EXPECT_DOUBLE_EQ(c.DataExtreme(c.LeftAxis(), false, false), 90);
    EXPECT_DOUBLE_EQ(c.DataExtreme(c.LeftAxis(), true, false), 7);
}

TEST(ChartPanel, PagingLeavesManualRangesAndDrawnPointsAlone)
{
    const auto drawnWith = [](int maxPointsPerPage, int& drawn, double& workMax) {
        TCustomChart c;
        ApplyMonitorDesign(c);
        c.SetMaxPointsPerPage(maxPointsPerPage);
        auto* s = new TSquareSeries;
        s->SetParentChart(&c);
        for (int i = 0; i < 513; ++i)
            s->AddPoint(i % 16, std::to_string(i), clBlue);
        c.BottomAxis().SetMaximum(300);
        PaintWindow(c);
        drawn = s->drawn;
        workMax = c.BottomAxis().WorkMaximum();
    };
    int paged = 0, unpaged = 0;
    double maxPaged = 0, maxUnpaged = 0;
    drawnWith(255, paged, maxPaged);
    drawnWith(0, unpaged, maxUnpaged);
    EXPECT_EQ(paged, unpaged);
    EXPECT_GT(paged, 300);
    EXPECT_DOUBLE_EQ(maxPaged, 300);
    EXPECT_DOUBLE_EQ(maxUnpaged, 300);
}

TEST(ChartPanel, MouseMoveRaisesTheEventAndSetsTheSeriesCursor)
{
    TCustomChart c;
    ApplyMonitorDesign(c);
    auto* s = new TSquareSeries;
    s->SetParentChart(&c);
    s->SetCursor(crHandPoint);
    for (int i = 0; i < 20; ++i)
        s->AddPoint(8);
    c.BottomAxis().SetMaximum(19);
    c.BottomAxis().SetMinimum(0);
    PaintWindow(c);
    int seenX = -1, seenY = -1;
    c.OnMouseMove = [&](int, int x, int y) {
        seenX = x;
        seenY = y;
    };
    const int x = s->PointPixelX(4), y = s->PointPixelY(4);
    c.MouseMove(0, x, y);
    EXPECT_EQ(seenX, x);
    EXPECT_EQ(seenY, y);
    EXPECT_EQ(c.ShownCursor(), crHandPoint);
    EXPECT_EQ(s->PointAtCursor(), 4);
    c.MouseMove(0, 3, 3);
    EXPECT_EQ(c.ShownCursor(), crDefault);
    EXPECT_EQ(s->PointAtCursor(), -1);
}

TEST(ChartPanel, WheelShiftsOnlyTheVerticalAxes)
{
    TCustomChart c;
    ApplyMonitorDesign(c);
    PaintWindow(c);
    c.MouseWheel(true);
    EXPECT_DOUBLE_EQ(c.LeftAxis().Minimum(), 0.48);
    EXPECT_DOUBLE_EQ(c.LeftAxis().Maximum(), 16.48);
    EXPECT_NEAR(c.RightAxis().Minimum(), -0.5 + 1.935, 1e-12);
    EXPECT_DOUBLE_EQ(c.BottomAxis().Minimum(), 5);
    EXPECT_DOUBLE_EQ(c.BottomAxis().Maximum(), 512);
    EXPECT_FALSE(c.LeftAxis().Automatic());
    EXPECT_TRUE(c.Canvas().Dirty());
    c.MouseWheel(false);
    EXPECT_NEAR(c.LeftAxis().Minimum(), 0.48 - 0.03 * 16, 1e-12);
}

TEST(ChartPanel, TextAndBrushHelpers)
{
    TCustomChart c;
    int lines = 0;
    EXPECT_EQ(c.MultiLineWidth("a\rbbbb", lines), c.Canvas().MeasureTextWidth("bbbb"));
    EXPECT_EQ(lines, 2);
    c.MultiLineWidth("abc", lines);
    EXPECT_EQ(lines, 1);
    c.MultiLineWidth("abc\r", lines);
    EXPECT_EQ(lines, 1);
    EXPECT_EQ(c.MultiLineWidth("", lines), 0);
    EXPECT_EQ(lines, 1);

    c.UseBrush(clRed, bsCross, clRed);
    EXPECT_EQ(c.Canvas().Brush().Color, clBlack);
    EXPECT_EQ(c.Canvas().TextBackMode(), tbmOpaque);
    EXPECT_EQ(c.Canvas().TextBackColor(), clRed);
    c.UseBrush(clBlack, bsCross, clBlack);
    EXPECT_EQ(c.Canvas().Brush().Color, clWhite);
    c.UseBrush(clBlue, bsSolid, clBlue);
    EXPECT_EQ(c.Canvas().Brush().Color, clBlue);
    EXPECT_EQ(c.Canvas().TextBackMode(), tbmTransparent);

    EXPECT_TRUE(c.ClippingAllowed());
    c.Canvas().SetDrawingToMetafile(true);
    EXPECT_TRUE(c.ClippingAllowed());
    ChartClipWhenMetafiling = false;
    EXPECT_FALSE(c.ClippingAllowed());
    ChartClipWhenMetafiling = true;
}

TEST(ChartPanel, AFailedPassLeavesTheNextPaintToDrawInFull)
{
    TCustomChart c;
    ApplyMonitorDesign(c);
    c.OnBeforeDrawSeries = [] { throw std::runtime_error("boom"); };
    QImage image = WhiteImage(696, 237);
    {
        QPainter p(&image);
        EXPECT_THROW(c.WindowPaint(p), std::runtime_error);
    }
    EXPECT_TRUE(c.Canvas().Dirty());
    c.OnBeforeDrawSeries = nullptr;
    PaintWindow(c);
    EXPECT_EQ(c.DrawingPassCount(), 2);
    EXPECT_FALSE(c.Canvas().Dirty());
}

TEST(ChartWidget, PaintsWhatTheEnginePaints)
{
    TChart widget;
    ApplyMonitorDesign(widget);
    EXPECT_EQ(widget.size(), QSize(696, 237));
    const QImage shown = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    TCustomChart headless;
    ApplyMonitorDesign(headless);
    const QImage drawn = PaintWindow(headless);
    EXPECT_EQ(shown, drawn);
    widget.resize(500, 200);
    EXPECT_EQ(widget.grab().size(), QSize(500, 200));
    EXPECT_EQ(widget.Width(), 500);
    EXPECT_EQ(widget.PanelRect(), TRect(0, 0, 500, 200));
}

TEST(ChartPanel, ViewOptionsReportTheirChanges)
{
    TCustomChart c;
    std::vector<std::string> log;
    TView3DOptions& o = c.View3DOptions();
    o.OnScrolled = [&](bool horizontal) { log.push_back(horizontal ? "h" : "v"); };
    o.OnZoomed = [&](int zoom) { log.push_back("zoom " + std::to_string(zoom) + " was " + std::to_string(o.Zoom())); };
    const int before = c.RepaintRequestCount();
    o.SetHorizOffset(5);
    o.SetVertOffset(-2);
    o.SetZoom(150);
    o.SetZoom(150);
    o.SetPerspective(0);
    EXPECT_EQ(log, (std::vector<std::string>{"h", "v", "zoom 150 was 100"}));
    EXPECT_EQ(c.RepaintRequestCount(), before + 4);
    TView3DOptions copy;
    copy.Assign(o);
    EXPECT_EQ(copy.Zoom(), 150);
    EXPECT_EQ(copy.HorizOffset(), 5);
    EXPECT_EQ(copy.Perspective(), 0);
}

TEST(ChartWidget, ChangesBetweenWindowPaintsCostOnePass)
{
    TChart widget;
    ApplyMonitorDesign(widget);
    auto* s = new TChartSeries;
    s->SetParentChart(&widget);
    widget.show();
    for (int i = 0; i < 100 && widget.DrawingPassCount() == 0; ++i)
        QCoreApplication::processEvents();
    const int first = widget.DrawingPassCount();
    ASSERT_GE(first, 1) << "the window was never painted";
    s->ClearPoints();
    for (int i = 0; i < 513; ++i)
        s->AddPoint(i % 16, std::to_string(i), clBlue);
    widget.BottomAxis().SetMaximum(255);
    EXPECT_EQ(widget.DrawingPassCount(), first);  // requests only
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(widget.DrawingPassCount(), first + 1);
    widget.repaint();  // nothing changed: the buffer is copied
    EXPECT_EQ(widget.DrawingPassCount(), first + 1);
    widget.hide();
}
