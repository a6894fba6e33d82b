#pragma once
// The waterfall of the period in the history window, drawn by the story's
// waterfall view from the rows read with the other views, combined to the
// rows its height has room for. Hovering tells the time, tone, frequency and
// bits under the mouse; clicking a row chooses its newest poll.

#include "story/WaterfallView.h"

#include <QWidget>
#include <cstdint>

class TWaterfallWidget : public QWidget {
    Q_OBJECT

public:
    explicit TWaterfallWidget(QWidget* parent = nullptr);

    // --- setters ---------------------------------------------------------------------------
    // The period's rows as read (at their finest).
    void SetGrid(const TWaterfallGrid& fine);

    // --- getters ---------------------------------------------------------------------------
    TWaterfallLayout Layout() const;
    // The rows as drawn at the widget's present size.
    const TWaterfallGrid& Shown() const;
    QString HoverTextAt(QPoint point) const;
    // The poll a click at point chooses (0 where none: no polls in the row).
    std::int64_t PollAt(QPoint point) const;

signals:
    void PollClicked(qint64 id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // --- data ------------------------------------------------------------------------------
    TWaterfallGrid fFine;
    // fFine combined for the plot's height it was last combined for.
    mutable TWaterfallGrid fShown;
    mutable int fShownHeight = -1;
};
