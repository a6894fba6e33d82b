#include "window/PrinterChoices.h"

TPrinterChoices::TPrinterChoices(const QPrinter& printer)
    : fOutputFormat(printer.outputFormat()), fPrinterName(printer.printerName()),
      fOutputFileName(printer.outputFileName()), fPageLayout(printer.pageLayout()), fResolution(printer.resolution()),
      fColorMode(printer.colorMode()), fDuplex(printer.duplex()), fCopyCount(printer.copyCount()),
      fCollateCopies(printer.collateCopies()), fPageOrder(printer.pageOrder()), fPrintRange(printer.printRange()),
      fFromPage(printer.fromPage()), fToPage(printer.toPage()), fPaperSource(printer.paperSource())
{}

void TPrinterChoices::Restore(QPrinter& printer) const
{
    // QPrinter switches the format by the file name (a ".pdf" name makes a
    // PDF writer, an empty one a printer), so the file name goes first and
    // the format and the printer's name after it.
    if (printer.outputFileName() != fOutputFileName)
        printer.setOutputFileName(fOutputFileName);
    if (printer.outputFormat() != fOutputFormat)
        printer.setOutputFormat(fOutputFormat);
    if (fOutputFormat == QPrinter::NativeFormat && printer.printerName() != fPrinterName)
        printer.setPrinterName(fPrinterName);
    printer.setPageLayout(fPageLayout);
    printer.setResolution(fResolution);
    printer.setColorMode(fColorMode);
    printer.setDuplex(fDuplex);
    printer.setCopyCount(fCopyCount);
    printer.setCollateCopies(fCollateCopies);
    printer.setPageOrder(fPageOrder);
    printer.setPrintRange(fPrintRange);
    printer.setFromTo(fFromPage, fToPage);
    printer.setPaperSource(fPaperSource);
}
