#pragma once

#include "chart/CustomChart.h"

#include <QWidget>

// The chart control: a QWidget hosting the engine. Paint, resize, mouse and
// wheel events are forwarded to the engine; repaint requests become update().
class TChart : public QWidget, public TCustomChart {
    Q_OBJECT

public:
    explicit TChart(QWidget* parent = nullptr);
    ~TChart() override;

    // --- window hooks ------------------------------------------------------------------------
    void InvalidateWindow() override;
    bool HasParentWindow() const override;
    void SizeChanged() override;
    TPoint CursorClientPosition() const override;
    void ApplyCursor(int cursor) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
};
