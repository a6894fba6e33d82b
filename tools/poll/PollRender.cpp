#include "poll/PollRender.h"

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <stdexcept>

#include "io/AtomicFile.h"
#include "jpeg/JPEGImage.h"
#include "monitor/MonitorChart.h"
#include "story/WaterfallView.h"

#include <QBuffer>
#include <QTimeZone>

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

bool RenderWaterfallPicture(const TWaterfallGrid& grid, const TPollArguments& arguments, std::ostream& err)
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
    const QImage image = RenderWaterfall(grid, QSize(arguments.Width, arguments.Height), QTimeZone::systemTimeZone());
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG")) {
        err << "quillmont-poll: cannot write " << arguments.WaterfallFile << ": the picture could not be drawn\n";
        return false;
    }
    std::string reason;
    if (!WriteFileAtomically(arguments.WaterfallFile,
                             std::string_view(png.constData(), static_cast<std::size_t>(png.size())), reason)) {
        err << "quillmont-poll: cannot write " << arguments.WaterfallFile << ": " << reason << "\n";
        return false;
    }
    return true;
}
