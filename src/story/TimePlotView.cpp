#include "story/TimePlotView.h"

TTimePlotLayout LayOutTimePlot(const QRect& bounds, const QFont&, const TTimePlotData&)
{
    TTimePlotLayout layout;
    layout.Bounds = bounds;
    layout.Plot = bounds;
    return layout;
}

void PaintTimePlot(QPainter&, const TTimePlotLayout&, const TTimePlotData&, const QTimeZone&, const QFont&, int) {}

int NearestTimePlotPoint(const TTimePlotLayout&, const TTimePlotData&, int)
{
    return -1;
}

QString TimePlotHoverText(const TTimePlotData&, int, const QTimeZone&)
{
    return {};
}

int TimePlotEventAt(const TTimePlotLayout&, const TTimePlotData&, QPoint)
{
    return -1;
}

QImage RenderTimePlot(const TTimePlotData&, QSize size, const QTimeZone&, int)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}
