#include "historywindow/ToneComparisonWidget.h"

#include "historywindow/HoverToolTip.h"
#include "monitor/HistoryDesign.h"
#include "text/QtText.h"

#include <QPainter>

TToneComparisonWidget::TToneComparisonWidget(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setMinimumHeight(design::HistoryPlotHeight);
}

void TToneComparisonWidget::SetComparison(const TToneComparisonData& data)
{
    fData = data;
    update();
}

void TToneComparisonWidget::Clear()
{
    fData.reset();
    update();
}

TToneComparisonLayout TToneComparisonWidget::Layout() const
{
    return LayOutToneComparison(rect().adjusted(design::HistoryMargin, design::HistoryMargin / 2, 0, 0), font());
}

QString TToneComparisonWidget::HoverTextAt(QPoint point) const
{
    if (!fData)
        return {};
    return ToneComparisonHoverText(*fData, ToneComparisonToneAt(Layout(), point));
}

void TToneComparisonWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!fData) {
        painter.fillRect(rect(), Qt::white);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, QStringFromUtf8(design::CompareHint));
        return;
    }
    PaintToneComparison(painter, Layout(), *fData, QTimeZone::systemTimeZone(), font());
}

bool TToneComparisonWidget::event(QEvent* event)
{
    return ShowHoverToolTip(this, event, [this](QPoint point) { return HoverTextAt(point); }) || QWidget::event(event);
}
