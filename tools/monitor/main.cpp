// quillmont-monitor: the monitor window. Start-up: the socket layer, then
// the application, the main window and the hidden help window; the message
// loop runs until the main window closes; shut-down in reverse order.

#include "net/SocketError.h"
#include "net/SocketInterface.h"
#include "window/CommandLine.h"
#include "window/Form1.h"
#include "window/Form2.h"
#include "window/MonitorApplication.h"

#include <QTextStream>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // The command line first: help and version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TMonitorOptions options = ParseMonitorCommandLine(arguments);
    if (!options.Error.isEmpty()) {
        std::fprintf(stderr, "quillmont-monitor: %s\n%s", qPrintable(options.Error), qPrintable(MonitorUsageText()));
        return 2;
    }
    if (options.ShowHelp || options.ShowVersion) {
        std::fputs(qPrintable(options.ShowHelp ? MonitorUsageText() : MonitorVersionText()), stdout);
        return 0;
    }

    try {
        SocketStartup();
    } catch (const ESocketError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }

    // Clicks and keys that arrive while a poll waits are held back and handled
    // at the poll's one event-handling point. Qt's GLib-based dispatcher reads
    // held-back window-system input again only when new input arrives, so a
    // click would wait for the end of the poll; Qt's own dispatcher reads the
    // window system's queue on every call.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");

    int status = 0;
    {
        TMonitorApplication application(argc, argv);
        TMonitorApplication::setApplicationName(QStringLiteral("quillmont-monitor"));
        TForm1 form1;
        TForm2 form2(&form1);
        form1.SetHelpWindow(&form2);
        std::optional<QString> password;
        if (qEnvironmentVariableIsSet(PasswordVariable))
            password = qEnvironmentVariable(PasswordVariable);
        ApplyMonitorOptions(form1, options, password);
        form1.show();
        status = TMonitorApplication::exec();
    }
    SocketCleanup();
    return status;
}
