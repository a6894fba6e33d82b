// The monitor chart as the main window shows it: design values, the drawing
// of a tone table, the pixels of bars, labels and grid, the bar hit test, and
// the headless pictures.
#include "SampleTables.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "chart/CustomChart.h"
#include "monitor/MonitorChart.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

constexpr QRgb kGreen = 0xFF008000;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kGridGrey = 0xFFE5E5E5;

QRgb BarRgb(int tone)
{
    return tone <= 31 ? kGreen : kBlue;
}

// A headless Chart21 holding a table, drawn once at the given size.
struct MonitorChart {
    TCustomChart chart;
    TBarSeries* series = nullptr;
    design::ToneRange range{};
    QImage picture;

    MonitorChart(const ToneBits& table, const design::ToneRange& r, int width = 696, int height = 237) : range(r)
    {
        chart.SetSize(width, height);
        series = &ConfigureMonitorChart(chart);
        PlotToneTable(chart, *series, table, range);
        picture = chart.RenderBitmap(chart.BackColor(), chart.PanelRect());
    }

    // Clip of the series drawing: inside the plot frame, without the row above its bottom.
    TRect SeriesClip() const
    {
        const TRect& p = const_cast<TCustomChart&>(chart).PlotRect();
        return TRect(p.Left + 1, p.Top + 1, p.Right, p.Bottom - 1);
    }

    int LabelLineHeight()
    {
        chart.UseFont(chart.BottomAxis().LabelsFont());
        return chart.Canvas().LineHeight();
    }
};

}  // namespace

TEST(MonitorDesign, ConfiguresChart21AndLineSeries18)
{
    TCustomChart chart;
    TBarSeries& series = ConfigureMonitorChart(chart);
    ASSERT_EQ(chart.SeriesCount(), 1);
    EXPECT_EQ(chart.Series(0), &series);
    EXPECT_EQ(chart.BackColor(), 0xFFFFFFu);
    EXPECT_EQ(chart.MarginLeft(), 3);
    EXPECT_EQ(chart.MarginTop(), 0);
    EXPECT_EQ(chart.MarginRight(), 1);
    EXPECT_EQ(chart.MarginBottom(), 0);
    EXPECT_FALSE(chart.View3D());
    EXPECT_EQ(chart.MaxPointsPerPage(), 255);
    EXPECT_EQ(chart.BevelInner(), bvLowered);
    EXPECT_FALSE(chart.Legend().Visible());
    ASSERT_EQ(chart.Title().Text().size(), 1u);
    EXPECT_TRUE(chart.Title().Text()[0].empty());

    TChartAxis& bottom = chart.BottomAxis();
    EXPECT_FALSE(bottom.Automatic());
    EXPECT_EQ(bottom.Minimum(), 5.0);
    EXPECT_EQ(bottom.Maximum(), 512.0);
    EXPECT_EQ(bottom.LabelStyle(), talText);
    EXPECT_EQ(bottom.LabelsAngle(), 90);
    EXPECT_EQ(bottom.LabelsSize(), 29);
    EXPECT_EQ(bottom.MinorTickCount(), 4);
    EXPECT_EQ(bottom.TickLength(), 2);
    EXPECT_FALSE(bottom.Axis().Visible());
    EXPECT_EQ(bottom.Grid().Color(), 0xE5E5E5u);
    EXPECT_EQ(bottom.Grid().Style(), psSolid);
    EXPECT_EQ(bottom.Title().Caption(), "Tones");

    TChartAxis& left = chart.LeftAxis();
    EXPECT_EQ(left.Minimum(), 0.0);
    EXPECT_EQ(left.Maximum(), 16.0);
    EXPECT_EQ(left.StartPosition(), 1.0);
    EXPECT_EQ(left.Title().Caption(), "Bits ");

    TChartAxis& right = chart.RightAxis();
    EXPECT_EQ(right.Minimum(), -0.5);
    EXPECT_EQ(right.Maximum(), 64.0);
    EXPECT_FALSE(right.Grid().Visible());
    EXPECT_EQ(right.LabelsFont().Color(), 0x0000FFu);

    EXPECT_EQ(series.SeriesColor(), 0xFF8000u);
    EXPECT_EQ(series.BarWidthPercent(), 40);
    EXPECT_EQ(series.OffsetPercent(), 20);
    EXPECT_EQ(series.MultiBar(), mbNone);
    EXPECT_FALSE(series.BarPen().Visible());
    EXPECT_EQ(series.BarPen().Width(), 8);
    EXPECT_FALSE(series.Marks().Visible());
    EXPECT_EQ(series.YValues().Name(), "Bar");
    EXPECT_EQ(series.XValues().Order(), loAscending);
}

TEST(MonitorDesign, EverySettingOfTheStoredFormAndTheDefaultsItLeaves)
{
    TCustomChart chart;
    TBarSeries& series = ConfigureMonitorChart(chart);

    // Panel and legend.
    EXPECT_EQ(chart.Tag(), 21);
    EXPECT_EQ(chart.AllowPanning(), pmNone);
    EXPECT_FALSE(chart.AllowZoom());
    EXPECT_EQ(chart.BackWall().Color(), 0xFFFFFFu);
    EXPECT_EQ(chart.BackWall().Brush().Color(), 0xFFFFFFu);
    EXPECT_EQ(chart.BackWall().Brush().Style(), bsSolid);
    EXPECT_FALSE(chart.Title().AdjustFrame());
    EXPECT_EQ(chart.Chart3DPercent(), 1);
    EXPECT_EQ(chart.View3DOptions().Perspective(), 0);
    EXPECT_FALSE(chart.ScaleLastPage());
    EXPECT_EQ(chart.Legend().Alignment(), laLeft);
    EXPECT_EQ(chart.Legend().TopPos(), 11);
    EXPECT_EQ(chart.Legend().Font().Name(), "Arial");
    EXPECT_EQ(chart.Legend().Font().Size(), 8);
    EXPECT_EQ(chart.Legend().Font().Color(), 0x0000FFu);

    // Bottom axis.
    TChartAxis& bottom = chart.BottomAxis();
    EXPECT_FALSE(bottom.AutomaticMaximum());
    EXPECT_FALSE(bottom.AutomaticMinimum());
    EXPECT_EQ(bottom.Increment(), 5.0);
    EXPECT_FALSE(bottom.RoundFirstLabel());
    EXPECT_FALSE(bottom.ExactDateTime());
    EXPECT_EQ(bottom.DateTimeFormat(), " hh:nn:ss");
    EXPECT_FALSE(bottom.TicksInner().Visible());
    EXPECT_EQ(bottom.Axis().Width(), 1);
    EXPECT_EQ(bottom.StartPosition(), 2.0);
    EXPECT_EQ(bottom.EndPosition(), 98.0);
    EXPECT_EQ(bottom.LabelsSeparation(), 10);
    EXPECT_EQ(bottom.LabelsFont().Color(), clBlack);

    // Left axis: value labels with the class defaults for ticks and labels.
    TChartAxis& left = chart.LeftAxis();
    EXPECT_FALSE(left.Automatic());
    EXPECT_FALSE(left.AutomaticMaximum());
    EXPECT_FALSE(left.AutomaticMinimum());
    EXPECT_FALSE(left.ExactDateTime());
    EXPECT_EQ(left.Axis().Width(), 1);
    EXPECT_FALSE(left.Axis().Visible());
    EXPECT_EQ(left.Grid().Color(), 0xE5E5E5u);
    EXPECT_EQ(left.Grid().Style(), psSolid);
    EXPECT_FALSE(left.TicksInner().Visible());
    EXPECT_EQ(left.EndPosition(), 98.0);
    EXPECT_EQ(left.LabelStyle(), talAuto);
    EXPECT_EQ(left.Increment(), 0.0);
    EXPECT_EQ(left.MinorTickCount(), 3);
    EXPECT_EQ(left.TickLength(), 4);
    EXPECT_TRUE(left.RoundFirstLabel());

    // Right axis: only what the form names; the rest keeps the defaults.
    TChartAxis& right = chart.RightAxis();
    EXPECT_FALSE(right.Automatic());
    EXPECT_FALSE(right.AutomaticMaximum());
    EXPECT_FALSE(right.AutomaticMinimum());
    EXPECT_EQ(right.Grid().Color(), 0xE5E5E5u);
    EXPECT_EQ(right.Grid().Style(), psDash);
    EXPECT_EQ(right.LabelsSeparation(), 1);
    EXPECT_EQ(right.LabelsFont().Name(), "Arial");
    EXPECT_EQ(right.LabelsFont().Height(), -11);
    EXPECT_EQ(right.Title().Caption(), "SNR");
    EXPECT_EQ(right.Title().Font().Color(), 0x0000FFu);
    EXPECT_EQ(right.Title().Font().Height(), -11);
    EXPECT_TRUE(right.ExactDateTime());
    EXPECT_TRUE(right.DateTimeFormat().empty());
    EXPECT_TRUE(right.Axis().Visible());
    EXPECT_EQ(right.Axis().Width(), 2);
    EXPECT_TRUE(right.TicksInner().Visible());
    EXPECT_EQ(right.StartPosition(), 0.0);
    EXPECT_EQ(right.EndPosition(), 100.0);

    // LineSeries18.
    EXPECT_EQ(series.BarBrush().Color(), 0xFFFFFFu);
    EXPECT_EQ(series.BarBrush().Style(), bsSolid);
    EXPECT_EQ(series.BarPen().Color(), 0xFFFFFFu);
    EXPECT_EQ(series.BarStyle(), bsRectangle);
    EXPECT_TRUE(series.UseYOrigin());
    EXPECT_EQ(series.YOrigin(), 0.0);
    EXPECT_TRUE(series.SideMargins());
    EXPECT_FALSE(series.AutoBarSize());
    EXPECT_EQ(series.CustomBarWidth(), 0);
    EXPECT_EQ(series.Marks().Style(), smsValue);
    EXPECT_TRUE(series.Marks().Transparent());
    EXPECT_EQ(series.Marks().ArrowLength(), 8);
    EXPECT_EQ(series.XValues().Name(), "X");
    EXPECT_EQ(series.XValues().Multiplier(), 1.0);
    EXPECT_FALSE(series.XValues().DateTime());
    EXPECT_EQ(series.YValues().Order(), loNone);
    EXPECT_EQ(series.YValues().Multiplier(), 1.0);
    EXPECT_FALSE(series.YValues().DateTime());
    EXPECT_EQ(series.HorizAxisObject(), &bottom);
    EXPECT_EQ(series.VertAxisObject(), &left);
}

TEST(MonitorDrawing, RangesGiveBarsLabelsColoursAndAxisMaximum)
{
    const ToneBits table = sample::Staircase();
    TCustomChart chart;
    TBarSeries& series = ConfigureMonitorChart(chart);

    struct Case {
        design::ToneRange range;
        int bars;
        double maximum;
    };
    for (const Case& c : {Case{design::RangeLow, 256, 255.0}, Case{design::RangeHigh, 257, 256.0},
                          Case{design::RangeAll, 513, 512.0}}) {
        PlotToneTable(chart, series, table, c.range);
        ASSERT_EQ(series.PointCount(), c.bars);
        EXPECT_EQ(chart.BottomAxis().Maximum(), c.maximum);
        for (int i = 0; i < c.bars; ++i) {
            const int tone = c.range.FirstTone + i;
            EXPECT_EQ(series.PointX(i), i);
            EXPECT_EQ(series.YValues().ValueAt(i), table[tone]);
            EXPECT_EQ(series.PointLabel(i), std::to_string(tone));
            EXPECT_EQ(series.PointColor(i), tone <= 31 ? 0x008000u : 0xFF0000u);
        }
    }
    // The upper range is blue throughout.
    PlotToneTable(chart, series, table, design::RangeHigh);
    EXPECT_EQ(series.PointLabel(0), "256");
    EXPECT_EQ(series.PointLabel(256), "512");
    EXPECT_EQ(series.PointColor(0), 0xFF0000u);
}

TEST(MonitorPixels, BarsFollowTheirPixelsUnderTheClearPenRule)
{
    const ToneBits table = sample::RealisticLine();
    MonitorChart m(table, design::RangeLow);
    TBarSeries& s = *m.series;
    const QImage& img = m.picture;
    ASSERT_EQ(img.size(), QSize(696, 237));
    ASSERT_EQ(s.FirstVisible(), 0);
    ASSERT_EQ(s.LastVisible(), 255);
    const int w = s.BarPixelWidth();
    ASSERT_EQ(w, 2);
    const TRect clip = m.SeriesClip();

    TChartAxis& leftAxis = m.chart.LeftAxis();
    int checkedBars = 0;
    for (int i = s.FirstVisible(); i <= s.LastVisible(); ++i) {
        const int tone = m.range.FirstTone + i;
        const int left = s.PointPixelX(i);
        const int top = s.PointPixelY(i);
        const int base = s.OriginPixel(i);
        EXPECT_EQ(base, leftAxis.EndPixel());
        const int span = leftAxis.EndPixel() - leftAxis.StartPixel();
        EXPECT_EQ(top, leftAxis.EndPixel() - static_cast<int>(std::nearbyint(table[tone] * span / 16.0)));
        if (table[tone] == 0) {
            // A line of the bar's width on the base row.
            for (int x = left; x < left + w; ++x)
                if (clip.Contains(x, base)) {
                    EXPECT_EQ(img.pixel(x, base), BarRgb(tone)) << "tone " << tone << " x " << x;
                }
            if (clip.Contains(left, base - 1)) {
                EXPECT_NE(img.pixel(left, base - 1), BarRgb(tone)) << "tone " << tone;
            }
            continue;
        }
        // Filled columns left .. left + w - 2, rows top .. base - 2.
        for (int x = left; x <= left + w - 2; ++x)
            for (int y = top; y <= base - 2; ++y)
                if (clip.Contains(x, y)) {
                    EXPECT_EQ(img.pixel(x, y), BarRgb(tone)) << "tone " << tone << " at " << x << "," << y;
                }
        if (clip.Contains(left, top - 1)) {
            EXPECT_NE(img.pixel(left, top - 1), BarRgb(tone)) << "above tone " << tone;
        }
        if (clip.Contains(left + w - 1, top)) {
            EXPECT_NE(img.pixel(left + w - 1, top), BarRgb(tone)) << "right of tone " << tone;
        }
        if (clip.Contains(left, base - 1)) {
            EXPECT_NE(img.pixel(left, base - 1), BarRgb(tone)) << "under tone " << tone;
        }
        ++checkedBars;
    }
    EXPECT_GT(checkedBars, 150);
}

TEST(MonitorPixels, GridAtLabelTicksAndLabelsFromToneFive)
{
    for (const design::ToneRange& range : {design::RangeLow, design::RangeHigh, design::RangeAll}) {
        MonitorChart m(sample::RealisticLine(), range);
        TChartAxis& bottom = m.chart.BottomAxis();
        TBarSeries& s = *m.series;
        const std::vector<int> ticks = bottom.TickList();
        ASSERT_FALSE(ticks.empty());

        // The labels follow the separation rule from the point with X = 5.
        const int h = m.LabelLineHeight();
        const int half = (h + static_cast<int>(h * 0.02 * 10)) / 2;
        std::vector<int> expected;
        int prev = -1;
        int prevHalf = 0;
        int firstLabelled = -1;
        for (int i = s.FirstVisible(); i <= s.LastVisible(); ++i) {
            if (s.PointX(i) < bottom.WorkMinimum() || s.PointX(i) > bottom.WorkMaximum())
                continue;
            const int p = bottom.ValueToPixel(s.PointX(i));
            if (prev == -1) {
                firstLabelled = i;
                expected.push_back(p);
                prev = p;
                prevHalf = h / 2;
            } else if (p - half >= prev + prevHalf) {
                expected.push_back(p);
                prev = p;
                prevHalf = half;
            }
        }
        EXPECT_EQ(ticks, expected);
        EXPECT_EQ(firstLabelled, 5);
        EXPECT_EQ(s.PointLabel(firstLabelled), std::to_string(range.FirstTone + 5));
        EXPECT_EQ(ticks.front(), bottom.StartPixel());

        // Vertical grid lines at the label ticks, above the tallest bar.
        const TRect& plot = m.chart.PlotRect();
        for (int p : ticks) {
            EXPECT_EQ(m.picture.pixel(p, plot.Top + 1), kGridGrey) << "grid at " << p;
        }
        // Horizontal grid lines at the value labels 16, 14, ..., 0 of the left axis.
        TChartAxis& leftAxis = m.chart.LeftAxis();
        std::vector<int> leftExpected;
        for (int v = 16; v >= 0; v -= 2)
            leftExpected.push_back(leftAxis.ValueToPixel(v));
        EXPECT_EQ(leftAxis.TickList(), leftExpected);
        for (int p : leftAxis.TickList())
            if (p < plot.Bottom - 1) {
                EXPECT_EQ(m.picture.pixel(plot.Right - 2, p), kGridGrey) << "grid at row " << p;
            }
    }
}

TEST(MonitorPixels, AxisTextsHaveNoBackgroundBox)
{
    // Left of the plot only the panel colour and the glyphs of the left axis
    // labels and title appear; the plot's white never shows there.
    MonitorChart m(sample::RealisticLine(), design::RangeLow);
    const TRect& plot = m.chart.PlotRect();
    int white = 0;
    for (int y = plot.Top; y < plot.Bottom; ++y)
        for (int x = 3; x < plot.Left - 5; ++x)
            if (m.picture.pixel(x, y) == 0xFFFFFFFF)
                ++white;
    EXPECT_EQ(white, 0);
}

TEST(MonitorPixels, RightAxisDrawsNothingAndBarWidthIgnoresTheBarCount)
{
    int widths[3];
    int n = 0;
    for (const design::ToneRange& range : {design::RangeLow, design::RangeHigh, design::RangeAll}) {
        MonitorChart m(sample::RealisticLine(), range);
        EXPECT_TRUE(m.chart.RightAxis().TickList().empty());
        // Its labels and title would be red; nothing else in the picture is.
        int red = 0;
        for (int y = 0; y < m.picture.height(); ++y)
            for (int x = 0; x < m.picture.width(); ++x) {
                const QColor c = m.picture.pixelColor(x, y);
                if (c.red() > 150 && c.green() < 100 && c.blue() < 100)
                    ++red;
            }
        EXPECT_EQ(red, 0);
        widths[n++] = m.series->BarPixelWidth();
    }
    EXPECT_EQ(widths[0], 2);
    EXPECT_EQ(widths[1], widths[0]);
    EXPECT_EQ(widths[2], widths[0]);
}

TEST(MonitorHitTest, EdgesGapsOverlapsAndEmptySeries)
{
    const ToneBits table = sample::RealisticLine();
    {
        MonitorChart m(table, design::RangeLow);
        TBarSeries& s = *m.series;
        const int w = s.BarPixelWidth();
        bool overlapSeen = false;
        bool edgeSeen = false;
        for (int i = 40; i < 200; ++i) {
            const int left = s.PointPixelX(i);
            const int top = s.PointPixelY(i);
            const int base = s.OriginPixel(i);
            ASSERT_LT(top, base);
            // Column left + 1 belongs to this bar alone (bars are at least 2 pixels apart).
            EXPECT_EQ(s.PointAt(left + 1, top), i);
            EXPECT_EQ(s.PointAt(left + 1, base), i);
            EXPECT_EQ(s.PointAt(left + 1, top - 1), -1) << "above the bar";
            EXPECT_EQ(s.PointAt(left + 1, base + 1), -1) << "below the base";
            const int nextLeft = s.PointPixelX(i + 1);
            if (nextLeft == left + w) {
                // The right edge of bar i is the left edge of bar i + 1: the lower index wins.
                EXPECT_EQ(s.PointAt(left + w, base), i);
                overlapSeen = true;
            } else if (nextLeft > left + w) {
                EXPECT_EQ(s.PointAt(left + w, top), i) << "right edge inclusive";
                edgeSeen = true;
            }
        }
        EXPECT_TRUE(overlapSeen);
        EXPECT_TRUE(edgeSeen);

        // A 0-bit tone in the guard band answers only on the base row.
        const int i = 34;
        ASSERT_EQ(table[i], 0);
        const int base = s.OriginPixel(i);
        EXPECT_EQ(s.PointAt(s.PointPixelX(i) + 1, base), i);
        EXPECT_EQ(s.PointAt(s.PointPixelX(i) + 1, base - 1), -1);

        s.ClearPoints();
        for (int x = 0; x < 696; x += 7) {
            EXPECT_EQ(s.PointAt(x, base), -1);
        }
    }
    {
        // On a large chart the bars stand apart: between them nothing is hit.
        MonitorChart m(table, design::RangeLow, 1920, 1080);
        TBarSeries& s = *m.series;
        const int w = s.BarPixelWidth();
        const int i = 100;
        const int left = s.PointPixelX(i);
        ASSERT_GT(s.PointPixelX(i + 1), left + w + 1);
        EXPECT_EQ(s.PointAt(left + w, s.OriginPixel(i)), i);
        EXPECT_EQ(s.PointAt(left + w + 1, s.OriginPixel(i)), -1);
    }
    {
        TCustomChart chart;
        TBarSeries& s = ConfigureMonitorChart(chart);
        EXPECT_EQ(s.PointAt(100, 100), -1);  // never drawn, no points
    }
}

TEST(MonitorRender, HeadlessPictureEqualsTheWindowPaint)
{
    const ToneBits table = sample::RealisticLine();
    TChart window;
    TBarSeries& series = ConfigureMonitorChart(window);
    window.resize(696, 237);
    PlotToneTable(window, series, table, design::RangeLow);
    const QImage shown = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(696, 237));

    const QImage headless = RenderMonitorChart(table, design::RangeLow, 696, 237);
    EXPECT_TRUE(headless == shown);
    const QImage exported = window.RenderBitmap(window.BackColor(), window.PanelRect());
    EXPECT_TRUE(exported == shown);
    // The export left the window buffer dirty: the next paint draws afresh.
    EXPECT_TRUE(window.Canvas().Dirty());
    EXPECT_TRUE(window.Canvas().UseOffscreenBuffer());
    const int passes = window.DrawingPassCount();
    EXPECT_TRUE(window.grab().toImage().convertToFormat(QImage::Format_RGB32) == shown);
    EXPECT_EQ(window.DrawingPassCount(), passes + 1);
}

TEST(MonitorRender, SvgIsValidSizedAndHoldsOneShapePerDrawnBar)
{
    const ToneBits table = sample::Staircase();
    const QByteArray svg = RenderMonitorChartSvg(table, design::RangeLow, 696, 237);

    QXmlStreamReader xml(svg);
    QString viewBox;
    int barShapes = 0;
    std::vector<QString> fills;  // fill of each open group
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"svg")
                viewBox = xml.attributes().value("viewBox").toString();
            if (xml.name() == u"g")
                fills.push_back(xml.attributes().hasAttribute("fill") ? xml.attributes().value("fill").toString()
                                                                      : (fills.empty() ? QString() : fills.back()));
            if (xml.name() == u"rect" && !fills.empty() && (fills.back() == "#008000" || fills.back() == "#0000ff"))
                ++barShapes;
        } else if (xml.isEndElement() && xml.name() == u"g") {
            fills.pop_back();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(viewBox, "0 0 695 236");

    // The bars a bitmap pass draws inside the series clip.
    MonitorChart m(table, design::RangeLow);
    TBarSeries& s = *m.series;
    const TRect clip = m.SeriesClip();
    int drawn = 0;
    for (int i = s.FirstVisible(); i <= s.LastVisible(); ++i) {
        const int left = s.PointPixelX(i);
        const int w = s.BarPixelWidth();
        TRect shape = s.PointY(i) == 0 ? TRect(left, s.OriginPixel(i), left + w, s.OriginPixel(i) + 1)
                                       : TRect(left, s.PointPixelY(i), left + w - 1, s.OriginPixel(i) - 1);
        TRect visible;
        if (IntersectRect(shape, clip, visible) && !visible.IsEmpty())
            ++drawn;
    }
    EXPECT_EQ(barShapes, drawn);
    EXPECT_GT(drawn, 250);
}

TEST(MonitorRender, FilesArePngAndSvg)
{
    const ToneBits table = sample::RealisticLine();
    const QString png = QStringLiteral("%1/qm-monitor-test.png").arg(QDir::tempPath());
    const QString svg = QStringLiteral("%1/qm-monitor-test.svg").arg(QDir::tempPath());
    QString error;
    ASSERT_TRUE(SaveMonitorChartPng(table, design::RangeAll, 800, 300, png, error)) << error.toStdString();
    ASSERT_TRUE(SaveMonitorChartSvg(table, design::RangeAll, 800, 300, svg, error)) << error.toStdString();
    QImage loaded(png);
    EXPECT_EQ(loaded.size(), QSize(800, 300));
    QFile f(svg);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("viewBox=\"0 0 799 299\""));
    QFile::remove(png);
    QFile::remove(svg);
    EXPECT_FALSE(SaveMonitorChartSvg(table, design::RangeAll, 800, 300, "/nonexistent-dir/x.svg", error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(MonitorRender, TinyAndOddSizesStillGiveAPicture)
{
    const ToneBits table = sample::Staircase();
    for (const QSize size :
         {QSize(1, 1), QSize(2, 2), QSize(10, 5), QSize(50, 30), QSize(120, 1000), QSize(2000, 60)}) {
        const QImage image = RenderMonitorChart(table, design::RangeAll, size.width(), size.height());
        EXPECT_EQ(image.size(), size);
        QXmlStreamReader xml(RenderMonitorChartSvg(table, design::RangeAll, size.width(), size.height()));
        while (!xml.atEnd())
            xml.readNext();
        EXPECT_FALSE(xml.hasError()) << size.width() << "x" << size.height();
    }
}

TEST(MonitorRender, ExtremeValuesStayInsideThePlot)
{
    // A saved table may hold any 32-bit value; bars far beyond the axis end at the plot's edges.
    ToneBits table = sample::Staircase();
    const std::int32_t extremes[] = {INT32_MAX, INT32_MIN, 200934130, 200934140, 1000000, -1000000, 17, -1};
    for (std::size_t i = 0; i < std::size(extremes); ++i)
        table[40 + 3 * i] = extremes[i];
    for (const QSize size : {QSize(696, 237), QSize(1920, 1080)}) {
        MonitorChart m(table, design::RangeLow, size.width(), size.height());
        const TRect clip = m.SeriesClip();
        // Nothing of a bar shows outside the series clip: the title band above the plot stays clear.
        for (int y = 0; y < clip.Top - 1; ++y)
            for (int x = clip.Left; x < clip.Right; ++x)
                ASSERT_NE(m.picture.pixel(x, y), kBlue) << x << "," << y;
        QXmlStreamReader xml(RenderMonitorChartSvg(table, design::RangeLow, size.width(), size.height()));
        while (!xml.atEnd())
            xml.readNext();
        EXPECT_FALSE(xml.hasError());
    }
}
