#pragma once
// Total bits over real time in the history window, drawn by the story's time
// plot. The wheel zooms the time axis around the mouse and a drag pans it;
// once the user lets the axis rest, the range it shows is handed on, so that
// the list and the other views follow it. Hovering tells the nearest poll or
// the event under the mouse; clicking an event marker chooses it.

#include "story/TimePlotView.h"

#include <QTimer>
#include <QWidget>
#include <cstdint>

class TTimePlotWidget : public QWidget {
    Q_OBJECT

public:
    explicit TTimePlotWidget(QWidget* parent = nullptr);

    // --- setters ---------------------------------------------------------------------------
    // The polls and events (which must outlive their showing here or the next
    // SetData) over the axis from fromUtcMs to toUtcMs.
    void SetData(std::span<const TTotalBitsPoint> points, std::span<const THostLineEvent> events,
                 std::int64_t fromUtcMs, std::int64_t toUtcMs);
    // Emphasises an event (an index into the events, -1 for none).
    void SetHighlightedEvent(int event);
    // Shows the axis from..to at once (as zooming does), without handing it on.
    void ShowAxis(std::int64_t fromUtcMs, std::int64_t toUtcMs);

    // --- getters ---------------------------------------------------------------------------
    const TTimePlotData& Data() const { return fData; }
    TTimePlotLayout Layout() const;
    int HighlightedEvent() const { return fHighlighted; }
    // What the tool tip says at a point (empty where nothing is).
    QString HoverTextAt(QPoint point) const;

    // --- actions ---------------------------------------------------------------------------
    // Zooms by factor (below 1: in) around the time at x; pans by dx pixels.
    void ZoomAt(int x, double factor);
    void PanBy(int dx);

signals:
    // The axis has rested on a range the user chose by zooming or panning.
    void RangeChosen(qint64 fromUtcMs, qint64 toUtcMs);
    // An event marker was clicked.
    void EventClicked(int event);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The axis changed by the user: drawn now, handed on once it rests.
    void AxisMoved(std::int64_t fromUtcMs, std::int64_t toUtcMs);

    // --- data ------------------------------------------------------------------------------
    TTimePlotData fData;
    int fHighlighted = -1;
    // A drag under way: where it started and the axis then.
    bool fDragging = false;
    bool fDragged = false;
    int fDragX = 0;
    std::int64_t fDragFrom = 0;
    std::int64_t fDragTo = 0;
    QTimer fRest;
};
