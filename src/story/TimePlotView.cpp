#include "story/TimePlotView.h"
#include "text/QtText.h"

#include "chart/ChartColors.h"

#include "monitor/HistoryDesign.h"
#include "story/TimeAxis.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr int Pad = 4;

const QLocale& TextLocale()
{
    static const QLocale locale(QLocale::English, QLocale::UnitedKingdom);
    return locale;
}

QString ValueText(double value, int decimals)
{
    return TextLocale().toString(value, 'f', decimals);
}

// The lowest and highest total bits of the captured polls; false when none.
bool CapturedRange(const TTimePlotData& data, double& lowest, double& highest)
{
    bool any = false;
    for (const TTotalBitsPoint& point : data.Points) {
        if (!point.Captured)
            continue;
        const auto value = static_cast<double>(point.TotalBits);
        lowest = any ? std::min(lowest, value) : value;
        highest = any ? std::max(highest, value) : value;
        any = true;
    }
    return any;
}

int XOf(std::int64_t t, const TTimePlotLayout& layout, const TTimePlotData& data)
{
    return layout.Plot.left() + TimeToPosition(t, data.FromUtcMs, data.ToUtcMs, layout.Plot.width() - 1);
}

int YOf(double value, const TTimePlotLayout& layout)
{
    const TValueScale& scale = layout.Scale;
    const double range = scale.Max - scale.Min;
    const double share = range > 0 ? (value - scale.Min) / range : 0.5;
    return layout.Plot.bottom() - static_cast<int>(std::lround(share * (layout.Plot.height() - 1)));
}

// The marker of an event on the strip above the plot.
QRect EventMarker(const TTimePlotLayout& layout, const TTimePlotData& data, const THostLineEvent& event)
{
    const int x = std::clamp(XOf(event.Event.StartUtcMs, layout, data), layout.Plot.left(), layout.Plot.right());
    const int half = design::TimePlotEventMarkWidth / 2;
    return QRect(x - half, layout.EventStrip.top(), design::TimePlotEventMarkWidth, layout.EventStrip.height());
}

QColor EventColour(TLineEventKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    return ToQColor(index < design::EventKindColors.size() ? design::EventKindColors[index] : design::StoryAxisColor);
}

// The polls' line: per pixel column the first, last, lowest and highest y
// of a run of polls, and whether it joins the column before.
struct TColumn {
    int X = 0;
    int FirstY = 0, LastY = 0, LowY = 0, HighY = 0;
    bool Joined = false;
};

std::vector<TColumn> LineColumns(const TTimePlotLayout& layout, const TTimePlotData& data)
{
    std::vector<TColumn> columns;
    // The gaps, oldest first: the line breaks between two captured polls
    // that a gap lies between.
    std::vector<std::pair<std::int64_t, std::int64_t>> gaps;
    for (const THostLineEvent& event : data.Events)
        if (event.Event.Kind == TLineEventKind::lekGap)
            gaps.emplace_back(event.Event.StartUtcMs, event.Event.EndUtcMs);
    std::sort(gaps.begin(), gaps.end());
    std::size_t nextGap = 0;
    bool previousCaptured = false;
    std::int64_t previousTime = 0;
    for (const TTotalBitsPoint& point : data.Points) {
        if (!point.Captured) {
            previousCaptured = false;
            continue;
        }
        bool joined = previousCaptured;
        // Gaps that end before this poll: a gap that began at or after the
        // previous poll lies between the two.
        while (nextGap < gaps.size() && gaps[nextGap].second <= point.TimeUtcMs) {
            if (joined && gaps[nextGap].first >= previousTime)
                joined = false;
            ++nextGap;
        }
        const int x = XOf(point.TimeUtcMs, layout, data);
        const int y = YOf(static_cast<double>(point.TotalBits), layout);
        if (joined && !columns.empty() && columns.back().X == x) {
            TColumn& column = columns.back();
            column.LastY = y;
            column.LowY = std::max(column.LowY, y);
            column.HighY = std::min(column.HighY, y);
        } else {
            columns.push_back({x, y, y, y, y, joined});
        }
        previousCaptured = true;
        previousTime = point.TimeUtcMs;
    }
    return columns;
}

}  // namespace

TTimePlotLayout LayOutTimePlot(const QRect& bounds, const QFont& font, const TTimePlotData& data)
{
    const QFontMetrics metrics(font);
    const int textHeight = metrics.height();
    TTimePlotLayout layout;
    layout.Bounds = bounds;
    const int top = bounds.top() + Pad;
    const int stripHeight = design::TimePlotEventStripHeight;
    const int timeAxisHeight = design::WaterfallTickLength + textHeight;
    const int plotTop = top + stripHeight + 2;
    const int plotHeight = std::max(1, bounds.bottom() + 1 - Pad - timeAxisHeight - plotTop);
    double lowest = 0;
    double highest = 0;
    if (!CapturedRange(data, lowest, highest))
        lowest = highest = 0;
    layout.Scale = FitValueScale(lowest, highest, plotHeight, textHeight);
    int valueWidth = 0;
    for (double value = layout.Scale.Min; value <= layout.Scale.Max + layout.Scale.Step / 2;
         value += layout.Scale.Step) {
        valueWidth = std::max(valueWidth, metrics.horizontalAdvance(ValueText(value, layout.Scale.Decimals)));
        if (valueWidth > bounds.width())
            break;
    }
    valueWidth += design::WaterfallTickLength + 2 + Pad;
    // Half a time label may reach past the plot's right edge.
    const int left = bounds.left() + valueWidth;
    const int width = std::max(1, bounds.right() - Pad - left + 1);
    layout.EventStrip = QRect(left, top, width, stripHeight);
    layout.Plot = QRect(left, plotTop, width, plotHeight);
    layout.ValueAxis = QRect(bounds.left(), plotTop, valueWidth, plotHeight);
    layout.TimeAxis = QRect(left, layout.Plot.bottom() + 1, width, timeAxisHeight);
    return layout;
}

void PaintTimePlot(QPainter& painter, const TTimePlotLayout& layout, const TTimePlotData& data, const QTimeZone& zone,
                   const QFont& font, int highlightedEvent)
{
    painter.save();
    painter.setFont(font);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QFontMetrics metrics(font, painter.device());
    const int textHeight = metrics.height();
    const QRect& plot = layout.Plot;
    const bool highlighted = highlightedEvent >= 0 && highlightedEvent < static_cast<int>(data.Events.size());
    // The chosen event's span, under everything else.
    if (highlighted) {
        const TLineEvent& event = data.Events[static_cast<std::size_t>(highlightedEvent)].Event;
        const int left = std::clamp(XOf(event.StartUtcMs, layout, data), plot.left(), plot.right());
        const int right = std::clamp(XOf(event.EndUtcMs, layout, data), plot.left(), plot.right());
        painter.fillRect(QRect(left, plot.top(), std::max(1, right - left + 1), plot.height()),
                         ToQColor(design::TimePlotHighlightShade));
    }
    // Value grid and labels.
    const TValueScale& scale = layout.Scale;
    const int steps = scale.Step > 0 ? static_cast<int>(std::lround((scale.Max - scale.Min) / scale.Step)) : 0;
    for (int index = 0; index <= steps && index <= 1000; ++index) {
        const double value = scale.Min + index * scale.Step;
        const int y = YOf(value, layout);
        painter.setPen(ToQColor(design::StoryGridColor));
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(ToQColor(design::StoryAxisColor));
        painter.drawLine(plot.left() - design::WaterfallTickLength, y, plot.left() - 1, y);
        const int labelTop = std::clamp(y - textHeight / 2, layout.Bounds.top(), layout.Bounds.bottom() - textHeight);
        painter.drawText(QRect(layout.ValueAxis.left(), labelTop,
                               layout.ValueAxis.width() - design::WaterfallTickLength - 2, textHeight),
                         Qt::AlignRight | Qt::AlignVCenter, ValueText(value, scale.Decimals));
    }
    // Time ticks and labels.
    const auto widthOf = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); };
    for (const TTimeTick& tick : LayOutTimeTicks(data.FromUtcMs, data.ToUtcMs, plot.width() - 1, widthOf, zone)) {
        const int x = plot.left() + tick.Position;
        painter.setPen(ToQColor(design::StoryGridColor));
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setPen(ToQColor(design::StoryAxisColor));
        painter.drawLine(x, plot.bottom() + 1, x, plot.bottom() + design::WaterfallTickLength);
        const int textWidth = widthOf(tick.Text);
        const int left = std::clamp(x - textWidth / 2, plot.left(), plot.right() + 1 - textWidth);
        QFont tickFont = font;
        tickFont.setBold(tick.Major);
        painter.setFont(tickFont);
        painter.drawText(QRect(left, plot.bottom() + 1 + design::WaterfallTickLength, textWidth + 2, textHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, tick.Text);
        painter.setFont(font);
    }
    painter.setPen(ToQColor(design::WaterfallFrameColor));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(-1, -1, 0, 0));
    // The line through the captured polls, broken where it must be.
    const std::vector<TColumn> columns = LineColumns(layout, data);
    QVector<QLine> lines;
    lines.reserve(static_cast<qsizetype>(columns.size() * 2));
    QVector<QPoint> dots;
    for (std::size_t index = 0; index < columns.size(); ++index) {
        const TColumn& column = columns[index];
        const bool joinsNext = index + 1 < columns.size() && columns[index + 1].Joined;
        if (column.Joined)
            lines.append(QLine(columns[index - 1].X, columns[index - 1].LastY, column.X, column.FirstY));
        if (column.LowY != column.HighY)
            lines.append(QLine(column.X, column.HighY, column.X, column.LowY));
        else if (!column.Joined && !joinsNext)
            dots.append(QPoint(column.X, column.FirstY));
    }
    painter.setPen(QPen(ToQColor(design::TimePlotLineColor), 1));
    painter.drawLines(lines);
    painter.drawPoints(dots.constData(), static_cast<int>(dots.size()));
    // Failed polls: red marks at the bottom, one per pixel column.
    QVector<QLine> failed;
    int lastFailedX = std::numeric_limits<int>::min();
    for (const TTotalBitsPoint& point : data.Points) {
        if (point.Captured)
            continue;
        const int x = XOf(point.TimeUtcMs, layout, data);
        if (x == lastFailedX)
            continue;
        lastFailedX = x;
        failed.append(QLine(x, plot.bottom() - design::TimePlotFailedMarkHeight + 1, x, plot.bottom()));
    }
    painter.setPen(ToQColor(design::TimePlotFailedColor));
    painter.drawLines(failed);
    // The event markers, the highlighted one last and framed.
    for (std::size_t index = 0; index < data.Events.size(); ++index) {
        if (static_cast<int>(index) == highlightedEvent)
            continue;
        painter.fillRect(EventMarker(layout, data, data.Events[index]).adjusted(1, 2, -1, 0),
                         EventColour(data.Events[index].Event.Kind));
    }
    if (highlighted) {
        const THostLineEvent& event = data.Events[static_cast<std::size_t>(highlightedEvent)];
        const QRect marker = EventMarker(layout, data, event);
        painter.fillRect(marker, EventColour(event.Event.Kind));
        painter.setPen(ToQColor(design::StoryAxisColor));
        painter.drawRect(marker.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

int NearestTimePlotPoint(const TTimePlotLayout& layout, const TTimePlotData& data, int x)
{
    if (data.Points.empty())
        return -1;
    const std::int64_t t =
        PositionToTime(x - layout.Plot.left(), data.FromUtcMs, data.ToUtcMs, layout.Plot.width() - 1);
    const auto after =
        std::lower_bound(data.Points.begin(), data.Points.end(), t,
                         [](const TTotalBitsPoint& point, std::int64_t time) { return point.TimeUtcMs < time; });
    std::size_t best = static_cast<std::size_t>(
        std::min<std::ptrdiff_t>(after - data.Points.begin(), static_cast<std::ptrdiff_t>(data.Points.size()) - 1));
    if (best > 0) {
        const auto distance = [&](std::size_t index) {
            return std::abs(static_cast<double>(data.Points[index].TimeUtcMs) - static_cast<double>(t));
        };
        if (distance(best - 1) <= distance(best))
            best = best - 1;
    }
    return static_cast<int>(best);
}

QString TimePlotHoverText(const TTimePlotData& data, int point, const QTimeZone& zone)
{
    if (point < 0 || point >= static_cast<int>(data.Points.size()))
        return {};
    const TTotalBitsPoint& poll = data.Points[static_cast<std::size_t>(point)];
    const QString time = TextLocale().toString(QDateTime::fromMSecsSinceEpoch(poll.TimeUtcMs, zone),
                                               QStringLiteral("ddd d MMM yyyy HH:mm:ss"));
    if (!poll.Captured)
        return time + QStringLiteral(", ") + QStringFromUtf8(design::WaterfallLegendFailed);
    return time + QStringLiteral(", ") + ValueText(static_cast<double>(poll.TotalBits), 0) +
           QStringFromUtf8(design::WaterfallBitsUnit);
}

int TimePlotEventAt(const TTimePlotLayout& layout, const TTimePlotData& data, QPoint point)
{
    // The last drawn marker is the one on top.
    for (std::size_t index = data.Events.size(); index-- > 0;)
        if (EventMarker(layout, data, data.Events[index]).contains(point))
            return static_cast<int>(index);
    return -1;
}

QImage RenderTimePlot(const TTimePlotData& data, QSize size, const QTimeZone& zone, int highlightedEvent)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringFromUtf8(design::FontName));
    font.setPixelSize(design::FontPixelSize);
    const TTimePlotLayout layout = LayOutTimePlot(QRect(QPoint(0, 0), size), font, data);
    PaintTimePlot(painter, layout, data, zone, font, highlightedEvent);
    return image;
}
