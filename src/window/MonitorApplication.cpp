#include "window/MonitorApplication.h"

#include "monitor/MonitorDesign.h"
#include "text/QtText.h"

#include <QMessageBox>
#include <exception>

TMonitorApplication::TMonitorApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TMonitorApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowException(QStringLiteral("Unknown exception"));
    }
    return false;
}

namespace {

void ShowMessageBox(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, QStringFromUtf8(design::ProgramTitle), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

}  // namespace

void ShowExceptionMessage(const QString& message)
{
    if (auto* application = dynamic_cast<TMonitorApplication*>(QCoreApplication::instance()))
        application->ShowException(message);
    else
        ShowMessageBox(message);
}

void TMonitorApplication::ShowException(const QString& message)
{
    if (fShowingException)
        return;
    fShowingException = true;
    try {
        if (fPresenter) {
            fPresenter(message);
        } else {
            ShowMessageBox(message);
        }
    } catch (...) {
    }
    fShowingException = false;
}
