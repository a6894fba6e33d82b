// Export of the chart into a bitmap, an SVG picture and the clipboard, and
// what each export leaves behind for the window.
#include "ChartFixtures.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

void FillSeries(BarChart& b)
{
    b.series->SetMultiBar(mbNone);
    for (int i = 0; i < 10; ++i)
        b.series->AddBarPoint(1 + i, std::to_string(i), i < 5 ? clGreen : clBlue);
}

bool IsWellFormed(const QByteArray& svg, QString* viewBox = nullptr, QString* size = nullptr)
{
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"svg") {
            if (viewBox != nullptr)
                *viewBox = xml.attributes().value("viewBox").toString();
            if (size != nullptr)
                *size =
                    xml.attributes().value("width").toString() + " x " + xml.attributes().value("height").toString();
        }
    }
    return !xml.hasError();
}

// A chart that leaves its panel unpainted (no background, no bevels), as it
// does while printing: the export's own fill shows wherever the pass draws nothing.
class TUnpaintedPanelChart : public BarChart {
public:
    TUnpaintedPanelChart() : BarChart(200, 150)
    {
        struct TPrinting : TCustomChart {
            static void Set(TCustomChart& chart) { (chart.*(&TPrinting::SetPrinting))(true); }
        };
        TPrinting::Set(chart);
    }
};

}  // namespace

TEST(ExportBitmap, DrawsAtTheRectanglesOwnOrigin)
{
    BarChart b(200, 150);
    FillSeries(b);
    const QImage ref = b.chart.RenderBitmap(clWhite, TRect(0, 0, 100, 50));
    const QImage img = b.chart.RenderBitmap(clWhite, TRect(10, 10, 110, 60));
    ASSERT_EQ(img.size(), QSize(100, 50));
    ASSERT_EQ(img.format(), QImage::Format_RGB32);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x) {
            if (x < 10 || y < 10)
                ASSERT_EQ(img.pixel(x, y), 0xFFFFFFFFu) << x << "," << y;
            else
                ASSERT_EQ(img.pixel(x, y), ref.pixel(x - 10, y - 10)) << x << "," << y;
        }
    // A non-white background fills only the rectangle; the strips outside stay white.
    const QImage red = b.chart.RenderBitmap(clRed, TRect(10, 10, 110, 60));
    EXPECT_EQ(red.pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(red.pixel(50, 5), 0xFFFFFFFFu);
    EXPECT_TRUE(b.chart.RenderBitmap(clWhite, TRect(0, 0, 0, 10)).isNull());
    // Too large to allocate (a row of more than 2^31 bits): a null bitmap, and no pass.
    const int passes = b.chart.DrawingPassCount();
    EXPECT_TRUE(b.chart.RenderBitmap(clWhite, TRect(0, 0, 70000000, 237)).isNull());
    EXPECT_EQ(b.chart.DrawingPassCount(), passes);
}

// The bitmap is filled with the colour asked for before the pass: where the
// pass draws nothing (here the unpainted panel around the plot) that colour
// stays; the white plot and the bars are drawn over it. White is not filled.
TEST(ExportBitmap, TheBackgroundColourShowsWhereThePassDrawsNothing)
{
    TUnpaintedPanelChart b;
    FillSeries(b);
    b.chart.SetBackColor(clRed);
    const QImage red = b.chart.RenderBitmap(b.chart.BackColor(), b.chart.PanelRect());
    const QImage white = b.chart.RenderBitmap(clWhite, b.chart.PanelRect());
    ASSERT_EQ(red.size(), QSize(200, 150));
    constexpr QRgb Red = 0xFFFF0000, White = 0xFFFFFFFF;
    for (const QPoint p : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 149), QPoint(199, 149), QPoint(198, 75)}) {
        EXPECT_EQ(red.pixel(p), Red) << p.x() << "," << p.y();
        EXPECT_EQ(white.pixel(p), White) << p.x() << "," << p.y();
    }
    // The plot runs from (27, 6) to (194, 126); its wall, in the back colour,
    // is the pass's own. Around it, clear of the axis labels, nothing is
    // drawn: the top two rows, the bottom five, the left eight columns, and
    // the right five down to the labels.
    const TRect& plot = b.chart.PlotRect();
    ASSERT_EQ(plot, TRect(27, 6, 194, 126));
    EXPECT_EQ(red.pixel(plot.Left + 3, plot.Top + 3), Red);
    EXPECT_EQ(white.pixel(plot.Left + 3, plot.Top + 3), Red);
    int filled = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x)
            if (y < 2 || y >= 145 || x < 8 || (x > plot.Right && y < 130)) {
                filled += red.pixel(x, y) == Red;
                ASSERT_EQ(white.pixel(x, y), White) << x << "," << y;
            }
    EXPECT_EQ(filled, 2 * 200 + 5 * 200 + 143 * 8 + 128 * 5);

    // r at (10, 10): the fill covers r in the bitmap's own coordinates, not the strips before it.
    const QImage shifted = b.chart.RenderBitmap(clRed, TRect(10, 10, 110, 60));
    EXPECT_EQ(shifted.pixel(5, 5), White);
    EXPECT_EQ(shifted.pixel(10, 10), Red);
    EXPECT_EQ(shifted.pixel(99, 49), Red);
}

TEST(ExportBitmap, FullColourEvenWhenMonochrome)
{
    BarChart b;
    FillSeries(b);
    b.series->BarPen().SetVisible(false);
    b.chart.SetMonochrome(true);
    const QImage img = b.Render();
    const int i = 7;
    EXPECT_EQ(img.pixel(b.series->PointPixelX(i), b.series->OriginPixel(i) - 2), 0xFF0000FFu);
}

TEST(ExportBitmap, LeavesTheWindowBufferDirtyAndBufferingOn)
{
    BarChart b(300, 200);
    FillSeries(b);
    b.chart.SetRepaintEnabled(true);
    QImage window(300, 200, QImage::Format_RGB32);
    {
        QPainter p(&window);
        b.chart.WindowPaint(p);
        const int passes = b.chart.DrawingPassCount();
        b.chart.WindowPaint(p);  // clean buffer: a copy, no pass
        EXPECT_EQ(b.chart.DrawingPassCount(), passes);
    }
    ASSERT_FALSE(b.chart.Canvas().Dirty());

    const QImage exported = b.Render();
    EXPECT_TRUE(exported == window);
    EXPECT_TRUE(b.chart.Canvas().Dirty());
    EXPECT_TRUE(b.chart.Canvas().UseOffscreenBuffer());

    const int passes = b.chart.DrawingPassCount();
    QImage again(300, 200, QImage::Format_RGB32);
    QPainter p(&again);
    b.chart.WindowPaint(p);
    EXPECT_EQ(b.chart.DrawingPassCount(), passes + 1);
    EXPECT_FALSE(b.chart.Canvas().Dirty());
    b.chart.WindowPaint(p);
    EXPECT_EQ(b.chart.DrawingPassCount(), passes + 1);
    p.end();
    EXPECT_TRUE(again == window);
}

TEST(ExportBitmap, FailingPassRestoresBuffering)
{
    BarChart b;
    FillSeries(b);
    b.chart.OnBeforeDrawAxes = [] { throw std::runtime_error("drawing failed"); };
    EXPECT_THROW(b.Render(), std::runtime_error);
    EXPECT_TRUE(b.chart.Canvas().UseOffscreenBuffer());
    EXPECT_THROW(b.chart.RenderMetafile(true, b.chart.PanelRect()), std::runtime_error);
    EXPECT_TRUE(b.chart.Canvas().UseOffscreenBuffer());
    EXPECT_FALSE(b.chart.Canvas().DrawingToMetafile());
}

TEST(ExportMetafile, OnePixelSmallerValidAndClipped)
{
    BarChart b(696, 237);
    FillSeries(b);
    b.series->AddBarPoint(100, "tall", clGreen);  // far above the axis: cut at the plot
    b.series->BarPen().SetVisible(false);
    b.chart.BottomAxis().SetMinMax(0, 10);
    const TChartMetafile m = b.chart.RenderMetafile(true, b.chart.PanelRect());
    EXPECT_EQ(m.Width, 695);
    EXPECT_EQ(m.Height, 236);
    EXPECT_TRUE(m.Enhanced);
    QString viewBox;
    ASSERT_TRUE(IsWellFormed(m.Svg, &viewBox));
    EXPECT_EQ(viewBox, "0 0 695 236");
    EXPECT_TRUE(b.chart.Canvas().Dirty());
    EXPECT_FALSE(b.chart.Canvas().DrawingToMetafile());

    // Every green rectangle lies inside the series clip.
    const TRect& plot = b.chart.PlotRect();
    QXmlStreamReader xml(m.Svg);
    std::vector<QString> fills;
    int green = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"g")
            fills.push_back(xml.attributes().value("fill").toString());
        else if (xml.isEndElement() && xml.name() == u"g")
            fills.pop_back();
        else if (xml.isStartElement() && xml.name() == u"rect" && !fills.empty() && fills.back() == "#008000") {
            const int y = xml.attributes().value("y").toInt();
            const int x = xml.attributes().value("x").toInt();
            EXPECT_GE(y, plot.Top + 1);
            EXPECT_GT(x, plot.Left);
            ++green;
        }
    }
    EXPECT_EQ(green, 6);

    BarChart tiny(1, 1);
    const TChartMetafile one = tiny.chart.RenderMetafile(true, tiny.chart.PanelRect());
    EXPECT_EQ(one.Width, 1);
    EXPECT_EQ(one.Height, 1);
    EXPECT_TRUE(IsWellFormed(one.Svg));
}

TEST(ExportClipboard, HoldsSvgAndTheSameBitmap)
{
    BarChart b(696, 237);
    FillSeries(b);
    QGuiApplication::clipboard()->clear();
    b.chart.CopyPictureToClipboard(true);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    ASSERT_TRUE(mime->hasFormat("image/svg+xml"));
    EXPECT_TRUE(IsWellFormed(mime->data("image/svg+xml")));
    ASSERT_TRUE(mime->hasImage());
    // The vector picture has the bitmap's size: 695 x 236 pixels at 96 per inch.
    QString viewBox, size;
    ASSERT_TRUE(IsWellFormed(mime->data("image/svg+xml"), &viewBox, &size));
    EXPECT_EQ(viewBox, "0 0 695 236");
    EXPECT_EQ(size, "183.885mm x 62.4417mm");
    const QImage image = qvariant_cast<QImage>(mime->imageData());
    EXPECT_EQ(image.size(), QSize(695, 236));
    EXPECT_TRUE(image == b.Render().copy(0, 0, 695, 236));
    EXPECT_TRUE(b.chart.Canvas().UseOffscreenBuffer());
}
