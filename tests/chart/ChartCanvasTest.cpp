#include "ChartTestUtil.h"

#include "chart/ChartCanvas3D.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPalette>
#include <QSvgGenerator>
#include <QSvgRenderer>

#include <gtest/gtest.h>

namespace {

// A canvas drawing straight into an image (no buffer).
struct TDirectCanvas {
    QImage image = WhiteImage(40, 40);
    QPainter painter{&image};
    TChartCanvas3D canvas;
    TDirectCanvas()
    {
        canvas.SetUseOffscreenBuffer(false);
        TRect dr;
        canvas.BeginDrawing(painter, nullptr, dr, TRect(0, 0, 40, 40), false);
    }
    QImage Done()
    {
        canvas.EndDrawing(painter, nullptr, TRect(0, 0, 40, 40));
        painter.end();
        return image;
    }
};

// Bounding box of the pixels of one colour.
TRect InkBox(const QImage& image, TColor color)
{
    TRect box(image.width(), image.height(), -1, -1);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (PixelAt(image, x, y) == color) {
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box;
}

// Bounding box of everything that is not white (smoothed glyphs included).
TRect NonWhiteBox(const QImage& image)
{
    TRect box(image.width(), image.height(), -1, -1);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (PixelAt(image, x, y) != clWhite) {
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box;
}

int CountColor(const QImage& image, TColor color)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += PixelAt(image, x, y) == color;
    return n;
}

}  // namespace

TEST(ChartCanvas, BoxWithVisiblePenOutlinesInsideAndFillsInterior)
{
    TDirectCanvas d;
    d.canvas.Pen().Color = clRed;
    d.canvas.Brush().Color = clBlue;
    d.canvas.DrawBox(2, 3, 12, 9);
    const QImage im = d.Done();
    EXPECT_EQ(InkBox(im, clRed), TRect(2, 3, 12, 9));  // columns 2..11, rows 3..8
    EXPECT_EQ(InkBox(im, clBlue), TRect(3, 4, 11, 8));
    EXPECT_EQ(PixelAt(im, 12, 5), clWhite);
    EXPECT_EQ(PixelAt(im, 5, 9), clWhite);
}

TEST(ChartCanvas, BoxWithClearPenFillsOnePixelLess)
{
    TDirectCanvas d;
    d.canvas.Pen().Style = psClear;
    d.canvas.Brush().Color = clGreen;
    d.canvas.DrawBox(2, 3, 12, 9);
    const QImage im = d.Done();
    EXPECT_EQ(InkBox(im, clGreen), TRect(2, 3, 11, 8));  // columns 2..10, rows 3..7
}

TEST(ChartCanvas, InvisibleChartPenOutlinesNothingButTheBoxIsFilled)
{
    TDirectCanvas d;
    TChartPen pen;
    pen.SetColor(clRed);
    pen.SetWidth(3);
    pen.SetVisible(false);
    d.canvas.Pen().Width = 5;
    d.canvas.ApplyChartPen(pen);
    EXPECT_EQ(d.canvas.Pen().Style, psClear);
    EXPECT_EQ(d.canvas.Pen().Width, 5);  // only the style changes
    d.canvas.Brush().Color = clBlue;
    d.canvas.DrawBox(2, 2, 10, 10);
    const QImage im = d.Done();
    EXPECT_EQ(CountColor(im, clRed), 0);
    EXPECT_EQ(InkBox(im, clBlue), TRect(2, 2, 9, 9));
}

TEST(ChartCanvas, ApplyChartPenCopiesSettingsAndSmallDotsAlternates)
{
    TChartCanvas3D c;
    TChartPen pen;
    pen.SetColor(clGreen);
    pen.SetWidth(2);
    pen.SetStyle(psDash);
    c.ApplyChartPen(pen);
    EXPECT_EQ(c.Pen().Color, clGreen);
    EXPECT_EQ(c.Pen().Width, 2);
    EXPECT_EQ(c.Pen().Style, psDash);
    EXPECT_FALSE(c.Pen().Alternate);
    pen.SetWidth(1);
    pen.SetSmallDots(true);
    c.ApplyChartPen(pen);
    EXPECT_TRUE(c.Pen().Alternate);

    TDirectCanvas d;
    d.canvas.ApplyChartPen(pen);
    d.canvas.DrawHLine(0, 10, 5);
    const QImage im = d.Done();
    EXPECT_EQ(CountColor(im, clGreen), 5);  // every other pixel of 0..9
}

TEST(ChartCanvas, FillAreaCoversRightAndBottomExclusive)
{
    TDirectCanvas d;
    d.canvas.Brush().Color = clRed;
    d.canvas.FillArea(TRect(5, 6, 9, 8));
    d.canvas.Brush().Style = bsClear;
    d.canvas.FillArea(TRect(20, 20, 30, 30));  // clear brush fills nothing
    const QImage im = d.Done();
    EXPECT_EQ(InkBox(im, clRed), TRect(5, 6, 9, 8));
    EXPECT_EQ(CountColor(im, clRed), 8);
}

TEST(ChartCanvas, LinesLeaveOutTheirEndPixelInEveryDirection)
{
    TDirectCanvas d;
    d.canvas.Pen().Color = clRed;
    d.canvas.DrawHLine(2, 8, 1);   // 2..7
    d.canvas.DrawHLine(8, 2, 3);   // 8..3
    d.canvas.DrawVLine(20, 2, 6);  // 2..5
    d.canvas.DrawVLine(22, 6, 2);  // 6..3
    d.canvas.PenMoveTo(10, 20);
    d.canvas.PenLineTo(15, 25);  // diagonal: 5 pixels, not (15, 25)
    EXPECT_EQ(d.canvas.PenPosition(), TPoint(15, 25));
    const QImage im = d.Done();
    EXPECT_EQ(PixelAt(im, 2, 1), clRed);
    EXPECT_EQ(PixelAt(im, 7, 1), clRed);
    EXPECT_EQ(PixelAt(im, 8, 1), clWhite);
    EXPECT_EQ(PixelAt(im, 8, 3), clRed);
    EXPECT_EQ(PixelAt(im, 3, 3), clRed);
    EXPECT_EQ(PixelAt(im, 2, 3), clWhite);
    EXPECT_EQ(InkBox(im.copy(19, 0, 2, 10), clRed), TRect(1, 2, 2, 6));
    EXPECT_EQ(InkBox(im.copy(22, 0, 1, 10), clRed), TRect(0, 3, 1, 7));
    EXPECT_EQ(InkBox(im.copy(0, 15, 40, 15), clRed), TRect(10, 5, 15, 10));
    EXPECT_EQ(PixelAt(im, 15, 25), clWhite);
}

TEST(ChartCanvas, LinesWithAFarOffEndDrawOnlyTheirVisiblePart)
{
    // Far-off values map to pixels some 2^28 away; only the visible part may cost anything.
    constexpr int far = 1 << 28;
    TDirectCanvas d;
    d.canvas.Pen().Color = clRed;
    d.canvas.DrawSegment(5, 0, 25, far);  // steep: stays in column 5 on the image
    d.canvas.Pen().Color = clGreen;
    d.canvas.Brush().Color = clBlue;
    d.canvas.DrawPolygon({TPoint(10, 30), TPoint(20, -far), TPoint(30, 30)});  // a pyramid bar's outline
    const QImage im = d.Done();
    EXPECT_EQ(InkBox(im, clRed), TRect(5, 0, 6, 40));
    EXPECT_EQ(PixelAt(im, 20, 10), clBlue);
    EXPECT_EQ(PixelAt(im, 10, 10), clGreen);
    EXPECT_EQ(PixelAt(im, 29, 10), clGreen);
    EXPECT_EQ(PixelAt(im, 20, 35), clWhite);

    // Lines of ordinary length keep their exact pixels.
    TDirectCanvas e;
    e.canvas.Pen().Color = clRed;
    e.canvas.DrawSegment(0, 0, 9, 3);
    const QImage ie = e.Done();
    EXPECT_EQ(CountColor(ie, clRed), 9);
    EXPECT_EQ(PixelAt(ie, 9, 3), clWhite);
}

TEST(ChartCanvas, BevelFrameDrawsNestedRings)
{
    TDirectCanvas d;
    const TRect r(0, 0, 10, 10);
    d.canvas.BevelFrame(r, clRed, 2, clBlue);
    const QImage im = d.Done();
    // Outer ring on x 0 and 9, y 0 and 9; inner on x 1 and 8, y 1 and 8.
    EXPECT_EQ(PixelAt(im, 0, 0), clRed);
    EXPECT_EQ(PixelAt(im, 8, 0), clRed);
    EXPECT_EQ(PixelAt(im, 9, 0), clBlue);
    EXPECT_EQ(PixelAt(im, 0, 9), clBlue);
    EXPECT_EQ(PixelAt(im, 0, 8), clRed);
    EXPECT_EQ(PixelAt(im, 9, 9), clBlue);
    EXPECT_EQ(PixelAt(im, 1, 1), clRed);
    EXPECT_EQ(PixelAt(im, 8, 1), clBlue);
    EXPECT_EQ(PixelAt(im, 1, 8), clBlue);
    EXPECT_EQ(PixelAt(im, 8, 8), clBlue);
    EXPECT_EQ(PixelAt(im, 2, 2), clWhite);
    EXPECT_EQ(PixelAt(im, 10, 5), clWhite);
    EXPECT_EQ(CountColor(im, clRed) + CountColor(im, clBlue), 36 + 28);
    EXPECT_EQ(r, TRect(0, 0, 10, 10));
}

TEST(ChartCanvas, ClipToPlotLetsExactlyTheInnerPixelsThrough)
{
    QImage image = WhiteImage(700, 220);
    QPainter p(&image);
    TChartCanvas3D c;
    c.SetUseOffscreenBuffer(false);
    TRect dr;
    c.BeginDrawing(p, nullptr, dr, TRect(0, 0, 700, 220), false);
    c.ClipToPlot(TRect(40, 10, 680, 200), 0, 0);
    c.Brush().Color = clRed;
    c.FillArea(TRect(0, 0, 700, 220));
    c.RemoveClip();
    c.EndDrawing(p, nullptr, TRect(0, 0, 700, 220));
    p.end();
    EXPECT_EQ(InkBox(image, clRed), TRect(41, 11, 680, 199));  // x 41..679, y 11..198
    EXPECT_EQ(CountColor(image, clRed), 639 * 188);
}

TEST(ChartCanvas, ClipsNarrowAndRemoveClipRestores)
{
    TDirectCanvas d;
    d.canvas.ClipToRect(TRect(0, 0, 20, 20));
    d.canvas.ClipToRect(TRect(10, 10, 30, 30));
    ASSERT_TRUE(d.canvas.ClipRect().has_value());
    EXPECT_EQ(*d.canvas.ClipRect(), TRect(10, 10, 20, 20));
    d.canvas.Brush().Color = clRed;
    d.canvas.FillArea(TRect(0, 0, 40, 40));
    d.canvas.RemoveClip();
    EXPECT_FALSE(d.canvas.ClipRect().has_value());
    d.canvas.Brush().Color = clBlue;
    d.canvas.FillArea(TRect(35, 35, 40, 40));
    const QImage im = d.Done();
    EXPECT_EQ(InkBox(im, clRed), TRect(10, 10, 20, 20));
    EXPECT_EQ(PixelAt(im, 39, 39), clBlue);
}

TEST(ChartCanvas, DepthOperationsEqualFlatOnesWhileDepthIsOff)
{
    TDirectCanvas a, b;
    a.canvas.Pen().Color = clRed;
    b.canvas.Pen().Color = clRed;
    a.canvas.DrawSegmentAtDepth(3, 4, 30, 20, 50);
    b.canvas.DrawSegment(3, 4, 30, 20);
    a.canvas.DrawVLineAtDepth(35, 1, 30, 50);
    b.canvas.DrawVLine(35, 1, 30);
    EXPECT_EQ(a.canvas.ProjectPoint(7, 9, 50), TPoint(7, 9));
    int x = 7, y = 9;
    a.canvas.UnprojectPoint(x, y, 50);
    EXPECT_EQ(TPoint(x, y), TPoint(7, 9));
    EXPECT_EQ(a.Done(), b.Done());
}

TEST(ChartCanvas, BufferedPassDrawsAtOriginAndShowsAtTheRequestedPlace)
{
    const TRect requested(10, 20, 110, 70);
    QImage dest = WhiteImage(120, 80);
    QPainter p(&dest);
    TChartCanvas3D c;
    TRect dr;
    c.BeginDrawing(p, nullptr, dr, requested, false);
    EXPECT_EQ(dr, TRect(0, 0, 100, 50));
    ASSERT_TRUE(c.HasBuffer());
    EXPECT_EQ(c.Buffer().size(), QSize(100, 50));
    EXPECT_EQ(c.Buffer().format(), QImage::Format_RGB32);
    c.Brush().Color = clRed;
    c.FillArea(dr);
    EXPECT_EQ(PixelAt(dest, 50, 40), clWhite);  // nothing on the destination before the end
    c.EndDrawing(p, nullptr, requested);
    p.end();
    EXPECT_FALSE(c.Dirty());
    EXPECT_EQ(InkBox(dest, clRed), requested);
}

TEST(ChartCanvas, UnbufferedPassDrawsDirectlyAndStaysDirty)
{
    const TRect requested(10, 20, 110, 70);
    QImage dest = WhiteImage(120, 80);
    QPainter p(&dest);
    TChartCanvas3D c;
    c.SetUseOffscreenBuffer(false);
    TRect dr;
    c.BeginDrawing(p, nullptr, dr, requested, false);
    EXPECT_EQ(dr, requested);
    EXPECT_FALSE(c.HasBuffer());
    c.Brush().Color = clRed;
    c.FillArea(dr);
    c.EndDrawing(p, nullptr, requested);
    p.end();
    EXPECT_TRUE(c.Dirty());
    EXPECT_EQ(InkBox(dest, clRed), requested);
}

TEST(ChartCanvas, BufferIsReusedForTheSameSizeAndRemadeForANewOne)
{
    TChartCanvas3D c;
    QImage dest = WhiteImage(200, 200);
    QPainter p(&dest);
    TRect dr;
    const auto pass = [&](const TRect& r) {
        c.BeginDrawing(p, nullptr, dr, r, false);
        c.EndDrawing(p, nullptr, r);
    };
    pass(TRect(0, 0, 100, 50));
    pass(TRect(5, 5, 105, 55));
    EXPECT_EQ(c.BufferCreations(), 1);
    pass(TRect(0, 0, 120, 50));
    EXPECT_EQ(c.BufferCreations(), 2);
    EXPECT_EQ(c.Buffer().size(), QSize(120, 50));
    // Switching buffering off drops the buffer and marks it dirty.
    c.SetUseOffscreenBuffer(false);
    EXPECT_FALSE(c.HasBuffer());
    EXPECT_TRUE(c.Dirty());
    p.end();
}

TEST(ChartCanvas, RepaintFromBufferOnlyWhenClean)
{
    int repaints = 0;
    TChartCanvas3D c([&] { ++repaints; });
    QImage dest = WhiteImage(50, 50);
    QPainter p(&dest);
    c.Retarget(&p);
    EXPECT_FALSE(c.RepaintFromBuffer());  // no picture yet
    TRect dr;
    c.BeginDrawing(p, nullptr, dr, TRect(0, 0, 50, 50), false);
    c.Brush().Color = clBlue;
    c.FillArea(dr);
    c.EndDrawing(p, &p, TRect(0, 0, 50, 50));
    p.fillRect(0, 0, 50, 50, Qt::white);
    EXPECT_TRUE(c.RepaintFromBuffer());
    c.MarkDirty();
    EXPECT_FALSE(c.RepaintFromBuffer());
    p.end();
    EXPECT_EQ(PixelAt(dest, 25, 25), clBlue);
    // A monochrome change drops the buffer and asks for a repaint.
    c.SetMonochrome(true);
    EXPECT_EQ(repaints, 1);
    EXPECT_FALSE(c.HasBuffer());
    c.SetMonochrome(true);
    EXPECT_EQ(repaints, 1);
}

TEST(ChartCanvas, TextMeasuresFollowTheFont)
{
    TChartCanvas3D c;
    EXPECT_EQ(c.Font().Name(), "Arial");
    EXPECT_EQ(c.Font().Size(), 8);
    EXPECT_EQ(c.Font().Height(), -11);
    EXPECT_EQ(c.LineHeight(), 12);  // Arial 8 at 96 dpi as this platform measures it
    c.Font().SetHeight(-12);
    EXPECT_EQ(c.LineHeight(), 14);  // pixel size 12
    EXPECT_GT(c.MeasureTextWidth("16"), c.MeasureTextWidth("0"));
    EXPECT_EQ(c.MeasureTextWidth(""), 0);
}

TEST(ChartCanvas, PutTextHonoursAlignmentAndBackgroundMode)
{
    TDirectCanvas d;
    d.canvas.Font().SetColor(clRed);
    d.canvas.SetTextAlignFlags(TA_RIGHT | TA_TOP);
    d.canvas.PutText(30, 2, "WW");
    d.canvas.SetTextAlignFlags(TA_LEFT | TA_BOTTOM);
    d.canvas.SetTextBackMode(tbmOpaque);
    d.canvas.SetTextBackColor(clBlue);
    d.canvas.PutText(2, 38, "W");
    const QImage im = d.Done();
    const TRect ink = NonWhiteBox(im.copy(0, 0, 40, 18));
    EXPECT_LE(ink.Right, 30);
    EXPECT_GE(ink.Top, 2);
    EXPECT_GE(ink.Left, 30 - d.canvas.MeasureTextWidth("WW"));
    const TRect back = InkBox(im, clBlue);
    EXPECT_EQ(back.Bottom, 38);
    EXPECT_EQ(back.Left, 2);
    EXPECT_EQ(back.Height(), d.canvas.LineHeight());
}

TEST(ChartCanvas, RotatedTextAndClearBrushesLeaveTheBackgroundAlone)
{
    TDirectCanvas d;
    d.canvas.SetTextBackMode(tbmOpaque);
    d.canvas.SetTextBackColor(clBlue);
    d.canvas.DrawBox(30, 30, 35, 35);          // leaves the opaque mode on the painter
    d.canvas.PutRotatedText(20, 35, 90, "W");  // turns the brush clear first
    d.canvas.Brush().Style = bsClear;
    d.canvas.PutText(2, 2, "W");
    const QImage im = d.Done();
    EXPECT_EQ(CountColor(im, clBlue), 0);
}

TEST(ChartCanvas, RotatedTextAboveAFullTurnIsTurnedBackOnce)
{
    TDirectCanvas a, b;
    a.canvas.PutRotatedText(20, 35, 450, "W1");
    EXPECT_EQ(a.canvas.LastTextEscapement(), 900);
    EXPECT_EQ(a.canvas.Brush().Style, bsClear);
    b.canvas.PutRotatedText(20, 35, 90, "W1");
    EXPECT_EQ(b.canvas.LastTextEscapement(), 900);
    const QImage ia = a.Done(), ib = b.Done();
    EXPECT_EQ(ia, ib);
    // At 90 degrees the text reads upwards: taller than wide, above the anchor.
    const TRect ink = NonWhiteBox(ia);
    EXPECT_GT(ink.Height(), ink.Width());
    EXPECT_LE(ink.Bottom, 36);
    EXPECT_GE(ink.Left, 20);
}

TEST(ChartCanvas, DrawGraphicTakesBrushAndFontColoursFirst)
{
    // A one-bit picture 0 1 / 1 0, and a colour picture of the same size.
    QImage bits(2, 2, QImage::Format_Mono);
    bits.setColorCount(2);
    bits.setColor(0, qRgb(0, 0, 0));
    bits.setColor(1, qRgb(255, 255, 255));
    bits.setPixel(0, 0, 0);
    bits.setPixel(1, 0, 1);
    bits.setPixel(0, 1, 1);
    bits.setPixel(1, 1, 0);
    QImage colour(2, 2, QImage::Format_RGB32);
    colour.fill(ToQColor(clTeal));

    TDirectCanvas d;
    d.canvas.Brush().Color = clRed;
    d.canvas.Font().SetColor(clBlue);
    d.canvas.DrawGraphic(3, 4, bits);
    EXPECT_EQ(d.canvas.TextBackColor(), clRed);
    EXPECT_EQ(d.canvas.TextColor(), clBlue);
    d.canvas.DrawGraphic(10, 10, colour);
    d.canvas.Brush().Color = clLime;
    d.canvas.DrawGraphic(20, 20, QImage());  // nothing to draw: nothing changes
    EXPECT_EQ(d.canvas.TextBackColor(), clRed);
    const QImage image = d.Done();
    EXPECT_EQ(PixelAt(image, 3, 4), clBlue);
    EXPECT_EQ(PixelAt(image, 4, 4), clRed);
    EXPECT_EQ(PixelAt(image, 3, 5), clRed);
    EXPECT_EQ(PixelAt(image, 4, 5), clBlue);
    EXPECT_EQ(InkBox(image, clBlue), TRect(3, 4, 5, 6));
    // A colour picture keeps its own colours.
    EXPECT_EQ(InkBox(image, clTeal), TRect(10, 10, 12, 12));
}

TEST(ChartCanvas, ResetDrawingStateRestoresDefaults)
{
    TChartCanvas3D c;
    c.Pen().Color = clRed;
    c.Pen().Width = 4;
    c.Pen().Style = psDot;
    c.Brush().Style = bsClear;
    c.Font().SetColor(clBlue);
    c.SetTextBackMode(tbmOpaque);
    c.ResetDrawingState();
    EXPECT_EQ(c.Pen().Color, clBlack);
    EXPECT_EQ(c.Pen().Width, 1);
    EXPECT_EQ(c.Pen().Style, psSolid);
    EXPECT_EQ(c.Brush().Color, clWhite);
    EXPECT_EQ(c.Brush().Style, bsSolid);
    EXPECT_EQ(c.Font().Color(), clBlack);
    EXPECT_EQ(c.Font().Size(), 10);
    EXPECT_EQ(c.TextBackColor(), clWhite);
    EXPECT_EQ(c.TextBackMode(), tbmTransparent);
}

TEST(ChartCanvas, PensBrushesAndColours)
{
    EXPECT_FALSE(TChartHiddenPen().Visible());
    EXPECT_EQ(TDottedGrayPen().Color(), clGray);
    EXPECT_EQ(TDottedGrayPen().Style(), psDot);
    EXPECT_EQ(TDarkGrayPen().Color(), clGray);
    EXPECT_EQ(TChartAxisPen().Width(), 2);
    EXPECT_EQ(TChartArrowPen().Color(), clWhite);

    int changes = 0;
    TChartPen a;
    a.OnChange = [&] { ++changes; };
    TChartPen b;
    b.SetSmallDots(true);
    b.SetVisible(false);
    b.SetColor(clRed);
    a.Assign(b);
    EXPECT_TRUE(a.SmallDots());
    EXPECT_FALSE(a.Visible());
    EXPECT_EQ(a.Color(), clRed);
    EXPECT_EQ(changes, 1);
    a.SetColor(clRed);
    EXPECT_EQ(changes, 1);  // same value, no notification

    TChartBrush brush;
    EXPECT_EQ(brush.Color(), clDefault);
    brush.SetStyle(bsClear);
    brush.SetColor(clDefault);
    EXPECT_EQ(brush.Style(), bsSolid);  // a colour on a clear brush makes it solid

    EXPECT_EQ(ToQColor(0x00336699), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(FromQColor(QColor(1, 2, 3)), 0x00030201u);
    EXPECT_EQ(ToQColor(clBtnFace).rgb(), QGuiApplication::palette().color(QPalette::Button).rgb());
    EXPECT_EQ(ToQColor(clBtnHighlight).rgb(), QGuiApplication::palette().color(QPalette::Light).rgb());
    EXPECT_EQ(ToQColor(clBtnShadow).rgb(), QGuiApplication::palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(ChartPaletteColor(0), clRed);
    EXPECT_EQ(ChartPaletteColor(15), clBlack);
    EXPECT_EQ(ChartPaletteColor(17), clGreen);
}

// Draws through a canvas into a 50 x 50 SVG picture and rasterises the
// picture onto white; a null image when the SVG does not parse.
template <typename Draw> QImage ThroughSvg(Draw draw)
{
    QBuffer svg;
    svg.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&svg);
    generator.setSize(QSize(50, 50));
    generator.setViewBox(QRect(0, 0, 50, 50));
    generator.setResolution(96);
    {
        QPainter p(&generator);
        TChartCanvas3D c;
        c.SetUseOffscreenBuffer(false);
        TRect dr;
        c.BeginDrawing(p, nullptr, dr, TRect(0, 0, 50, 50), false);
        draw(c);
        c.EndDrawing(p, nullptr, TRect(0, 0, 50, 50));
    }
    QSvgRenderer renderer(svg.data());
    if (!renderer.isValid())
        return QImage();
    QImage im = WhiteImage(50, 50);
    QPainter p(&im);
    renderer.render(&p, QRectF(0, 0, 50, 50));
    return im;
}

TEST(ChartCanvas, VectorOutputIsClippedByTheCanvasItself)
{
    const QImage im = ThroughSvg([](TChartCanvas3D& c) {
        c.ClipToRect(TRect(10, 10, 20, 20));
        c.Brush().Color = clRed;
        c.FillArea(TRect(0, 0, 50, 50));
        c.Pen().Color = clBlue;
        c.DrawHLine(0, 50, 30);  // entirely outside the clip
        c.RemoveClip();
        c.Brush().Color = clGreen;
        c.FillArea(TRect(40, 40, 50, 50));
    });
    ASSERT_FALSE(im.isNull());
    EXPECT_EQ(PixelAt(im, 15, 15), clRed);
    EXPECT_EQ(PixelAt(im, 5, 5), clWhite);
    EXPECT_EQ(PixelAt(im, 30, 15), clWhite);
    EXPECT_EQ(PixelAt(im, 25, 30), clWhite);
    EXPECT_EQ(PixelAt(im, 45, 45), clGreen);
}

TEST(ChartCanvas, VectorOutputCutsLongLinesToTheClip)
{
    const QImage im = ThroughSvg([](TChartCanvas3D& c) {
        c.ClipToRect(TRect(10, 10, 20, 20));
        c.Pen().Color = clBlue;
        c.DrawSegment(0, 0, 1 << 28, 1 << 28);  // far-off end: drawn by the painter, cut here
        c.DrawSegment(0, 49, 49, 0);            // misses the clip altogether
        c.RemoveClip();
    });
    ASSERT_FALSE(im.isNull());
    const TRect ink = NonWhiteBox(im);
    EXPECT_GE(ink.Left, 9);
    EXPECT_GE(ink.Top, 9);
    EXPECT_LE(ink.Right, 21);
    EXPECT_LE(ink.Bottom, 21);
    EXPECT_NE(PixelAt(im, 15, 15), clWhite);
}
