#include "window/Shape.h"

#include "chart/ChartColors.h"

#include <QPainter>

TShape::TShape(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TShape::SetBrushColor(std::uint32_t color)
{
    if (color == fBrushColor)
        return;
    fBrushColor = color;
    update();
}

void TShape::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    // Outline on the outermost pixels, brush inside.
    painter.fillRect(rect(), Qt::black);
    painter.fillRect(rect().adjusted(1, 1, -1, -1), ToQColor(fBrushColor));
}
