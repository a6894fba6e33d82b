// The monitor's application object and command line: an exception that
// escapes an event handler is shown and the program goes on; the options
// fill the entry fields and never start a poll. Runs its own main, as the
// application object is the monitor's own.
#include "window/MonitorApplication.h"
#include "window/CommandLine.h"
#include "window/Form1.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

namespace {

TMonitorApplication* App()
{
    return static_cast<TMonitorApplication*>(QCoreApplication::instance());
}

// Throws from its event handler for every event of the custom type.
class TFailingObject : public QObject {
public:
    static constexpr QEvent::Type FailType = QEvent::User;
    int handled = 0;

    bool event(QEvent* e) override
    {
        if (e->type() == FailType)
            throw std::runtime_error("handler failed");
        if (e->type() == QEvent::Type(QEvent::User + 1)) {
            ++handled;
            return true;
        }
        return QObject::event(e);
    }
};

TEST(MonitorApplication, ExceptionInAHandlerIsShownAndTheProgramGoesOn)
{
    QStringList shown;
    TFailingObject object;
    App()->SetExceptionPresenter([&](const QString& message) {
        shown << message;
        // A handler failing again while the message is up is not shown on top.
        QEvent again(TFailingObject::FailType);
        QCoreApplication::sendEvent(&object, &again);
    });
    QCoreApplication::postEvent(&object, new QEvent(TFailingObject::FailType));
    QCoreApplication::postEvent(&object, new QEvent(QEvent::Type(QEvent::User + 1)));
    QCoreApplication::postEvent(&object, new QEvent(TFailingObject::FailType));
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, (QStringList{"handler failed", "handler failed"}));
    EXPECT_EQ(object.handled, 1);
    App()->SetExceptionPresenter(nullptr);
}

TEST(MonitorApplication, TheMessageBoxCarriesTheTitleAndTheMessage)
{
    TFailingObject object;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    // Read and close the box once it is up (its own event loop runs the timer).
    QTimer closer;
    closer.setInterval(1);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->accept();
    });
    closer.start();
    QCoreApplication::postEvent(&object, new QEvent(TFailingObject::FailType));
    QCoreApplication::processEvents();
    closer.stop();
    EXPECT_EQ(title, "Quillmont Monitor");
    EXPECT_EQ(text, "handler failed");
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(MonitorCommandLine, OptionsAndBadUsage)
{
    TMonitorOptions none = ParseMonitorCommandLine({"quillmont-monitor"});
    EXPECT_TRUE(none.Error.isEmpty());
    EXPECT_FALSE(none.Host);
    EXPECT_FALSE(none.UserName);
    EXPECT_FALSE(none.ShowHelp || none.ShowVersion);

    TMonitorOptions both = ParseMonitorCommandLine({"quillmont-monitor", "--host", "127.0.0.1:2323", "--user=admin"});
    EXPECT_TRUE(both.Error.isEmpty());
    EXPECT_EQ(both.Host.value_or(""), "127.0.0.1:2323");
    EXPECT_EQ(both.UserName.value_or(""), "admin");

    EXPECT_TRUE(ParseMonitorCommandLine({"quillmont-monitor", "--help"}).ShowHelp);
    EXPECT_TRUE(ParseMonitorCommandLine({"quillmont-monitor", "-h"}).ShowHelp);
    EXPECT_TRUE(ParseMonitorCommandLine({"quillmont-monitor", "--version"}).ShowVersion);
    EXPECT_TRUE(MonitorVersionText().startsWith("quillmont-monitor "));

    // The password has no option; strays and empty hosts are refused.
    EXPECT_FALSE(ParseMonitorCommandLine({"quillmont-monitor", "--password", "x"}).Error.isEmpty());
    EXPECT_FALSE(ParseMonitorCommandLine({"quillmont-monitor", "router"}).Error.isEmpty());
    EXPECT_FALSE(ParseMonitorCommandLine({"quillmont-monitor", "--host"}).Error.isEmpty());
    EXPECT_FALSE(ParseMonitorCommandLine({"quillmont-monitor", "--host", " "}).Error.isEmpty());
}

TEST(MonitorCommandLine, FillsTheFieldsAndPollsNot)
{
    TForm1 form;
    ApplyMonitorOptions(form, ParseMonitorCommandLine({"quillmont-monitor", "--host", "10.0.0.138"}),
                        QStringLiteral("secret"));
    EXPECT_EQ(form.edHost->text(), "10.0.0.138");
    EXPECT_EQ(form.edUsername->text(), "Administrator");
    EXPECT_EQ(form.edPassword->text(), "secret");

    ApplyMonitorOptions(form, ParseMonitorCommandLine({"quillmont-monitor", "--user", "root"}), std::nullopt);
    EXPECT_EQ(form.edHost->text(), "10.0.0.138");
    EXPECT_EQ(form.edUsername->text(), "root");
    EXPECT_EQ(form.edPassword->text(), "secret");

    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.Session().PollCount(), 0);
    EXPECT_FALSE(form.Session().Polling());
}

}  // namespace

int main(int argc, char** argv)
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr || *platform == '\0')
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TMonitorApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
