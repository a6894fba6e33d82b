// The chart's pop-up menu and its handlers, which forward to the window's
// TChartOutput: Save As (JPEG file), Copy to clipboard, Printer setup and Print.
#include "window/Form1.h"

#include "chart/Chart.h"
#include "monitor/MonitorDesign.h"
#include "text/QtText.h"
#include "window/ChartOutput.h"

#include <QAction>
#include <QMenu>

void TForm1::CreatePopupMenu()
{
    fOutput = std::make_unique<TChartOutput>(*Chart21, *this);

    PopupMenu1 = new QMenu(Chart21);
    SaveAs1 = PopupMenu1->addAction(QStringFromUtf8(design::MenuSaveAs));
    PopupMenu1->addSeparator();
    Copytoclipboard1 = PopupMenu1->addAction(QStringFromUtf8(design::MenuCopy));
    PopupMenu1->addSeparator();
    Printersetup1 = PopupMenu1->addAction(QStringFromUtf8(design::MenuPrinterSetup));
    Print1 = PopupMenu1->addAction(QStringFromUtf8(design::MenuPrint));
    connect(SaveAs1, &QAction::triggered, this, [this] { TChartOutput::RunCommand([this] { SaveAs1Click(); }); });
    connect(Copytoclipboard1, &QAction::triggered, this,
            [this] { TChartOutput::RunCommand([this] { Copytoclipboard1Click(); }); });
    connect(Printersetup1, &QAction::triggered, this,
            [this] { TChartOutput::RunCommand([this] { Printersetup1Click(); }); });
    connect(Print1, &QAction::triggered, this, [this] { TChartOutput::RunCommand([this] { Print1Click(); }); });

    Chart21->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Chart21, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(Chart21->mapToGlobal(at)); });
}

void TForm1::SaveAs1Click()
{
    fOutput->SaveAs();
}

void TForm1::Copytoclipboard1Click()
{
    fOutput->CopyToClipboard();
}

void TForm1::Printersetup1Click()
{
    fOutput->PrinterSetup();
}

void TForm1::Print1Click()
{
    fOutput->Print();
}

QPrinter& TForm1::Printer()
{
    return fOutput->Printer();
}
