#pragma once

#include <QApplication>
#include <functional>

// The application object of the monitor. An exception that escapes an event
// handler does not end the program: its message is shown in a message box
// and the program goes on with the next event.
class TMonitorApplication : public QApplication {
    Q_OBJECT

public:
    TMonitorApplication(int& argc, char** argv);

    // --- virtuals ------------------------------------------------------------------------------------
    bool notify(QObject* receiver, QEvent* event) override;

    // --- exception handling ----------------------------------------------------------------------------
    // Shows the message of an exception that reached the event loop: a modal
    // message box with the program's title and a stop icon. While such a box
    // is open, further messages are not shown (they would stack up endlessly
    // when the same handler fails on every paint).
    void ShowException(const QString& message);
    // Replaces the message box, for tests. The default shows a QMessageBox.
    void SetExceptionPresenter(std::function<void(const QString&)> presenter) { fPresenter = std::move(presenter); }

private:
    std::function<void(const QString&)> fPresenter;
    bool fShowingException = false;
};

// Shows the message of a failed command the way an exception reaching the
// event loop is shown: through the running TMonitorApplication, or in the
// same kind of message box when the application is a plain QApplication.
void ShowExceptionMessage(const QString& message);
