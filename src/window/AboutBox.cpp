#include "window/AboutBox.h"

#include "monitor/MonitorDesign.h"
#include "text/QtText.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

QString AboutBoxText()
{
    return QStringFromUtf8(design::AboutText) + QStringFromUtf8(design::AboutLineBreak) +
           QStringFromUtf8(design::CreditText);
}

std::unique_ptr<QMessageBox> CreateAboutBox(QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QStringFromUtf8(design::ProgramTitle), AboutBoxText(),
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
