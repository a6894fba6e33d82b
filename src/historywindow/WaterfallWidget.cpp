#include "historywindow/WaterfallWidget.h"

#include "historywindow/HoverToolTip.h"
#include "monitor/HistoryDesign.h"

#include <QMouseEvent>
#include <QPainter>

TWaterfallWidget::TWaterfallWidget(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setMinimumHeight(design::HistoryPlotHeight);
    setFont(StoryFont());
}

void TWaterfallWidget::SetGrid(const TWaterfallGrid& fine)
{
    fFine = fine;
    fShownHeight = -1;
    update();
}

TWaterfallLayout TWaterfallWidget::Layout() const
{
    return LayOutWaterfall(rect(), font());
}

const TWaterfallGrid& TWaterfallWidget::Shown() const
{
    // One row per pixel at most: more would be drawn over each other.
    const int height = std::max(1, Layout().Plot.height());
    if (height != fShownHeight) {
        fShown = fFine.Combined(height);
        fShownHeight = height;
    }
    return fShown;
}

QString TWaterfallWidget::HoverTextAt(QPoint point) const
{
    return WaterfallHoverText(Shown(), HitWaterfall(Layout(), Shown(), point), QTimeZone::systemTimeZone());
}

std::int64_t TWaterfallWidget::PollAt(QPoint point) const
{
    const TWaterfallHit hit = HitWaterfall(Layout(), Shown(), point);
    if (!hit.Inside || hit.Row < 0 || hit.Row >= static_cast<int>(Shown().Rows().size()))
        return 0;
    return Shown().Rows()[static_cast<std::size_t>(hit.Row)].LastId;
}

void TWaterfallWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintWaterfall(painter, Layout(), Shown(), QTimeZone::systemTimeZone(), font());
}

void TWaterfallWidget::resizeEvent(QResizeEvent* event)
{
    fShownHeight = -1;
    QWidget::resizeEvent(event);
}

bool TWaterfallWidget::event(QEvent* event)
{
    return ShowHoverToolTip(this, event, [this](QPoint point) { return HoverTextAt(point); }) || QWidget::event(event);
}

void TWaterfallWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const std::int64_t id = PollAt(event->position().toPoint());
    if (id != 0)
        emit PollClicked(id);
}
