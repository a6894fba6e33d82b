#include "historywindow/TimePlotWidget.h"

#include "history/HistoryTime.h"
#include "historywindow/HoverToolTip.h"
#include "monitor/HistoryDesign.h"
#include "story/TimeAxis.h"
#include "story/WaterfallView.h"
#include "text/QtText.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// A zoom never goes below a minute or beyond about a hundred years.
constexpr std::int64_t ShortestAxisMs = 60000;
constexpr std::int64_t LongestAxisMs = 100LL * 366 * 86400000;
// How long the axis rests before the list and the views follow it.
constexpr int RestMs = 400;

}  // namespace

TTimePlotWidget::TTimePlotWidget(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setMinimumHeight(design::HistoryPlotHeight);
    setFont(StoryFont());
    fRest.setSingleShot(true);
    fRest.setInterval(RestMs);
    connect(&fRest, &QTimer::timeout, this, [this] { emit RangeChosen(fData.FromUtcMs, fData.ToUtcMs); });
}

void TTimePlotWidget::SetData(std::span<const TTotalBitsPoint> points, std::span<const THostLineEvent> events,
                              std::int64_t fromUtcMs, std::int64_t toUtcMs)
{
    fData.Points = points;
    fData.Events = events;
    fData.FromUtcMs = fromUtcMs;
    fData.ToUtcMs = std::max(toUtcMs, fromUtcMs + 1);
    if (fHighlighted >= static_cast<int>(events.size()))
        fHighlighted = -1;
    update();
}

void TTimePlotWidget::SetHighlightedEvent(int event)
{
    fHighlighted = event >= 0 && event < static_cast<int>(fData.Events.size()) ? event : -1;
    update();
}

void TTimePlotWidget::ShowAxis(std::int64_t fromUtcMs, std::int64_t toUtcMs)
{
    fData.FromUtcMs = fromUtcMs;
    fData.ToUtcMs = std::max(toUtcMs, fromUtcMs + 1);
    update();
}

TTimePlotLayout TTimePlotWidget::Layout() const
{
    return LayOutTimePlot(rect(), font(), fData);
}

QString TTimePlotWidget::HoverTextAt(QPoint point) const
{
    const TTimePlotLayout layout = Layout();
    const int event = TimePlotEventAt(layout, fData, point);
    if (event >= 0) {
        const TLineEvent& e = fData.Events[static_cast<std::size_t>(event)].Event;
        const std::string detail = LineEventDetail(e);
        return QStringFromUtf8(LineEventKindName(e.Kind)) + QStringLiteral(": ") + FormatLocalTime(e.StartUtcMs) +
               QStringLiteral(" to ") + FormatLocalTime(e.EndUtcMs) +
               (detail.empty() ? QString() : QStringLiteral("\n") + QStringFromUtf8(detail));
    }
    if (!layout.Plot.contains(point))
        return {};
    const int nearest = NearestTimePlotPoint(layout, fData, point.x());
    return nearest < 0 ? QString() : TimePlotHoverText(fData, nearest, QTimeZone::systemTimeZone());
}

void TTimePlotWidget::ZoomAt(int x, double factor)
{
    const TTimePlotLayout layout = Layout();
    const int width = std::max(1, layout.Plot.width());
    const int at = std::clamp(x - layout.Plot.left(), 0, width);
    const std::int64_t pivot = PositionToTime(at, fData.FromUtcMs, fData.ToUtcMs, width);
    const double span = static_cast<double>(fData.ToUtcMs - fData.FromUtcMs);
    const auto newSpan = static_cast<std::int64_t>(
        std::clamp(span * factor, static_cast<double>(ShortestAxisMs), static_cast<double>(LongestAxisMs)));
    // The time under the mouse stays under it.
    const auto from = pivot - static_cast<std::int64_t>(static_cast<double>(newSpan) * at / width);
    AxisMoved(from, from + newSpan);
}

void TTimePlotWidget::PanBy(int dx)
{
    const int width = std::max(1, Layout().Plot.width());
    const std::int64_t span = fData.ToUtcMs - fData.FromUtcMs;
    const auto shift = static_cast<std::int64_t>(static_cast<double>(span) * dx / width);
    AxisMoved(fData.FromUtcMs - shift, fData.ToUtcMs - shift);
}

void TTimePlotWidget::AxisMoved(std::int64_t fromUtcMs, std::int64_t toUtcMs)
{
    // Never before 1970: the store holds no earlier polls.
    if (fromUtcMs < 0) {
        toUtcMs -= fromUtcMs;
        fromUtcMs = 0;
    }
    ShowAxis(fromUtcMs, toUtcMs);
    fRest.start();
}

void TTimePlotWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintTimePlot(painter, Layout(), fData, QTimeZone::systemTimeZone(), font(), fHighlighted);
}

bool TTimePlotWidget::event(QEvent* event)
{
    return ShowHoverToolTip(this, event, [this](QPoint point) { return HoverTextAt(point); }) || QWidget::event(event);
}

void TTimePlotWidget::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0) {
        event->ignore();
        return;
    }
    ZoomAt(static_cast<int>(event->position().x()), std::pow(0.8, steps));
    event->accept();
}

void TTimePlotWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    fDragging = true;
    fDragged = false;
    fDragX = static_cast<int>(event->position().x());
    fDragFrom = fData.FromUtcMs;
    fDragTo = fData.ToUtcMs;
}

void TTimePlotWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!fDragging)
        return QWidget::mouseMoveEvent(event);
    const int dx = static_cast<int>(event->position().x()) - fDragX;
    if (!fDragged && std::abs(dx) < 3)
        return;
    fDragged = true;
    const int width = std::max(1, Layout().Plot.width());
    const auto shift = static_cast<std::int64_t>(static_cast<double>(fDragTo - fDragFrom) * dx / width);
    AxisMoved(fDragFrom - shift, fDragTo - shift);
}

void TTimePlotWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!fDragging || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    fDragging = false;
    if (fDragged)
        return;
    // A click, not a drag: an event marker under it is chosen.
    const int chosen = TimePlotEventAt(Layout(), fData, event->position().toPoint());
    if (chosen >= 0)
        emit EventClicked(chosen);
}
