#include "poll/PollRender.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <stdexcept>

#include "history/HistoryStore.h"
#include "io/AtomicFile.h"
#include "jpeg/JPEGImage.h"
#include "report/HistoryReport.h"
#include "story/HistoryPlotData.h"
#include "story/WaterfallView.h"

#include "monitor/MonitorChart.h"
#include <QBuffer>

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

}  // namespace

bool RenderHistoryPictures(const TPollArguments& arguments, std::ostream& err)
{
    gPreviousHandler = qInstallMessageHandler(QuietHandler);
    struct TRestoreHandler {
        ~TRestoreHandler() { qInstallMessageHandler(gPreviousHandler); }
    } restore;
    const std::unique_ptr<QGuiApplication> app = MakeGuiApplication();
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        err << "quillmont-poll: drawing needs a graphical application\n";
        return false;
    }
    THistoryStore store;
    THistoryStoreOptions options;
    options.ReadOnly = true;
    if (!store.Open(QString::fromStdString(arguments.HistoryFile), options)) {
        err << "quillmont-poll: " << store.LastError() << "\n";
        return false;
    }
    THistoryFilter filter;
    filter.HasSince = arguments.HasSince;
    filter.SinceUtcMs = arguments.SinceUtcMs;
    filter.HasUntil = arguments.HasUntil;
    filter.UntilUtcMs = arguments.UntilUtcMs;
    if (!arguments.ReportFile.empty()) {
        QString error;
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
    // Bounded: a picture of 8192 x 8192 is 256 MiB already.
    const int width = arguments.HasSize ? std::clamp(arguments.Width, 200, 8192) : 1000;
    const int height = arguments.HasSize ? std::clamp(arguments.Height, 200, 8192) : 700;
    const QImage image = RenderWaterfall(data.Waterfall, QSize(width, height), QTimeZone::systemTimeZone());
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG")) {
        err << "quillmont-poll: cannot write " << arguments.WaterfallFile << ": the picture could not be made\n";
        return false;
    }
    if (!WriteFileAtomically(arguments.WaterfallFile, std::string_view(png.constData(), png.size()), reason)) {
        err << "quillmont-poll: cannot write " << arguments.WaterfallFile << ": " << reason << "\n";
        return false;
    }
    return true;
}

bool RenderPollPictures(const ToneBits& bits, const TPollArguments& arguments, std::ostream& err)
{
    if (!arguments.WantsPictures())
        return true;
    gPreviousHandler = qInstallMessageHandler(QuietHandler);
    struct TRestoreHandler {
        ~TRestoreHandler() { qInstallMessageHandler(gPreviousHandler); }
    } restore;
    const std::unique_ptr<QGuiApplication> app = MakeGuiApplication();
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        err << "quillmont-poll: drawing needs a graphical application\n";
        return false;
    }
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
