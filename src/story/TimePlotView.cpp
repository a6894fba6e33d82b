#include "story/TimePlotView.h"

#include "monitor/HistoryDesign.h"
#include "story/TimeAxis.h"
#include "story/WaterfallView.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

QColor FromBgr(std::uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

// The colour of an event's marker: troubles in warm colours, changes of the
// line in cool ones, a gap in grey.
QColor EventColour(TLineEventKind kind)
{
    switch (kind) {
    case TLineEventKind::lekNoReply:
        return QColor(0xD0, 0x00, 0x00);
    case TLineEventKind::lekLineDown:
        return QColor(0x80, 0x00, 0x80);
    case TLineEventKind::lekResync:
        return QColor(0xE0, 0x80, 0x00);
    case TLineEventKind::lekTonesLost:
        return QColor(0xC0, 0x40, 0x40);
    case TLineEventKind::lekTonesRegained:
        return QColor(0x00, 0x90, 0x30);
    case TLineEventKind::lekGap:
        return QColor(0x80, 0x80, 0x80);
    }
    return Qt::black;
}

// Whether the line must not be drawn from one reading to the next: a gap or
// a no-reply run (or a failed poll) lies between them.
bool BreaksBetween(std::int64_t fromUtcMs, std::int64_t toUtcMs, std::span<const THostLineEvent> events)
{
    for (const THostLineEvent& e : events) {
        const TLineEvent& event = e.Event;
        if (event.Kind != TLineEventKind::lekGap && event.Kind != TLineEventKind::lekNoReply)
            continue;
        if (event.StartUtcMs >= toUtcMs)
            break;  // oldest first: none later can lie between
        // A gap runs from the poll before it to the poll after it; a no-reply
        // run from its first failed poll to its last.
        const bool inside = event.Kind == TLineEventKind::lekGap
                                ? event.StartUtcMs >= fromUtcMs && event.EndUtcMs <= toUtcMs
                                : event.StartUtcMs > fromUtcMs && event.EndUtcMs < toUtcMs;
        if (inside)
            return true;
    }
    return false;
}

constexpr int MarkerSize = 7;

// The x of an event's marker in the layout, or INT_MIN when off the axis.
int MarkerX(const TTimePlotLayout& layout, const TTimePlotData& data, const TLineEvent& event)
{
    const int x = TimeToPosition(event.StartUtcMs, data.FromUtcMs, data.ToUtcMs, layout.Plot.width());
    if (x < 0 || x > layout.Plot.width())
        return std::numeric_limits<int>::min();
    return layout.Plot.left() + x;
}

QString Grouped(double value, int decimals)
{
    return QLocale(QLocale::English).toString(value, 'f', decimals);
}

}  // namespace

TTimePlotLayout LayOutTimePlot(const QRect& bounds, const QFont& font, const TTimePlotData& data)
{
    const QFontMetrics metrics(font);
    TTimePlotLayout layout;
    layout.Bounds = bounds;
    double lowest = std::numeric_limits<double>::max(), highest = std::numeric_limits<double>::lowest();
    for (const TTotalBitsPoint& p : data.Points)
        if (p.Captured && p.TimeUtcMs >= data.FromUtcMs && p.TimeUtcMs <= data.ToUtcMs) {
            lowest = std::min(lowest, static_cast<double>(p.TotalBits));
            highest = std::max(highest, static_cast<double>(p.TotalBits));
        }
    if (lowest > highest)
        lowest = highest = 0;
    const int line = metrics.height();
    const int title = line + 2;
    const int strip = MarkerSize + 4;
    const int timeAxis = line + 6;
    const int plotTop = bounds.top() + title + strip;
    const int plotHeight = std::max(1, bounds.bottom() + 1 - timeAxis - plotTop);
    layout.Scale = FitValueScale(lowest, highest, plotHeight, line);
    int labels = 0;
    for (double v = layout.Scale.Min; v <= layout.Scale.Max + layout.Scale.Step / 2; v += layout.Scale.Step)
        labels = std::max(labels, metrics.horizontalAdvance(Grouped(v, layout.Scale.Decimals)));
    const int valueAxis = labels + 6;
    const int left = bounds.left() + valueAxis;
    const int width = std::max(1, bounds.right() - design::HistoryMargin - left + 1);
    layout.ValueAxis = QRect(bounds.left(), plotTop, valueAxis, plotHeight);
    layout.EventStrip = QRect(left, bounds.top() + title, width, strip);
    layout.Plot = QRect(left, plotTop, width, plotHeight);
    layout.TimeAxis = QRect(left, plotTop + plotHeight, width, timeAxis);
    return layout;
}

void PaintTimePlot(QPainter& painter, const TTimePlotLayout& layout, const TTimePlotData& data, const QTimeZone& zone,
                   const QFont& font, int highlightedEvent)
{
    const QFontMetrics metrics(font);
    const QRect& plot = layout.Plot;
    const TValueScale& scale = layout.Scale;
    painter.save();
    painter.setFont(font);
    painter.fillRect(layout.Bounds, Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(QRect(layout.Bounds.left(), layout.Bounds.top(), layout.Bounds.width(), metrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop,
                     QString::fromUtf8(design::TotalBitsTitle.data(), static_cast<int>(design::TotalBitsTitle.size())));

    const double range = std::max(1e-9, scale.Max - scale.Min);
    const auto valueY = [&](double v) {
        return plot.bottom() - static_cast<int>(std::lround((v - scale.Min) / range * (plot.height() - 1)));
    };
    const auto timeX = [&](std::int64_t t) {
        return plot.left() + TimeToPosition(t, data.FromUtcMs, data.ToUtcMs, plot.width());
    };

    // The highlighted event's span, shaded under everything.
    if (highlightedEvent >= 0 && highlightedEvent < static_cast<int>(data.Events.size())) {
        const TLineEvent& e = data.Events[static_cast<std::size_t>(highlightedEvent)].Event;
        const int x0 = std::clamp(timeX(e.StartUtcMs), plot.left(), plot.right());
        const int x1 = std::clamp(timeX(e.EndUtcMs), plot.left(), plot.right());
        QColor shade = EventColour(e.Kind);
        shade.setAlpha(50);
        painter.fillRect(QRect(x0, plot.top(), std::max(2, x1 - x0 + 1), plot.height()), shade);
    }

    // Grid and value labels.
    for (double v = scale.Min; v <= scale.Max + scale.Step / 2; v += scale.Step) {
        const int y = valueY(v);
        painter.setPen(FromBgr(design::ColorGridGrey));
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(Qt::black);
        painter.drawText(
            QRect(layout.ValueAxis.left(), y - metrics.height() / 2, layout.ValueAxis.width() - 4, metrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, Grouped(v, scale.Decimals));
    }
    const std::vector<TTimeTick> ticks = LayOutTimeTicks(
        data.FromUtcMs, data.ToUtcMs, plot.width(), [&](const QString& t) { return metrics.horizontalAdvance(t); },
        zone);
    for (const TTimeTick& tick : ticks) {
        const int x = plot.left() + tick.Position;
        painter.setPen(FromBgr(design::ColorGridGrey));
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setPen(Qt::black);
        painter.drawLine(x, plot.bottom() + 1, x, plot.bottom() + 3);
        const int w = metrics.horizontalAdvance(tick.Text);
        const int left = std::clamp(x - w / 2, plot.left(), plot.right() + 1 - w);
        QFont labelFont = font;
        labelFont.setBold(tick.Major);
        painter.setFont(labelFont);
        painter.drawText(QRect(left, plot.bottom() + 4, w + 2, metrics.height()), Qt::AlignLeft | Qt::AlignTop,
                         tick.Text);
        painter.setFont(font);
    }

    // The line through the readings: per pixel column from its lowest to its
    // highest value, joined to the next column unless a break lies between.
    painter.setClipRect(plot);
    painter.setPen(QPen(FromBgr(design::TotalBitsCapturedColor), 1));
    struct TColumn {
        int X;
        double Low, High, First, Last;
        std::int64_t FirstTime, LastTime;
    };
    bool open = false;
    TColumn column{};
    bool hasPrevious = false;
    TColumn previous{};
    bool failedSince = false;
    const auto flush = [&] {
        if (!open)
            return;
        if (hasPrevious && !failedSince && !BreaksBetween(previous.LastTime, column.FirstTime, data.Events))
            painter.drawLine(previous.X, valueY(previous.Last), column.X, valueY(column.First));
        painter.drawLine(column.X, valueY(column.Low), column.X, valueY(column.High));
        previous = column;
        hasPrevious = true;
        failedSince = false;
        open = false;
    };
    std::vector<int> failedColumns;
    for (const TTotalBitsPoint& p : data.Points) {
        if (p.TimeUtcMs < data.FromUtcMs || p.TimeUtcMs > data.ToUtcMs)
            continue;
        const int x = timeX(p.TimeUtcMs);
        if (!p.Captured) {
            flush();
            failedSince = true;
            if (failedColumns.empty() || failedColumns.back() != x)
                failedColumns.push_back(x);
            continue;
        }
        const auto v = static_cast<double>(p.TotalBits);
        if (open && x == column.X) {
            column.Low = std::min(column.Low, v);
            column.High = std::max(column.High, v);
            column.Last = v;
            column.LastTime = p.TimeUtcMs;
            continue;
        }
        flush();
        column = {x, v, v, v, v, p.TimeUtcMs, p.TimeUtcMs};
        open = true;
    }
    flush();
    // Failed polls: red marks along the bottom.
    painter.setPen(QPen(FromBgr(design::TotalBitsFailedColor), 1));
    for (const int x : failedColumns)
        painter.drawLine(x, plot.bottom() - 4, x, plot.bottom());
    painter.setClipping(false);

    // Frame, then the event markers on their strip.
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    for (std::size_t i = 0; i < data.Events.size(); ++i) {
        const TLineEvent& e = data.Events[i].Event;
        const int x = MarkerX(layout, data, e);
        if (x == std::numeric_limits<int>::min())
            continue;
        const bool highlighted = static_cast<int>(i) == highlightedEvent;
        const int size = highlighted ? MarkerSize + 2 : MarkerSize;
        QPainterPath triangle;
        const int bottom = layout.EventStrip.bottom();
        triangle.moveTo(x, bottom);
        triangle.lineTo(x - size / 2, bottom - size + 1);
        triangle.lineTo(x + size / 2, bottom - size + 1);
        triangle.closeSubpath();
        painter.setPen(highlighted ? QPen(Qt::black, 1) : Qt::NoPen);
        painter.setBrush(EventColour(e.Kind));
        painter.drawPath(triangle);
    }
    painter.restore();
}

int NearestTimePlotPoint(const TTimePlotLayout& layout, const TTimePlotData& data, int x)
{
    if (data.Points.empty() || layout.Plot.width() <= 0)
        return -1;
    const std::int64_t t = PositionToTime(x - layout.Plot.left(), data.FromUtcMs, data.ToUtcMs, layout.Plot.width());
    const auto it = std::lower_bound(data.Points.begin(), data.Points.end(), t,
                                     [](const TTotalBitsPoint& p, std::int64_t time) { return p.TimeUtcMs < time; });
    std::size_t best = static_cast<std::size_t>(it - data.Points.begin());
    if (best == data.Points.size())
        best = data.Points.size() - 1;
    else if (best > 0 && t - data.Points[best - 1].TimeUtcMs < data.Points[best].TimeUtcMs - t)
        --best;
    return static_cast<int>(best);
}

QString TimePlotHoverText(const TTimePlotData& data, int point, const QTimeZone& zone)
{
    if (point < 0 || point >= static_cast<int>(data.Points.size()))
        return {};
    const TTotalBitsPoint& p = data.Points[static_cast<std::size_t>(point)];
    const QString time =
        QDateTime::fromMSecsSinceEpoch(p.TimeUtcMs, zone).toString(QStringLiteral("ddd d MMM yyyy HH:mm:ss"));
    if (!p.Captured)
        return time + QStringLiteral(", failed poll");
    return time +
           QStringLiteral(", %1 bits").arg(QLocale(QLocale::English).toString(static_cast<qlonglong>(p.TotalBits)));
}

int TimePlotEventAt(const TTimePlotLayout& layout, const TTimePlotData& data, QPoint point)
{
    if (!layout.EventStrip.adjusted(0, -2, 0, 2).contains(point))
        return -1;
    int best = -1, bestDistance = MarkerSize;
    for (std::size_t i = 0; i < data.Events.size(); ++i) {
        const int x = MarkerX(layout, data, data.Events[i].Event);
        if (x == std::numeric_limits<int>::min())
            continue;
        const int distance = std::abs(x - point.x());
        if (distance <= bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

QImage RenderTimePlot(const TTimePlotData& data, QSize size, const QTimeZone& zone, int highlightedEvent)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QFont font = StoryFont();
    PaintTimePlot(painter, LayOutTimePlot(image.rect(), font, data), data, zone, font, highlightedEvent);
    return image;
}
