#include "window/ChartPrint.h"

#include "monitor/MonitorDesign.h"
#include "text/QtText.h"
#include "window/PrintError.h"

#include <QPainter>
#include <QPrinter>
#include <QStringList>

#if defined(QM_HAVE_CUPS)
#include <cups/cups.h>
#endif

TPrintScale PrintScale(int printerDpiX, int printerDpiY, int windowDpiX, int windowDpiY)
{
    const auto ratio = [](int printer, int window) { return window > 0 && printer > 0 ? printer / window : 0; };
    return {ratio(printerDpiX, windowDpiX), ratio(printerDpiY, windowDpiY)};
}

QRect PrintRect(QSize bitmap, TPrintScale scale)
{
    return QRect(0, 0, bitmap.width() * scale.X, bitmap.height() * scale.Y);
}

QString PrinterDestination(const QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return printer.outputFileName();
    return printer.printerName();
}

namespace {

std::string RefusedText(const QPrinter& printer)
{
    std::string text(design::PrintRefusedText);
    const std::string destination = Utf8FromQString(PrinterDestination(printer));
    if (const std::size_t at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, destination);
    return text;
}

// Whether the printer's CUPS queue takes new jobs. Qt hands the document to
// CUPS only when the painting ends and does not tell whether CUPS took it,
// so a queue that rejects jobs would swallow the print without a word: it is
// asked first. True when it cannot be told.
bool QueueAcceptsJobs(const QPrinter& printer)
{
#if defined(QM_HAVE_CUPS)
    if (printer.outputFormat() != QPrinter::NativeFormat)
        return true;
    // "queue" or "queue/instance".
    const QStringList parts = printer.printerName().split(QLatin1Char('/'));
    const QByteArray queue = parts.value(0).toLocal8Bit();
    const QByteArray instance = parts.value(1).toLocal8Bit();
    cups_dest_t* dest =
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(), instance.isEmpty() ? nullptr : instance.constData());
    if (dest == nullptr)
        return true;
    const char* accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const bool accepts = accepting == nullptr || QByteArray(accepting) != "false";
    cupsFreeDests(1, dest);
    return accepts;
#else
    (void)printer;
    return true;
#endif
}

}  // namespace

void PrintBitmap(QPrinter& printer, const QImage& bitmap, int windowDpiX, int windowDpiY)
{
    // Without an installed printer Qt quietly turns the printer into a PDF
    // writer without a file: that is no printer at all.
    if (PrinterDestination(printer).isEmpty())
        throw EPrintError(std::string(design::PrintNoPrinterText));

    if (!QueueAcceptsJobs(printer))
        throw EPrintError(RefusedText(printer));

    // One copy, whatever copy count the printer dialog was left with.
    printer.setCopyCount(1);
    QPainter painter;
    if (!painter.begin(&printer))
        throw EPrintError(RefusedText(printer));
    try {
        const TPrintScale scale = PrintScale(printer.logicalDpiX(), printer.logicalDpiY(), windowDpiX, windowDpiY);
        const QRect target = PrintRect(bitmap.size(), scale);
        if (!target.isEmpty())
            painter.drawImage(target, bitmap);
    } catch (...) {
        painter.end();
        throw;
    }
    const bool ended = painter.end();
    if (!ended || printer.printerState() == QPrinter::Error)
        throw EPrintError(RefusedText(printer));
}
