#pragma once
// Small charts for the drawing tests.

#include "chart/BarSeries.h"
#include "chart/CustomChart.h"

#include <QImage>

// A flat chart with one bar series on manual axes: bottom Minimum..Maximum,
// left 0..16.
struct BarChart {
    TCustomChart chart;
    TBarSeries* series;

    explicit BarChart(int width = 400, int height = 250, double bottomMin = 0.0, double bottomMax = 9.0)
    {
        chart.SetSize(width, height);
        chart.SetView3D(false);
        chart.SetBackColor(clWhite);
        chart.BackWall().Brush().SetColor(clWhite);
        chart.Legend().SetVisible(false);
        chart.BottomAxis().SetMinMax(bottomMin, bottomMax);
        chart.LeftAxis().SetMinMax(0.0, 16.0);
        series = new TBarSeries;
        series->Marks().SetVisible(false);
        series->SetParentChart(&chart);
    }

    QImage Render() { return chart.RenderBitmap(clWhite, chart.PanelRect()); }
};

// Whether any pixel of the image differs from white inside the rectangle.
inline bool HasInk(const QImage& img, const QRect& r)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.rect().contains(x, y) && (img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                return true;
    return false;
}

// Bounding box of the non-white pixels.
inline QRect InkBounds(const QImage& img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                box = box.united(QRect(x, y, 1, 1));
    return box;
}
