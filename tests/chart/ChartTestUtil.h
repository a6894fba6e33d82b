#pragma once

#include "chart/ChartSeries.h"
#include "chart/CustomChart.h"
#include "monitor/MonitorChart.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

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

// Gives every text font of the chart a pixel height (12 gives a line height
// of 14, 11 one of 12).
inline void UseFontPixelHeight(TCustomChart& chart, int px)
{
    chart.Title().Font().SetHeight(-px);
    chart.Foot().Font().SetHeight(-px);
    for (TChartAxis* axis : chart.AxesList()) {
        axis->LabelsFont().SetHeight(-px);
        axis->Title().Font().SetHeight(-px);
    }
}

// The stored design of the monitor's chart (panel and axes) at its stored size.
inline void ApplyMonitorDesign(TCustomChart& c)
{
    c.SetSize(696, 237);
    ApplyMonitorChartDesign(c);
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
