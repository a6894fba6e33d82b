#include "chart/Chart.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

namespace {

int ShiftOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons)
{
    int s = 0;
    if (mods & Qt::ShiftModifier)
        s |= ssShift;
    if (mods & Qt::AltModifier)
        s |= ssAlt;
    if (mods & Qt::ControlModifier)
        s |= ssCtrl;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

TMouseButton ButtonOf(Qt::MouseButton b)
{
    if (b == Qt::RightButton)
        return mbRight;
    if (b == Qt::MiddleButton)
        return mbMiddle;
    return mbLeft;
}

Qt::CursorShape ShapeOf(int cursor)
{
    switch (cursor) {
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    default:
        return Qt::ArrowCursor;
    }
}

}  // namespace

TChart::TChart(QWidget* parent) : QWidget(parent)
{
    // The chart paints every pixel itself; the window is never cleared first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    QWidget::resize(Width(), Height());
}

TChart::~TChart() = default;

void TChart::InvalidateWindow()
{
    update();
}

bool TChart::HasParentWindow() const
{
    return parentWidget() != nullptr;
}

void TChart::SizeChanged()
{
    if (QWidget::width() != Width() || QWidget::height() != Height())
        QWidget::resize(Width(), Height());
}

TPoint TChart::CursorClientPosition() const
{
    const QPoint p = mapFromGlobal(QCursor::pos());
    return TPoint(p.x(), p.y());
}

void TChart::ApplyCursor(int cursor)
{
    TCustomChart::ApplyCursor(cursor);
    // Every mouse move applies a cursor; only a change goes to the window system.
    if (cursor == crDefault) {
        if (testAttribute(Qt::WA_SetCursor))
            unsetCursor();
        return;
    }
    const Qt::CursorShape shape = ShapeOf(cursor);
    if (!testAttribute(Qt::WA_SetCursor) || this->cursor().shape() != shape)
        setCursor(shape);
}

void TChart::paintEvent(QPaintEvent* /*event*/)
{
    // A hidden widget gets its resize events late; paint at the size it has now.
    SetSize(QWidget::width(), QWidget::height());
    QPainter painter(this);
    WindowPaint(painter);
}

void TChart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    SetSize(event->size().width(), event->size().height());
}

void TChart::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    MouseMove(ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TChart::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    const QPoint p = event->position().toPoint();
    MouseDown(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TChart::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    const QPoint p = event->position().toPoint();
    MouseUp(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TChart::wheelEvent(QWheelEvent* event)
{
    const int dy = event->angleDelta().y();
    if (dy != 0)
        MouseWheel(dy < 0);  // turning towards the user scrolls down
    event->accept();
}

void TChart::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    MouseLeave();
}
