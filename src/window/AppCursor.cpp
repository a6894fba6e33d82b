#include "window/AppCursor.h"

#include <QCursor>
#include <QGuiApplication>

void ApplyApplicationCursor(TMonitorCursor cursor)
{
    if (cursor == mcDefault) {
        while (QGuiApplication::overrideCursor() != nullptr)
            QGuiApplication::restoreOverrideCursor();
        return;
    }
    const QCursor shape(cursor == mcBusy ? Qt::WaitCursor : Qt::CrossCursor);
    if (QGuiApplication::overrideCursor() == nullptr)
        QGuiApplication::setOverrideCursor(shape);
    else if (QGuiApplication::overrideCursor()->shape() != shape.shape())
        QGuiApplication::changeOverrideCursor(shape);
}
