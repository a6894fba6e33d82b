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

bool IsWellFormed(const QByteArray& svg, QString* viewBox = nullptr)
{
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        xml.readNext();
        if (viewBox != nullptr && xml.isStartElement() && xml.name() == u"svg")
            *viewBox = xml.attributes().value("viewBox").toString();
    }
    return !xml.hasError();
}

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
    const QImage image = qvariant_cast<QImage>(mime->imageData());
    EXPECT_EQ(image.size(), QSize(695, 236));
    EXPECT_TRUE(image == b.Render().copy(0, 0, 695, 236));
    EXPECT_TRUE(b.chart.Canvas().UseOffscreenBuffer());
}
