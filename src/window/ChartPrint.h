#pragma once
// Printing the chart's bitmap: the whole-number scale from the window's
// pixels to printer dots, and the print itself.

#include <QImage>
#include <QRect>
#include <QString>

class QPrinter;

// Printer dots per window pixel along x and y.
struct TPrintScale {
    int X = 0;
    int Y = 0;
    bool operator==(const TPrintScale&) const = default;
};

// The printer's dots per inch divided by the window's pixels per inch, each
// direction on its own, dropping the remainder: 600 dpi on a 96 pixels-per-
// inch window give 6, 720 give 7, and a printer coarser than the window
// gives 0. A window resolution of 0 or less also gives 0.
TPrintScale PrintScale(int printerDpiX, int printerDpiY, int windowDpiX, int windowDpiY);

// Where the bitmap lands on the page, in printer dots from the top-left of
// the printable area: (0, 0) to (width * scale.X, height * scale.Y). Empty
// when a scale is 0.
QRect PrintRect(QSize bitmap, TPrintScale scale);

// The destination the printer prints to, for messages: the printer's name,
// or the file it writes; empty when it has neither (no printer installed).
QString PrinterDestination(const QPrinter& printer);

// Prints the bitmap as one page on the printer, one copy (the printer's copy
// count is set to 1), stretched to PrintRect at the printer's resolution.
// The document is ended whatever happens once it was started. Raises EPrintError when there is no printer to print on, when
// the printer's queue does not take jobs, when the printer does not accept
// the document, or when it reports an error at the end; nothing is printed then.
void PrintBitmap(QPrinter& printer, const QImage& bitmap, int windowDpiX, int windowDpiY);
