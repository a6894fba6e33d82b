// The drawing pass takes short ways where it can prove they change nothing:
// the canvas sets painter settings only when they change, draws labels from
// glyphs shaped once and sets the rows of narrow solid fills in 32-bit
// pictures itself; labels that cannot fit are passed over early. Each test
// here draws the same picture once the short way and once the long way (the
// canvas made to forget its painter settings before every primitive, a
// picture of another format that leaves every fill to Qt, a no-op handler
// that sends labels the general way) and wants every pixel equal. (The bars
// have one way only: BarGeometryTest.)
#include "ChartTestUtil.h"

#include "chart/BarSeries.h"
#include "chart/ChartCanvas3D.h"

#include <QFontMetrics>
#include <QPainter>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Where the pictures differ, for the failure message.
std::string FirstDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return "sizes differ";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return "first difference at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return std::string();
}

using TCanvasStep = std::function<void(TChartCanvas3D&)>;

// Draws the steps through one canvas into a 120 x 90 picture; with forget set,
// the canvas forgets the painter's settings before every step.
QImage DrawSteps(const std::vector<TCanvasStep>& steps, bool forget)
{
    QImage image = WhiteImage(120, 90);
    QPainter painter(&image);
    TChartCanvas3D canvas;
    canvas.SetUseOffscreenBuffer(false);
    TRect drawing;
    canvas.BeginDrawing(painter, nullptr, drawing, TRect(0, 0, 120, 90), false);
    for (const TCanvasStep& step : steps) {
        if (forget)
            canvas.ForgetTargetState();
        step(canvas);
    }
    canvas.EndDrawing(painter, nullptr, TRect(0, 0, 120, 90));
    painter.end();
    return image;
}

// A chart with bar series on it, drawn by a window paint.
QImage PaintBars(const std::function<void(TCustomChart&)>& build)
{
    TCustomChart chart;
    chart.SetSize(300, 160);
    chart.SetView3D(false);
    build(chart);
    return PaintWindow(chart);
}

}  // namespace

TEST(PassShortcuts, CanvasKeepingPainterSettingsDrawsAsSettingEverythingEachTime)
{
    // Settings that change from primitive to primitive, come back, and leave
    // traces in the painter that the next primitive must not inherit: pen
    // modes, hatches over an opaque background, dotted pens, text colours,
    // fonts and rotations, clipping.
    const std::vector<TCanvasStep> steps = {
        [](TChartCanvas3D& c) {
            c.Brush().Color = clYellow;
            c.FillArea(TRect(0, 0, 120, 90));
            c.Pen().Color = clRed;
            c.DrawSegment(0, 30, 119, 2);
        },
        // From here on each step changes one setting of the one before and
        // draws something that takes it from the painter.
        [](TChartCanvas3D& c) {
            c.Pen().Alternate = true;
            c.DrawSegment(0, 36, 119, 8);
        },
        [](TChartCanvas3D& c) {
            c.Pen().Alternate = false;
            c.DrawSegment(0, 40, 119, 12);
        },
        [](TChartCanvas3D& c) {
            c.Pen().Style = psDash;
            c.DrawSegment(0, 44, 119, 16);
        },
        [](TChartCanvas3D& c) {
            c.Pen().Width = 3;
            c.DrawSegment(0, 50, 119, 22);
        },
        [](TChartCanvas3D& c) {
            c.Pen().Mode = pmXor;
            c.DrawSegment(0, 58, 119, 30);
        },
        [](TChartCanvas3D& c) {
            c.Pen().Mode = pmCopy;
            c.Pen().Width = 1;
            c.Pen().Style = psSolid;
            c.Brush().Color = clBlue;
            c.DrawEllipse(TRect(2, 60, 30, 88));
        },
        [](TChartCanvas3D& c) {
            c.Brush().Style = bsDiagCross;
            c.DrawEllipse(TRect(32, 60, 60, 88));
        },
        [](TChartCanvas3D& c) {
            c.Brush().Color = clGreen;
            c.DrawEllipse(TRect(62, 60, 90, 88));
        },
        [](TChartCanvas3D& c) {
            c.SetTextBackMode(tbmOpaque);
            c.SetTextBackColor(clFuchsia);
            c.DrawEllipse(TRect(92, 60, 118, 88));
        },
        [](TChartCanvas3D& c) {
            c.SetTextBackColor(clLime);
            c.DrawPolygon({TPoint(90, 2), TPoint(118, 12), TPoint(95, 30)});
        },
        [](TChartCanvas3D& c) {
            c.Brush().Style = bsSolid;
            c.Font().SetColor(clNavy);
            c.PutText(30, 2, "Opaque 12");
            c.PutText(30, 14, "caf\xE9");
        },
        [](TChartCanvas3D& c) {
            c.Font().SetColor(clRed);
            c.PutText(30, 26, "caf\xE9");
        },
        [](TChartCanvas3D& c) {
            c.Font().SetSize(10);
            c.PutText(30, 38, "caf\xE9 12");
        },
        [](TChartCanvas3D& c) {
            c.SetTextBackMode(tbmTransparent);
            c.Font().SetStyle(fsBold);
            c.SetTextAlignFlags(TA_RIGHT | TA_TOP);
            c.PutRotatedText(8, 85, 90, "512");
            c.PutRotatedText(20, 85, 90, "256");
            c.SetTextAlignFlags(TA_LEFT | TA_TOP);
        },
        [](TChartCanvas3D& c) {
            c.ClipToRect(TRect(10, 60, 50, 80));
            c.Pen().Style = psClear;
            c.Brush().Color = clOlive;
            c.DrawBox(0, 0, 120, 90);
            c.RemoveClip();
        },
    };
    const QImage kept = DrawSteps(steps, false);
    const QImage setEachTime = DrawSteps(steps, true);
    EXPECT_EQ(FirstDifference(kept, setEachTime), "");
}

TEST(PassShortcuts, FontsBeyondWhatTheCanvasKeepsStillReachThePainter)
{
    // The canvas keeps a few dozen fonts and starts afresh beyond them; a
    // font met again after that must still be given to the painter, and a
    // text measured in between must not be drawn in the wrong font.
    const std::vector<TCanvasStep> steps = {
        [](TChartCanvas3D& c) {
            c.Font().SetHeight(-20);
            c.PutText(4, 4, "Wide 20");
        },
        [](TChartCanvas3D& c) {
            for (int px = 6; px < 60; ++px) {
                c.Font().SetHeight(-px);
                c.MeasureTextWidth("W");
            }
            c.Font().SetHeight(-20);
            c.PutText(4, 30, "Wide 20");
        },
        [](TChartCanvas3D& c) {
            c.Font().SetHeight(-9);
            c.PutText(4, 60, "small 9");
        },
    };
    const QImage kept = DrawSteps(steps, false);
    const QImage setEachTime = DrawSteps(steps, true);
    EXPECT_EQ(FirstDifference(kept, setEachTime), "");
    // Both lines in the 20-pixel font are the same picture.
    EXPECT_EQ(kept.copy(0, 0, 120, 26), kept.copy(0, 26, 120, 26));
}

TEST(PassShortcuts, RowsSetByTheCanvasAreThePixelsQtSets)
{
    // Narrow fills and one-pixel lines, clipped by the canvas, reaching out of
    // the picture, in other pen modes; drawn into a 32-bit picture (rows set
    // by the canvas) and into a 24-bit one (every fill left to Qt), also with
    // a clip, a shift and an opacity of the caller's on the painter, which
    // the canvas must leave to Qt.
    const std::vector<TCanvasStep> steps = {
        [](TChartCanvas3D& c) {
            c.Pen().Style = psClear;
            c.Brush().Color = clBlue;
            c.FillArea(TRect(-3, -5, 4, 95));     // out of the picture at the top, left and bottom
            c.FillArea(TRect(117, 10, 125, 30));  // and at the right
            c.FillArea(TRect(10, 40, 6, 20));     // corners the other way round
            c.FillArea(TRect(20, 20, 20, 60));    // nothing
            c.Brush().Color = clBtnFace;          // a system colour
            c.FillArea(TRect(30, 5, 62, 85));     // 32 columns: still narrow
            c.Brush().Color = clGreen;
            c.FillArea(TRect(30, 50, 63, 60));  // 33: wide
        },
        [](TChartCanvas3D& c) {
            c.ClipToRect(TRect(40, 10, 90, 70));
            c.Brush().Color = clRed;
            c.FillArea(TRect(35, 5, 45, 80));
            c.Pen().Style = psSolid;
            c.Pen().Color = clNavy;
            c.DrawVLine(50, 0, 90);
            c.DrawHLine(0, 120, 30);
            c.DrawBox(60, 20, 66, 75);
            c.ClipToRect(TRect(200, 200, 210, 210));  // nothing visible
            c.FillArea(TRect(40, 10, 90, 70));
            c.RemoveClip();
        },
        [](TChartCanvas3D& c) {
            c.Pen().Mode = pmXor;
            c.Pen().Color = clYellow;
            c.DrawVLine(45, 0, 90);
            c.Pen().Style = psClear;
            c.Brush().Color = clFuchsia;
            c.FillArea(TRect(70, 0, 80, 90));
            c.Pen().Mode = pmCopy;
            c.Pen().Style = psSolid;
            c.DrawVLine(100, 89, 0);  // upwards: without its end pixel at the top
        },
    };
    const auto draw = [&](QImage::Format format, const std::function<void(QPainter&)>& callersSetting) {
        QImage image(120, 90, format);
        image.fill(Qt::white);
        QPainter painter(&image);
        callersSetting(painter);
        TChartCanvas3D canvas;
        canvas.SetUseOffscreenBuffer(false);
        TRect drawing;
        canvas.BeginDrawing(painter, nullptr, drawing, TRect(0, 0, 120, 90), false);
        for (const TCanvasStep& step : steps)
            step(canvas);
        canvas.EndDrawing(painter, nullptr, TRect(0, 0, 120, 90));
        painter.end();
        return image.convertToFormat(QImage::Format_RGB32);
    };
    const auto none = [](QPainter&) {};
    const QImage rows = draw(QImage::Format_RGB32, none);
    EXPECT_EQ(FirstDifference(rows, draw(QImage::Format_RGB888, none)), "");
    EXPECT_EQ(FirstDifference(rows, draw(QImage::Format_ARGB32_Premultiplied, none)), "");
    const std::vector<std::function<void(QPainter&)>> settings = {
        [](QPainter& p) { p.setClipRect(QRect(20, 15, 60, 50)); },
        [](QPainter& p) { p.translate(7, -4); },
        [](QPainter& p) { p.setOpacity(0.5); },
    };
    for (std::size_t k = 0; k < settings.size(); ++k) {
        const QImage qt = draw(QImage::Format_RGB888, settings[k]);
        EXPECT_EQ(FirstDifference(draw(QImage::Format_RGB32, settings[k]), qt), "") << "caller's setting " << k;
        EXPECT_NE(qt, rows) << "the setting " << k << " changes the picture";
    }
}

TEST(PassShortcuts, TextFromShapedGlyphsIsTheTextQtDraws)
{
    // The canvas' text against plain QPainter::drawText at the same baseline
    // origin and rotation, for plain and other texts, twice (shaped, then
    // from the kept glyphs), in two fonts and at the usual angles.
    const std::vector<std::string> texts = {"0", "512", "Tones", "Bits", "Wg,|(", "a\tb", "caf\xE9"};
    const int angles[] = {0, 90, 180, 270, 45};
    for (int style : {0, int(fsBold)}) {
        for (int angle : angles) {
            QImage canvasImage = WhiteImage(160, 160);
            QImage qtImage = WhiteImage(160, 160);
            {
                QPainter p(&canvasImage);
                TChartCanvas3D canvas;
                canvas.SetUseOffscreenBuffer(false);
                TRect drawing;
                canvas.BeginDrawing(p, nullptr, drawing, TRect(0, 0, 160, 160), false);
                canvas.Font().SetStyle(style);
                canvas.Font().SetColor(clBlue);
                canvas.SetTextAlignFlags(TA_CENTER | TA_BOTTOM);
                for (int round = 0; round < 2; ++round)
                    for (std::size_t i = 0; i < texts.size(); ++i)
                        canvas.PutRotatedText(40 + 70 * round, 20 + 20 * static_cast<int>(i), angle, texts[i]);
                canvas.EndDrawing(p, nullptr, TRect(0, 0, 160, 160));
            }
            {
                QPainter p(&qtImage);
                TChartFont font;
                font.SetStyle(style);
                const QFont qfont = font.ToQFont();
                const QFontMetrics fm(qfont);
                p.setFont(qfont);
                p.setPen(QColor(0, 0, 255));
                for (int round = 0; round < 2; ++round)
                    for (std::size_t i = 0; i < texts.size(); ++i) {
                        const QString s = QString::fromLatin1(texts[i].c_str());
                        p.save();
                        p.translate(40 + 70 * round, 20 + 20 * static_cast<int>(i));
                        p.rotate(-angle);
                        p.drawText(QPoint(-fm.horizontalAdvance(s) / 2, -fm.descent()), s);
                        p.restore();
                    }
            }
            EXPECT_EQ(FirstDifference(canvasImage, qtImage), "") << "angle " << angle << ", style " << style;
        }
    }
}

TEST(PassShortcuts, LabelsPassedOverEarlyAsWhenEachIsMeasured)
{
    // Dense rotated point labels of one, two and three lines with a
    // separation: without a label handler the pass skips labels that cannot
    // fit even as one line; a no-op handler makes it measure every label.
    const auto build = [](bool handler) {
        return [handler](TCustomChart& chart) {
            auto* s = new TBarSeries;
            s->SetParentChart(&chart);
            for (int i = 0; i < 120; ++i) {
                std::string label = std::to_string(i);
                if (i % 7 == 3)
                    label += "\rx";
                if (i % 11 == 5)
                    label += "\ry\rz";
                s->AddBarPoint(i % 9, label, clDefault);
            }
            chart.BottomAxis().SetLabelStyle(talText);
            chart.BottomAxis().SetLabelsAngle(90);
            chart.BottomAxis().SetLabelsSeparation(60);
            if (handler)
                chart.OnGetAxisLabel = [](TChartAxis&, TChartSeries*, int, std::string&) {};
        };
    };
    EXPECT_EQ(FirstDifference(PaintBars(build(false)), PaintBars(build(true))), "");
}
