#include "window/AboutBox.h"

#include "monitor/MonitorDesign.h"
#include "window/QtText.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

QString AboutBoxText()
{
    return QStr(design::AboutText) + QStr(design::AboutLineBreak) + QStr(design::CreditText);
}

std::unique_ptr<QMessageBox> CreateAboutBox(QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QStr(design::ProgramTitle), AboutBoxText(),
                                             QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    // Centred on the screen rather than over the main window.
    QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        box->adjustSize();
        QRect where(QPoint(), box->size());
        where.moveCenter(screen->availableGeometry().center());
        box->setGeometry(where);
    }
    return box;
}
