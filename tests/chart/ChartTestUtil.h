#pragma once

#include "chart/ChartSeries.h"
#include "chart/CustomChart.h"

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <QPainter>

// Colour of a pixel as 0x00BBGGRR.
inline TColor PixelAt(const QImage& image, int x, int y)
{
    return FromQColor(QColor(image.pixel(x, y)));
}

// White RGB32 image of the given size.
inline QImage WhiteImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// A window paint of the chart into an image of the chart's size.
inline QImage PaintWindow(TCustomChart& chart)
{
    QImage image = WhiteImage(chart.Width(), chart.Height());
    QPainter p(&image);
    chart.WindowPaint(p);
    p.end();
    return image;
}

// Gives every text font of the chart a pixel height (12 gives the 14-pixel
// line height of the worked examples).
inline void UseFontPixelHeight(TCustomChart& chart, int px)
{
    chart.Title().Font().SetHeight(-px);
    chart.Foot().Font().SetHeight(-px);
    for (TChartAxis* axis : chart.AxesList()) {
        axis->LabelsFont().SetHeight(-px);
        axis->Title().Font().SetHeight(-px);
    }
}

// The stored design of the monitor's chart (panel and axes).
inline void ApplyMonitorDesign(TCustomChart& c)
{
    c.BeginLoading();
    c.SetSize(696, 237);
    c.SetAllowPanning(pmNone);
    c.SetAllowZoom(false);
    c.SetBackColor(clWhite);
    c.BackWall().SetColor(clWhite);
    c.BackWall().Brush().SetColor(clWhite);
    c.SetMarginBottom(0);
    c.SetMarginRight(1);
    c.SetMarginTop(0);
    c.Title().SetAdjustFrame(false);
    c.Title().SetText({""});
    c.SetChart3DPercent(1);
    c.SetView3D(false);
    c.View3DOptions().SetPerspective(0);
    c.SetMaxPointsPerPage(255);
    c.SetScaleLastPage(false);
    c.SetBevelInner(bvLowered);
    c.Legend().SetVisible(false);

    TChartAxis& b = c.BottomAxis();
    b.SetAutomatic(false);
    b.SetAutomaticMaximum(false);
    b.SetAutomaticMinimum(false);
    b.SetMinimum(5.0);
    b.SetMaximum(512.0);
    b.SetIncrement(5.0);
    b.SetLabelStyle(talText);
    b.SetLabelsAngle(90);
    b.SetLabelsSize(29);
    b.SetRoundFirstLabel(false);
    b.SetExactDateTime(false);
    b.SetDateTimeFormat(" hh:nn:ss");
    b.SetMinorTickCount(4);
    b.SetTickLength(2);
    b.TicksInner().SetVisible(false);
    b.Axis().SetWidth(1);
    b.Axis().SetVisible(false);
    b.Grid().SetColor(15066597);
    b.Grid().SetStyle(psSolid);
    b.SetStartPosition(2.0);
    b.SetEndPosition(98.0);
    b.Title().SetCaption("Tones");

    TChartAxis& l = c.LeftAxis();
    l.SetAutomatic(false);
    l.SetAutomaticMaximum(false);
    l.SetAutomaticMinimum(false);
    l.SetMaximum(16.0);
    l.SetExactDateTime(false);
    l.Axis().SetWidth(1);
    l.Axis().SetVisible(false);
    l.Grid().SetColor(15066597);
    l.Grid().SetStyle(psSolid);
    l.TicksInner().SetVisible(false);
    l.SetStartPosition(1.0);
    l.SetEndPosition(98.0);
    l.Title().SetCaption("Bits ");

    TChartAxis& r = c.RightAxis();
    r.SetAutomatic(false);
    r.SetAutomaticMaximum(false);
    r.SetAutomaticMinimum(false);
    r.SetMinimum(-0.5);
    r.SetMaximum(64.0);
    r.Grid().SetVisible(false);
    r.Grid().SetColor(15066597);
    r.Grid().SetStyle(psDash);
    r.SetLabelsSeparation(1);
    r.LabelsFont().SetColor(clRed);
    r.Title().SetCaption("SNR");
    r.Title().Font().SetColor(clRed);
    c.EndLoading();
}

// A series that draws one filled 3 x 3 square per point (for clipping and order checks).
class TSquareSeries : public TChartSeries {
public:
    void DrawPoint(int index) override
    {
        TChartCanvas3D& c = ParentChart()->Canvas();
        c.Pen().Style = psClear;
        c.Brush().Style = bsSolid;
        c.Brush().Color = PointColor(index);
        const int x = PointPixelX(index), y = PointPixelY(index);
        c.FillArea(TRect(x - 1, y - 1, x + 2, y + 2));
        ++drawn;
    }
    int PointAt(int x, int y) override
    {
        for (int i = std::max(0, FirstVisible()); i <= LastVisible() && i < PointCount(); ++i)
            if (std::abs(PointPixelX(i) - x) <= 1 && std::abs(PointPixelY(i) - y) <= 1)
                return i;
        return -1;
    }
    int drawn = 0;
};
