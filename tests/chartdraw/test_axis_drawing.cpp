// Axis drawing: label spacing, minor tick positions, text placement at the
// four right angles, value and series labels, ticks, grid and axis line.
#include "ChartFixtures.h"

#include "chart/AxisDrawing.h"
#include "chart/ChartAxis.h"
#include "chart/ChartCanvas3D.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(AxisLabelSpacing, HalfRoomAndFit)
{
    EXPECT_EQ(LabelHalfRoom(14, 10), 8);  // (14 + trunc(2.8)) div 2
    EXPECT_EQ(LabelHalfRoom(12, 10), 7);  // (12 + 2) div 2
    EXPECT_EQ(LabelHalfRoom(14, 0), 7);
    EXPECT_EQ(LabelHalfRoom(20, 100), 30);
    // A separation far beyond any pixel distance: no label after the first fits,
    // and the room stays a number that the fit test can add to a pixel.
    const int huge = LabelHalfRoom(1000, 1000000000);
    EXPECT_EQ(huge, 1 << 30);
    EXPECT_FALSE(LabelFits(1 << 28, huge, 0, 7));
    EXPECT_FALSE(LabelFits(-(1 << 28), huge, 0, 7));
    EXPECT_EQ(LabelHalfRoom(std::numeric_limits<int>::max(), 10), 1 << 30);
    EXPECT_TRUE(LabelFits(115, 8, 100, 7));
    EXPECT_FALSE(LabelFits(114, 8, 100, 7));
    EXPECT_TRUE(LabelFits(85, 8, 100, 7));  // to the left of the last label
    EXPECT_FALSE(LabelFits(86, 8, 100, 7));
}

TEST(AxisLabelSpacing, PointsTwoPixelsApartGetEveryEighthLabel)
{
    // Rotated labels 14 pixels high with separation 10: the first point, then
    // 15 pixels, then 16 pixels each.
    const int h = 14;
    const int half = LabelHalfRoom(h, 10);
    std::vector<int> labelled;
    int prev = -1, prevHalf = 0;
    for (int i = 0; i < 60; ++i) {
        const int p = 2 * i;
        if (prev == -1) {
            labelled.push_back(i);
            prev = p;
            prevHalf = h / 2;
        } else if (LabelFits(p, half, prev, prevHalf)) {
            labelled.push_back(i);
            prev = p;
            prevHalf = half;
        }
    }
    EXPECT_EQ(labelled, (std::vector<int>{0, 8, 16, 24, 32, 40, 48, 56}));
}

TEST(AxisMinorTicks, BetweenAndBeyondTheMajorTicks)
{
    // Spacing 16 with 4 minor ticks: offsets nearest(3.2, 6.4, 9.6, 12.8) = 3, 6, 10, 13.
    const std::vector<int> minor = MinorTickPositions({100, 116, 132}, 4, 50, 200);
    const std::vector<int> expected{97, 135, 94, 138, 90, 142, 87, 145, 113, 110, 106, 103, 129, 126, 122, 119};
    EXPECT_EQ(minor, expected);
    // Only strictly inside the span.
    const std::vector<int> clipped = MinorTickPositions({100, 116}, 4, 97, 119);
    EXPECT_EQ(clipped, (std::vector<int>{113, 110, 106, 103}));
    // One tick: nothing to extend from.
    EXPECT_TRUE(MinorTickPositions({100}, 4, 0, 200).empty());
    // Descending ticks (value labels run from the top value down).
    EXPECT_EQ(MinorTickPositions({120, 100}, 1, 0, 200), (std::vector<int>{130, 90, 110}));
}

TEST(AxisText, LinesSplitAtCarriageReturns)
{
    EXPECT_EQ(SplitAxisTextLines("512"), (std::vector<std::string>{"512"}));
    EXPECT_EQ(SplitAxisTextLines("a\rb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitAxisTextLines("a\r"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(SplitAxisTextLines(""), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitAxisTextLines("\r\rx"), (std::vector<std::string>{"", "", "x"}));
    for (const char* text : {"512", "a\rb", "a\r", "", "\r\rx", "\r"})
        EXPECT_EQ(static_cast<std::size_t>(LineCount(text)), SplitAxisTextLines(text).size()) << text;
}

namespace {

// Draws one axis text on a blank image and answers the ink bounds.
struct TextProbe {
    TCustomChart chart;
    QImage img{400, 400, QImage::Format_RGB32};
    int h = 0;

    TextProbe() { chart.SetView3D(false); }

    QRect Draw(TChartAxis& axis, int x, int y, const std::string& text, int angle, int* width = nullptr)
    {
        img.fill(Qt::white);
        QPainter p(&img);
        chart.Canvas().Retarget(&p);
        chart.UseFont(axis.LabelsFont());
        h = chart.Canvas().LineHeight();
        if (width != nullptr)
            *width = chart.Canvas().MeasureTextWidth(text);
        axis.DrawAxisText(x, y, text, angle);
        chart.Canvas().Retarget(nullptr);
        p.end();
        return InkBounds(img);
    }
};

}  // namespace

TEST(AxisText, PlacementAtTheRightAngles)
{
    TextProbe t;
    int w = 0;

    // Bottom axis, 90 degrees: reading upwards, line box centred on the tick,
    // the end of the text at the labels position.
    QRect ink = t.Draw(t.chart.BottomAxis(), 200, 100, "512", 90, &w);
    const int h = t.h;
    ASSERT_GT(h, 0);
    EXPECT_GE(ink.left(), 200 - h / 2);
    EXPECT_LT(ink.right(), 200 - h / 2 + h);
    EXPECT_GE(ink.top(), 100);
    EXPECT_LE(ink.top(), 102);
    EXPECT_LE(ink.bottom(), 100 + w);
    EXPECT_GT(ink.height(), ink.width());
    EXPECT_EQ(t.chart.Canvas().LastTextEscapement(), 900);
    EXPECT_EQ(t.chart.Canvas().TextAlignFlags(), TA_LEFT | TA_TOP);

    // Bottom axis, 0 degrees: centred under the point, top at the position.
    ink = t.Draw(t.chart.BottomAxis(), 200, 100, "Tones", 0, &w);
    EXPECT_GE(ink.left(), 200 - w / 2 - 1);
    EXPECT_LE(ink.right(), 200 + w / 2 + 1);
    EXPECT_GE(ink.top(), 100);
    EXPECT_LT(ink.bottom(), 100 + h);

    // Two lines below each other.
    ink = t.Draw(t.chart.BottomAxis(), 200, 100, "Tones\rBits", 0);
    EXPECT_GE(ink.top(), 100);
    EXPECT_GE(ink.bottom(), 100 + h);
    EXPECT_LT(ink.bottom(), 100 + 2 * h);

    // Left axis, 0 degrees: right-aligned at the position, centred on the tick.
    ink = t.Draw(t.chart.LeftAxis(), 100, 200, "16", 0, &w);
    EXPECT_LE(ink.right(), 100);
    EXPECT_GE(ink.left(), 100 - w);
    EXPECT_GE(ink.top(), 200 - h / 2);
    EXPECT_LT(ink.bottom(), 200 - h / 2 + h);

    // Left axis title, 90 degrees: line box ending at the title position,
    // centred on the axis centre.
    ink = t.Draw(t.chart.LeftAxis(), 100, 200, "Bits ", 90, &w);
    EXPECT_GE(ink.left(), 100 - h);
    EXPECT_LT(ink.right(), 100);
    EXPECT_GE(ink.top(), 200 - w / 2 - 1);
    EXPECT_LE(ink.bottom(), 200 + w / 2 + 1);

    // Right axis, 0 degrees: left-aligned.
    ink = t.Draw(t.chart.RightAxis(), 100, 200, "64", 0, &w);
    EXPECT_GE(ink.left(), 100);
    EXPECT_LE(ink.right(), 100 + w);

    // Top axis, 0 degrees: centred, standing on the position.
    ink = t.Draw(t.chart.TopAxis(), 200, 100, "Top", 0);
    EXPECT_LT(ink.bottom(), 100);
    EXPECT_GE(ink.top(), 100 - h);

    // Right axis title, 270 degrees: reading downwards.
    ink = t.Draw(t.chart.RightAxis(), 100, 200, "SNR", 270, &w);
    EXPECT_GT(ink.height(), ink.width());
    EXPECT_GE(ink.left(), 100);
    EXPECT_LE(ink.right(), 100 + h);
}

TEST(AxisLabels, SeriesLabelsKeepTheSeparationWithA14PixelLine)
{
    // Pixel size 12 measures a line height of 14.
    BarChart b(696, 237, 5.0, 255.0);
    TChartAxis& bottom = b.chart.BottomAxis();
    bottom.SetLabelStyle(talText);
    bottom.SetLabelsAngle(90);
    bottom.SetStartPosition(2.0);
    bottom.SetEndPosition(98.0);
    bottom.LabelsFont().SetHeight(-12);
    TBarSeries& s = *b.series;
    for (int i = 0; i <= 255; ++i)
        s.AddBarPoint(i % 16, std::to_string(i), clBlue);
    b.Render();

    b.chart.UseFont(bottom.LabelsFont());
    ASSERT_EQ(b.chart.Canvas().LineHeight(), 14);
    const std::vector<int>& ticks = bottom.TickList();
    ASSERT_GE(ticks.size(), 10u);
    EXPECT_EQ(ticks[0], bottom.ValueToPixel(5));  // points 0..4 lie below Minimum: no label
    EXPECT_GE(ticks[1] - ticks[0], 15);
    for (std::size_t k = 2; k < ticks.size(); ++k)
        EXPECT_GE(ticks[k] - ticks[k - 1], 16) << k;
    // Each label is the first point that fits: the point before it would not.
    for (std::size_t k = 1; k < ticks.size(); ++k) {
        const int need = k == 1 ? 15 : 16;
        int before = -1;
        for (int i = 5; i <= 255; ++i)
            if (bottom.ValueToPixel(i) == ticks[k])
                before = bottom.ValueToPixel(i - 1);
        ASSERT_NE(before, -1);
        EXPECT_LT(before - ticks[k - 1], need) << k;
    }
}

TEST(AxisLabels, ValueLabelsFromTheTopDown)
{
    BarChart b(400, 250, 0.0, 9.0);
    b.series->AddBarPoint(3, "0", clBlue);
    b.Render();
    TChartAxis& left = b.chart.LeftAxis();
    b.chart.UseFont(left.LabelsFont());
    const double step = left.LabelStep();
    ASSERT_GT(step, 0.0);
    const std::vector<int>& ticks = left.TickList();
    ASSERT_FALSE(ticks.empty());
    for (std::size_t k = 0; k < ticks.size(); ++k)
        EXPECT_EQ(ticks[k], left.ValueToPixel(16.0 - k * step)) << k;
    EXPECT_EQ(ticks.back(), left.ValueToPixel(0.0));
}

TEST(AxisLabels, WithoutLabelsOnAxisValueLabelsAtTheAxisEndsAreDropped)
{
    BarChart on(400, 250, 0.0, 9.0);
    BarChart off(400, 250, 0.0, 9.0);
    on.series->AddBarPoint(3, "0", clBlue);
    off.series->AddBarPoint(3, "0", clBlue);
    on.chart.SetColor(clWhite);
    off.chart.SetColor(clWhite);
    off.chart.LeftAxis().SetLabelsOnAxis(false);
    const QImage withEnds = on.Render();
    const QImage withoutEnds = off.Render();
    TChartAxis& left = off.chart.LeftAxis();
    const std::vector<int>& all = on.chart.LeftAxis().TickList();
    const std::vector<int>& inner = left.TickList();

    // 16 and 0 lie on the end pixels: only the labels between them stay.
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all.front(), left.ValueToPixel(16.0));
    EXPECT_EQ(all.back(), left.ValueToPixel(0.0));
    EXPECT_EQ(inner, std::vector<int>(all.begin() + 1, all.end() - 1));
    for (const int p : inner) {
        EXPECT_GT(p, std::min(left.StartPixel(), left.EndPixel()));
        EXPECT_LT(p, std::max(left.StartPixel(), left.EndPixel()));
    }
    // No label text beside the bottom end any more; the one above it stays.
    const int plotLeft = off.chart.PlotRect().Left;
    const int bottomEnd = left.ValueToPixel(0.0);
    const int nextUp = all[all.size() - 2];
    const QRect besideEnd(2, bottomEnd - 3, plotLeft - 8, 7);
    const QRect besideNext(2, nextUp - 3, plotLeft - 8, 7);
    EXPECT_TRUE(HasInk(withEnds, besideEnd));
    EXPECT_FALSE(HasInk(withoutEnds, besideEnd));
    EXPECT_TRUE(HasInk(withoutEnds, besideNext));
}

TEST(AxisLabels, TooManyValueLabelsDrawNoneAndHugeValuesEnd)
{
    BarChart b(400, 250, 0.0, 9.0);
    TChartAxis& left = b.chart.LeftAxis();
    left.SetLabelsSeparation(0);
    left.SetIncrement(0.001);  // 16000 labels would be needed
    b.Render();
    EXPECT_TRUE(left.TickList().empty());

    // A step lost in the magnitude of the values must not keep the pass going.
    BarChart huge(400, 250, 0.0, 9.0);
    huge.chart.LeftAxis().SetMinMax(1e20, 1e20);
    huge.chart.LeftAxis().SetLabelStyle(talValue);
    huge.Render();
    EXPECT_LE(huge.chart.LeftAxis().TickList().size(), 10001u);
}

TEST(AxisLabels, TickListHoldsAtMost2000Positions)
{
    BarChart b(700, 250, 0.0, 2999.0);
    TChartAxis& bottom = b.chart.BottomAxis();
    bottom.SetLabelStyle(talText);
    bottom.SetTickOnLabelsOnly(false);
    for (int i = 0; i < 3000; ++i)
        b.series->AddBarPoint(1, std::to_string(i), clBlue);
    b.Render();
    EXPECT_EQ(bottom.TickList().size(), static_cast<std::size_t>(TChartAxis::TickListCapacity));
}

TEST(AxisLines, TicksMinorTicksGridAndAxisLine)
{
    BarChart b(500, 300, 0.0, 9.0);
    TChartAxis& bottom = b.chart.BottomAxis();
    bottom.SetLabelStyle(talText);
    bottom.Ticks().SetColor(clBlue);
    bottom.SetTickLength(4);
    bottom.MinorTicks().SetColor(clRed);
    bottom.SetMinorTickCount(2);
    bottom.SetMinorTickLength(2);
    bottom.Grid().SetColor(clGreen);
    bottom.Grid().SetStyle(psSolid);
    bottom.Axis().SetColor(clFuchsia);
    bottom.Axis().SetWidth(1);
    b.chart.LeftAxis().Grid().SetVisible(false);
    b.chart.LeftAxis().Axis().SetVisible(false);
    for (int i = 0; i < 10; ++i)
        b.series->AddBarPoint(0, std::to_string(i), clNone);
    const QImage img = b.Render();
    const TRect& plot = b.chart.PlotRect();
    const std::vector<int> ticks = bottom.TickList();
    ASSERT_GE(ticks.size(), 3u);
    const int pos = bottom.AxisPos();
    ASSERT_EQ(pos, plot.Bottom);

    for (int p : ticks) {
        if (p <= plot.Left + 1 || p >= plot.Right - 1)
            continue;  // the plot frame and the other axes' lines meet there
        // The tick starts one pixel beyond the axis line and is TickLength long.
        EXPECT_EQ(img.pixel(p, pos + 1), 0xFF0000FF) << p;
        EXPECT_EQ(img.pixel(p, pos + 4), 0xFF0000FF) << p;
        EXPECT_NE(img.pixel(p, pos + 5), 0xFF0000FF) << p;
        // Grid from the plot top down.
        EXPECT_EQ(img.pixel(p, plot.Top + 1), 0xFF008000) << p;
        EXPECT_EQ(img.pixel(p, plot.Bottom - 1), 0xFF008000) << p;
    }
    const std::vector<int> minor = MinorTickPositions(ticks, 2, bottom.StartPixel(), bottom.EndPixel());
    ASSERT_FALSE(minor.empty());
    for (int p : minor) {
        EXPECT_EQ(img.pixel(p, pos + 1), 0xFFFF0000) << p;
        EXPECT_EQ(img.pixel(p, pos + 2), 0xFFFF0000) << p;
        EXPECT_NE(img.pixel(p, pos + 3), 0xFFFF0000) << p;
    }
    // The axis line lies on AxisPos from StartPixel to before EndPixel.
    EXPECT_EQ(img.pixel(bottom.StartPixel(), pos), 0xFFFF00FF);
    EXPECT_EQ(img.pixel(bottom.EndPixel() - 1, pos), 0xFFFF00FF);

    // Inner ticks start one pixel inside and cover the grid; minor grid lines
    // run at the minor tick positions.
    bottom.TicksInner().SetColor(clYellow);
    bottom.TicksInner().SetVisible(true);
    bottom.SetTickInnerLength(3);
    bottom.MinorGrid().SetColor(clTeal);
    bottom.MinorGrid().SetVisible(true);
    const QImage inner = b.Render();
    for (int p : ticks) {
        if (p <= plot.Left + 1 || p >= plot.Right - 1)
            continue;
        EXPECT_EQ(inner.pixel(p, pos - 1), 0xFFFFFF00) << p;
        EXPECT_EQ(inner.pixel(p, pos - 3), 0xFFFFFF00) << p;
        EXPECT_EQ(inner.pixel(p, pos - 4), 0xFF008000) << p;
    }
    for (int p : minor)
        EXPECT_EQ(inner.pixel(p, plot.Top + 1), 0xFF008080) << p;
}

TEST(AxisLines, CentredGridLiesBetweenTheTicks)
{
    BarChart b(400, 300, 0.0, 9.0);
    TChartAxis& left = b.chart.LeftAxis();
    left.Grid().SetColor(clRed);
    left.Grid().SetStyle(psSolid);
    left.SetGridCentered(true);
    b.series->AddBarPoint(0, "0", clNone);
    const QImage img = b.Render();
    const TRect& plot = b.chart.PlotRect();
    const std::vector<int> ticks = left.TickList();
    ASSERT_GE(ticks.size(), 3u);
    const int x = plot.Right - 2;
    for (std::size_t k = 1; k < ticks.size(); ++k) {
        const int mid = static_cast<int>(std::nearbyint((ticks[k - 1] + ticks[k]) * 0.5));
        EXPECT_EQ(img.pixel(x, mid), 0xFFFF0000) << mid;
        if (ticks[k] < plot.Bottom - 1) {
            EXPECT_NE(img.pixel(x, ticks[k]), 0xFFFF0000) << ticks[k];
        }
    }
}

namespace {

// A chart whose printing state a test may switch.
struct PrintableChart : TCustomChart {
    using TCustomChart::SetPrinting;
};

}  // namespace

TEST(AxisLabels, WhiteTextsPrintBlack)
{
    PrintableChart chart;
    chart.SetSize(400, 250);
    chart.SetView3D(false);
    chart.Legend().SetVisible(false);
    chart.BottomAxis().SetMinMax(0.0, 9.0);
    auto* series = new TBarSeries;
    series->SetParentChart(&chart);
    series->AddBarPoint(3, "0", clBlue);
    TChartAxis& left = chart.LeftAxis();
    left.SetMinMax(0.0, 16.0);
    left.LabelsFont().SetColor(clWhite);
    left.Title().SetCaption("Bits");
    left.Title().Font().SetColor(clWhite);
    auto darkLeftOfPlot = [&](const QImage& img) {
        int dark = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < chart.PlotRect().Left - 5; ++x)
                dark += qGray(img.pixel(x, y)) < 100;
        return dark;
    };
    chart.SetPrinting(true);  // no panel fill: the texts land on the bitmap's white
    EXPECT_GT(darkLeftOfPlot(chart.RenderBitmap(clWhite, chart.PanelRect())), 20);
    EXPECT_EQ(left.LabelsFont().Color(), clWhite) << "only the drawing colour changes";
    chart.SetPrinting(false);
    EXPECT_EQ(darkLeftOfPlot(chart.RenderBitmap(clWhite, chart.PanelRect())), 0);
}

TEST(AxisLabelLayout, LabelsTicksAndBoxesAreWorkedOutWithoutDrawing)
{
    // The monitor's bottom axis (tone labels turned by 90 degrees) and a
    // value axis on the left, in fonts whose line height is 14.
    BarChart b(696, 237, 5.0, 255.0);
    b.chart.SetColor(clWhite);
    TChartAxis& bottom = b.chart.BottomAxis();
    TChartAxis& left = b.chart.LeftAxis();
    bottom.SetLabelStyle(talText);
    bottom.SetLabelsAngle(90);
    bottom.SetStartPosition(2.0);
    bottom.SetEndPosition(98.0);
    bottom.LabelsFont().SetHeight(-12);
    left.LabelsFont().SetHeight(-12);
    for (int i = 0; i <= 255; ++i)
        b.series->AddBarPoint(i % 16, std::to_string(i), clBlue);
    const QImage picture = b.Render();
    TChartCanvas3D& canvas = b.chart.Canvas();
    b.chart.UseFont(bottom.LabelsFont());
    const int h = canvas.LineHeight();
    ASSERT_EQ(h, 14);

    // Laid out again after the pass, into a target that must stay blank.
    QImage blank = QImage(picture.size(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    const QImage white = blank;
    std::vector<TAxisLabel> labels;
    std::vector<int> ticks;
    {
        QPainter p(&blank);
        canvas.Retarget(&p);
        TAxisLabelLayout layout = bottom.LayOutLabels();
        labels = layout.Labels;
        ticks = layout.Ticks;
        TAxisLabelLayout values = left.LayOutLabels();
        ASSERT_FALSE(values.Labels.empty());
        // Value labels: right-aligned at the labels position, centred on their tick.
        b.chart.UseFont(left.LabelsFont());
        for (const TAxisLabel& label : values.Labels) {
            const int w = canvas.MeasureTextWidth(label.Text);
            EXPECT_EQ(label.Box,
                      TRect(left.LabelsPos() - w, label.Pixel - h / 2, left.LabelsPos(), label.Pixel - h / 2 + h))
                << label.Text;
        }
        EXPECT_EQ(values.Ticks, left.TickList());
        canvas.Retarget(nullptr);
    }
    EXPECT_EQ(blank, white) << "the layout draws nothing";

    // The same labels and ticks as the pass drew: the tone of every label,
    // from 5 on, each line box centred on its tick and hanging from the labels
    // position by the text's width.
    EXPECT_EQ(ticks, bottom.TickList());
    ASSERT_EQ(labels.size(), ticks.size());
    ASSERT_GE(labels.size(), 10u);
    EXPECT_EQ(labels.front().Text, "5");
    b.chart.UseFont(bottom.LabelsFont());
    for (std::size_t k = 0; k < labels.size(); ++k) {
        const TAxisLabel& label = labels[k];
        EXPECT_EQ(label.Pixel, ticks[k]);
        EXPECT_EQ(bottom.ValueToPixel(std::stoi(label.Text)), label.Pixel) << label.Text;
        EXPECT_EQ(label.Angle, 90);
        EXPECT_EQ(label.Lines, 1);
        const int w = canvas.MeasureTextWidth(label.Text);
        EXPECT_EQ(label.Box,
                  TRect(label.Pixel - h / 2, bottom.LabelsPos(), label.Pixel - h / 2 + h, bottom.LabelsPos() + w))
            << label.Text;
        if (k > 0) {
            EXPECT_GE(label.Box.Left, labels[k - 1].Box.Right) << "boxes apart, as the separation keeps them";
        }
    }

    // Every pixel of ink in the bottom axis' label band, below the ticks and
    // above the panel's bevel, lies in a label's box.
    const TRect plot = b.chart.PlotRect();
    int inked = 0;
    for (int y = bottom.LabelsPos(); y < b.chart.Height() - 2; ++y) {
        for (int x = plot.Left; x < plot.Right; ++x) {
            if ((picture.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF)
                continue;
            ++inked;
            bool inBox = false;
            for (const TAxisLabel& label : labels)
                inBox = inBox || label.Box.Contains(x, y);
            EXPECT_TRUE(inBox) << "ink at (" << x << ", " << y << ")";
            if (!inBox)
                return;
        }
    }
    EXPECT_GT(inked, 100);
}

TEST(AxisLabelLayout, TextBoxesAtEveryAngleAndOverSeveralLines)
{
    TextProbe t;
    TChartAxis& bottom = t.chart.BottomAxis();
    t.chart.UseFont(bottom.LabelsFont());
    TChartCanvas3D& canvas = t.chart.Canvas();
    const int h = canvas.LineHeight();
    const int w = canvas.MeasureTextWidth("Tones");
    // The ink of each placed text lies in its box (turned glyphs may overhang
    // their advance by a pixel), and the box is no larger than the text's
    // lines need.
    for (int angle : {0, 90, 180, 270, 30}) {
        for (const std::string text : {"Tones", "Tones\rBits"}) {
            const TAxisLabel label = bottom.PlaceAxisText(200, 200, text, angle);
            const QRect ink = t.Draw(bottom, 200, 200, text, angle);
            ASSERT_FALSE(ink.isEmpty());
            const QRect box = label.Box.ToQRect().adjusted(-1, -1, 1, 1);
            EXPECT_TRUE(box.contains(ink))
                << angle << " " << text << ": box " << box.x() << "," << box.y() << " " << box.width() << "x"
                << box.height() << ", ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
            if (angle % 90 == 0) {
                const int across = label.Lines * h;
                const bool upright = angle == 0 || angle == 180;
                EXPECT_EQ(label.Box.Width(), upright ? w : across) << angle << " " << text;
                EXPECT_EQ(label.Box.Height(), upright ? across : w) << angle << " " << text;
            }
        }
    }
    // Turned by 30 degrees: the bounds of the turned line box.
    const TRect turned = canvas.TextBox(100, 100, TA_LEFT | TA_TOP, 30, "Tones");
    const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
    EXPECT_EQ(turned.Right, static_cast<int>(std::ceil(100 + w * c + h * s - 1e-9)));
    EXPECT_EQ(turned.Top, static_cast<int>(std::floor(100 - w * s + 1e-9)));
}
