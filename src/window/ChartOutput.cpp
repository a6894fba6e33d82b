#include "window/ChartOutput.h"

#include "chart/Chart.h"
#include "jpeg/JPEGImage.h"
#include "monitor/MonitorDesign.h"
#include "text/QtText.h"
#include "window/ChartPrint.h"
#include "window/MonitorApplication.h"
#include "window/PrinterChoices.h"
#include "window/SavePictureDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <exception>
#include <stdexcept>
#include <string>

TChartOutput::TChartOutput(TChart& chart, QWidget& parent) : fChart(chart), fParent(parent) {}

TChartOutput::~TChartOutput() = default;

void TChartOutput::RunCommand(const std::function<void()>& command)
{
    // A failed command is shown as a failure escaping a handler would be, and
    // the program goes on. It is caught here rather than left to the event
    // loop so that it never unwinds through the menu's own code.
    try {
        command();
    } catch (const std::exception& error) {
        ShowExceptionMessage(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowExceptionMessage(QStringLiteral("Unknown exception"));
    }
}

QImage TChartOutput::ChartBitmap()
{
    const TRect r = fChart.PanelRect();
    QImage bitmap = fChart.RenderBitmap(fChart.BackColor(), r);
    if (bitmap.isNull() && r.Width() > 0 && r.Height() > 0)
        throw std::runtime_error("The chart's picture of " + std::to_string(r.Width()) + " x " +
                                 std::to_string(r.Height()) + " pixels is too large for memory");
    return bitmap;
}

void TChartOutput::SaveAs()
{
    TJPEGImage jpeg;
    // The picture is taken now, before the dialog: a poll that runs while the
    // dialog is open does not change what is saved.
    const QImage bitmap = ChartBitmap();
    if (fSaveDialog == nullptr)
        fSaveDialog = new TSavePictureDialog(&fParent);
    if (!fSaveDialog->Execute())
        return;
    jpeg.Assign(bitmap);
    // Compressed in memory, then written beside the file and renamed over it:
    // a failure leaves the file that was there.
    jpeg.SaveToFile(QFile::encodeName(fSaveDialog->FileName()).toStdString());
}

void TChartOutput::CopyToClipboard()
{
    fChart.CopyPictureToClipboard(true);
}

void TChartOutput::PrinterSetup()
{
    QPrinter& printer = Printer();
    const TPrinterChoices previous(printer);
    QPrintDialog PrinterSetupDialog1(&printer, &fParent);
    PrinterSetupDialog1.setWindowTitle(QStringFromUtf8(design::PrinterSetupTitle));
    PrinterSetupDialog1.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    // The dialog only chooses; printing is Print's business.
    if (auto* buttons = PrinterSetupDialog1.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    // Accepted, the dialog has put the choices on the printer, and later
    // prints use them (but one copy each: Print never prints more). Cancelled,
    // the dialog may still have changed the printer, since it works on it
    // while it is open: what was chosen before is put back.
    if (PrinterSetupDialog1.exec() != QDialog::Accepted)
        previous.Restore(printer);
}

void TChartOutput::Print()
{
    const QImage bitmap = ChartBitmap();
    PrintBitmap(Printer(), bitmap, fParent.logicalDpiX(), fParent.logicalDpiY());
}

QPrinter& TChartOutput::Printer()
{
    if (!fPrinter)
        fPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // With no printer installed Qt makes a PDF writer without a file; a
    // printer installed since is taken as soon as there is one.
    if (PrinterDestination(*fPrinter).isEmpty()) {
        const QString name = QPrinterInfo::defaultPrinterName();
        if (!name.isEmpty())
            fPrinter->setPrinterName(name);
    }
    return *fPrinter;
}
