#pragma once
// The views' tool tips: what a view says at the point the user rests the
// mouse on, shown as a tool tip, or none where it says nothing.

#include <QEvent>
#include <QHelpEvent>
#include <QPoint>
#include <QString>
#include <QToolTip>
#include <QWidget>

// Shows textAt(point) for a tool-tip event and answers true; false for any
// other event, which the widget handles as before.
template <typename TTextAt> bool ShowHoverToolTip(QWidget* widget, QEvent* event, const TTextAt& textAt)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = textAt(help->pos());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, widget);
    return true;
}
