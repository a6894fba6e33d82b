#include "window/ClickLabel.h"

#include <QMouseEvent>

void TClickLabel::mousePressEvent(QMouseEvent* event)
{
    fPressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = fPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    fPressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}
