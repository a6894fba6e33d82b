#pragma once

#include <QPageLayout>
#include <QPrinter>
#include <QString>

// What the printer dialog can change on a printer: which printer (or PDF
// file) it prints to, the page, and the print options. Qt's printer dialog
// works on the printer itself while it is open: opening it on a PDF writer
// switches the printer to the first printer in its list, and picking
// another entry switches the printer over at once. A cancelled dialog leaves
// all that in place, so the choices are taken before the dialog runs and put
// back when it is cancelled.
class TPrinterChoices {
public:
    explicit TPrinterChoices(const QPrinter& printer);

    // Puts the choices back on the printer (not while it prints).
    void Restore(QPrinter& printer) const;

private:
    // --- data ---------------------------------------------------------------------------------------
    QPrinter::OutputFormat fOutputFormat;
    QString fPrinterName;
    QString fOutputFileName;
    QPageLayout fPageLayout;
    int fResolution;
    QPrinter::ColorMode fColorMode;
    QPrinter::DuplexMode fDuplex;
    int fCopyCount;
    bool fCollateCopies;
    QPrinter::PageOrder fPageOrder;
    QPrinter::PrintRange fPrintRange;
    int fFromPage;
    int fToPage;
    QPrinter::PaperSource fPaperSource;
};
