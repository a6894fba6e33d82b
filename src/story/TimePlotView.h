#pragma once
// Total bits over real time: a line through the captured polls on a value
// axis fitted to them, broken across gaps, no-reply runs and failed polls
// (red marks at the bottom), with a marker per line event on a strip above
// the plot. Lay out, then PaintTimePlot into any QPainter.

#include "history/HistoryEvents.h"
#include "history/HistorySummary.h"
#include "story/ValueScale.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimeZone>
#include <cstdint>
#include <span>

// What the plot shows; it refers to the caller's vectors, which must outlive it.
struct TTimePlotData {
    // Every poll of the period, oldest first.
    std::span<const TTotalBitsPoint> Points;
    // The line events, oldest first.
    std::span<const THostLineEvent> Events;
    // The time axis.
    std::int64_t FromUtcMs = 0;
    std::int64_t ToUtcMs = 0;
};

struct TTimePlotLayout {
    QRect Bounds;
    // The event markers, above the plot.
    QRect EventStrip;
    QRect Plot;
    // Left of the plot: value labels; under it: time labels.
    QRect ValueAxis;
    QRect TimeAxis;
    TValueScale Scale;
};

// The layout, its value axis fitted to the captured polls of data.
TTimePlotLayout LayOutTimePlot(const QRect& bounds, const QFont& font, const TTimePlotData& data);

// Draws data into layout; highlightedEvent (an index into data.Events, -1
// for none) is emphasised and its span shaded. Beyond one poll per pixel
// column the line is drawn per column from its lowest to its highest value.
void PaintTimePlot(QPainter& painter, const TTimePlotLayout& layout, const TTimePlotData& data, const QTimeZone& zone,
                   const QFont& font, int highlightedEvent = -1);

// The index of the poll nearest to x (in the layout's coordinates), or -1.
int NearestTimePlotPoint(const TTimePlotLayout& layout, const TTimePlotData& data, int x);
// "Tue 8 Dec 2026 14:05:30, 4,860 bits" (or ", failed poll").
QString TimePlotHoverText(const TTimePlotData& data, int point, const QTimeZone& zone);
// The index of the event whose marker is under point, or -1.
int TimePlotEventAt(const TTimePlotLayout& layout, const TTimePlotData& data, QPoint point);

// The plot of data drawn headless on white.
QImage RenderTimePlot(const TTimePlotData& data, QSize size, const QTimeZone& zone, int highlightedEvent = -1);
