#include "poll/PollRender.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <stdexcept>

#include "history/HistoryStore.h"
#include "jpeg/JPEGImage.h"
#include "report/HistoryReport.h"
#include "story/HistoryPlotData.h"
#include "story/WaterfallView.h"

#include "monitor/MonitorChart.h"

namespace {

// Keeps Qt's notices about the environment (no runtime directory, no screen)
// off the command's error stream; real errors still reach it.
QtMessageHandler gPreviousHandler = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        if (gPreviousHandler != nullptr)
            gPreviousHandler(type, context, message);
    }
}

// The application that fonts and painting need; only made when none exists.
std::unique_ptr<QGuiApplication> MakeGuiApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return nullptr;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr || *platform == '\0')
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "quillmont-poll";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

// While it lives: Qt's notices kept off the error stream, and a graphical
// application for fonts and painting where the process has none.
class TQuietDrawing {
public:
    TQuietDrawing() : fPrevious(qInstallMessageHandler(QuietHandler)), fApp(MakeGuiApplication())
    {
        gPreviousHandler = fPrevious;
    }
    // The application goes first, while its notices are still kept quiet.
    ~TQuietDrawing()
    {
        fApp.reset();
        qInstallMessageHandler(fPrevious);
    }
    TQuietDrawing(const TQuietDrawing&) = delete;
    TQuietDrawing& operator=(const TQuietDrawing&) = delete;

    // Whether drawing can go on; says why not on err.
    bool Ready(std::ostream& err) const
    {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
            return true;
        err << "quillmont-poll: drawing needs a graphical application\n";
        return false;
    }

private:
    QtMessageHandler fPrevious;
    std::unique_ptr<QGuiApplication> fApp;
};

}  // namespace

bool RenderHistoryPictures(THistoryStore& store, const THistoryFilter& filter, const TPollArguments& arguments,
                           std::ostream& err)
{
    const TQuietDrawing drawing;
    if (!drawing.Ready(err))
        return false;
    QString error;
    if (!arguments.ReportFile.empty()) {
        if (!WriteHistoryReport(store, filter, QString::fromStdString(arguments.ReportFile), {}, error)) {
            err << "quillmont-poll: " << error.toStdString() << "\n";
            return false;
        }
        return true;
    }
    THistoryPlotData data;
    std::string reason;
    if (!ReadHistoryPlotData(store, filter, data, reason)) {
        err << "quillmont-poll: " << reason << "\n";
        return false;
    }
    // The arguments hold the size in 200..8192 when it was given.
    const QSize size = arguments.HasSize ? QSize(arguments.Width, arguments.Height) : QSize(1000, 700);
    if (!SavePng(RenderWaterfall(data.Waterfall, size, QTimeZone::systemTimeZone()),
                 QString::fromStdString(arguments.WaterfallFile), error)) {
        err << "quillmont-poll: " << error.toStdString() << "\n";
        return false;
    }
    return true;
}

bool RenderPollPictures(const ToneBits& bits, const TPollArguments& arguments, std::ostream& err)
{
    if (!arguments.WantsPictures())
        return true;
    const TQuietDrawing drawing;
    if (!drawing.Ready(err))
        return false;
    bool ok = true;
    QString error;
    if (!arguments.PngFile.empty() && !SaveMonitorChartPng(bits, arguments.Range, arguments.Width, arguments.Height,
                                                           QString::fromStdString(arguments.PngFile), error)) {
        err << "quillmont-poll: " << error.toStdString() << "\n";
        ok = false;
    }
    if (!arguments.SvgFile.empty() && !SaveMonitorChartSvg(bits, arguments.Range, arguments.Width, arguments.Height,
                                                           QString::fromStdString(arguments.SvgFile), error)) {
        err << "quillmont-poll: " << error.toStdString() << "\n";
        ok = false;
    }
    if (!arguments.JpegFile.empty()) {
        // The bitmap and the JPEG settings of the window's "Save As...".
        const QImage bitmap = RenderMonitorChart(bits, arguments.Range, arguments.Width, arguments.Height);
        try {
            if (bitmap.isNull())
                throw std::runtime_error("cannot write " + arguments.JpegFile + ": image too large for memory");
            TJPEGImage jpeg;
            jpeg.Assign(bitmap);
            jpeg.SaveToFile(arguments.JpegFile);
        } catch (const std::exception& e) {
            err << "quillmont-poll: " << e.what() << "\n";
            ok = false;
        }
    }
    return ok;
}
