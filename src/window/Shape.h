#pragma once

#include <QWidget>
#include <cstdint>

// A rectangle shape: a one-pixel black outline around a solid brush, as the
// indicator square shows the monitor's state.
class TShape : public QWidget {
    Q_OBJECT

public:
    explicit TShape(QWidget* parent = nullptr);

    // --- getters -------------------------------------------------------------------------------------
    std::uint32_t BrushColor() const { return fBrushColor; }

    // --- setters -------------------------------------------------------------------------------------
    // 0x00BBGGRR; repaints only on a change.
    void SetBrushColor(std::uint32_t color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::uint32_t fBrushColor = 0xFFFFFF;
};
