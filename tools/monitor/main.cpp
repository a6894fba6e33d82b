// quillmont-monitor: the monitor window. Start-up: the socket layer, then
// the application, the JPEG picture format, the main window and the hidden
// help window; the message loop runs until the main window closes; shut-down
// in reverse order.

#include "chart/Chart.h"
#include "jpeg/JPEGFormat.h"
#include "net/SocketError.h"
#include "net/SocketInterface.h"
#include "window/CommandLine.h"
#include "window/Form1.h"
#include "window/Form2.h"
#include "window/MonitorApplication.h"

#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// For the start-up benchmark (bench/window/monitor_window.sh): with
// QUILLMONT_BENCH_FIRST_PAINT set, the wall-clock time in nanoseconds is
// printed once the chart's first paint has been handled.
class TFirstPaintReporter : public QObject {
public:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !fReported) {
            fReported = true;
            QTimer::singleShot(0, [] {
                timespec now{};
                clock_gettime(CLOCK_REALTIME, &now);
                std::fprintf(stderr, "first paint %lld\n",
                             static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            });
        }
        return false;
    }

private:
    bool fReported = false;
};

}  // namespace

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
        RegisterJPEGFormat();
        struct TJPEGFormatRegistration {
            ~TJPEGFormatRegistration() { UnregisterJPEGFormat(); }
        } jpegFormat;  // unregistered after the windows are gone
        TForm1 form1;
        TForm2 form2(&form1);
        form1.SetHelpWindow(&form2);
        std::optional<QString> password;
        if (qEnvironmentVariableIsSet(PasswordVariable))
            password = qEnvironmentVariable(PasswordVariable);
        ApplyMonitorOptions(form1, options, password);
        TFirstPaintReporter firstPaint;
        if (qEnvironmentVariableIsSet("QUILLMONT_BENCH_FIRST_PAINT"))
            form1.Chart21->installEventFilter(&firstPaint);
        form1.show();
        status = TMonitorApplication::exec();
    }
    SocketCleanup();
    return status;
}
