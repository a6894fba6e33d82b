#pragma once
// The comparison of two polls, drawn by the story's comparison view; the
// tone under the mouse is told in a tool tip.

#include "story/ToneComparisonView.h"

#include <QWidget>
#include <optional>

class TToneComparisonWidget : public QWidget {
    Q_OBJECT

public:
    explicit TToneComparisonWidget(QWidget* parent = nullptr);

    // --- setters ---------------------------------------------------------------------------
    void SetComparison(const TToneComparisonData& data);
    // No comparison: the widget says how to get one.
    void Clear();

    // --- getters ---------------------------------------------------------------------------
    const std::optional<TToneComparisonData>& Comparison() const { return fData; }
    TToneComparisonLayout Layout() const;
    // What the tool tip says at a point of the widget (empty outside the plots).
    QString HoverTextAt(QPoint point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // --- data ------------------------------------------------------------------------------
    std::optional<TToneComparisonData> fData;
};
