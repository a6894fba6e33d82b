// The chart's pop-up menu and its output commands: Save As (JPEG file),
// Copy to clipboard, Printer setup and Print.
#include "window/Form1.h"

#include "chart/Chart.h"
#include "jpeg/JPEGImage.h"
#include "monitor/MonitorDesign.h"
#include "text/QtText.h"
#include "window/ChartPrint.h"
#include "window/MonitorApplication.h"
#include "window/PrinterChoices.h"
#include "window/SavePictureDialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <exception>
#include <stdexcept>
#include <string>

void TForm1::CreatePopupMenu()
{
    PopupMenu1 = new QMenu(Chart21);
    SaveAs1 = PopupMenu1->addAction(QStringFromUtf8(design::MenuSaveAs));
    PopupMenu1->addSeparator();
    Copytoclipboard1 = PopupMenu1->addAction(QStringFromUtf8(design::MenuCopy));
    PopupMenu1->addSeparator();
    Printersetup1 = PopupMenu1->addAction(QStringFromUtf8(design::MenuPrinterSetup));
    Print1 = PopupMenu1->addAction(QStringFromUtf8(design::MenuPrint));
    connect(SaveAs1, &QAction::triggered, this, [this] { RunCommand(&TForm1::SaveAs1Click); });
    connect(Copytoclipboard1, &QAction::triggered, this, [this] { RunCommand(&TForm1::Copytoclipboard1Click); });
    connect(Printersetup1, &QAction::triggered, this, [this] { RunCommand(&TForm1::Printersetup1Click); });
    connect(Print1, &QAction::triggered, this, [this] { RunCommand(&TForm1::Print1Click); });

    Chart21->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Chart21, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(Chart21->mapToGlobal(at)); });
}

void TForm1::RunCommand(void (TForm1::*command)())
{
    // A failed command is shown as a failure escaping a handler would be, and
    // the program goes on. It is caught here rather than left to the event
    // loop so that it never unwinds through the menu's own code.
    try {
        (this->*command)();
    } catch (const std::exception& error) {
        ShowExceptionMessage(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowExceptionMessage(QStringLiteral("Unknown exception"));
    }
}

QImage TForm1::ChartBitmap()
{
    const TRect r = Chart21->PanelRect();
    QImage bitmap = Chart21->RenderBitmap(Chart21->BackColor(), r);
    if (bitmap.isNull() && r.Width() > 0 && r.Height() > 0)
        throw std::runtime_error("The chart's picture of " + std::to_string(r.Width()) + " x " +
                                 std::to_string(r.Height()) + " pixels is too large for memory");
    return bitmap;
}

void TForm1::SaveAs1Click()
{
    TJPEGImage jpeg;
    // The picture is taken now, before the dialog: a poll that runs while the
    // dialog is open does not change what is saved.
    const QImage bitmap = ChartBitmap();
    if (SavePictureDialog1 == nullptr)
        SavePictureDialog1 = new TSavePictureDialog(this);
    if (!SavePictureDialog1->Execute())
        return;
    jpeg.Assign(bitmap);
    // Compressed in memory, then written beside the file and renamed over it:
    // a failure leaves the file that was there.
    jpeg.SaveToFile(QFile::encodeName(SavePictureDialog1->FileName()).toStdString());
}

void TForm1::Copytoclipboard1Click()
{
    Chart21->CopyPictureToClipboard(true);
}

void TForm1::Printersetup1Click()
{
    QPrinter& printer = Printer();
    const TPrinterChoices previous(printer);
    QPrintDialog PrinterSetupDialog1(&printer, this);
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

void TForm1::Print1Click()
{
    const QImage bitmap = ChartBitmap();
    PrintBitmap(Printer(), bitmap, logicalDpiX(), logicalDpiY());
}

QPrinter& TForm1::Printer()
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
