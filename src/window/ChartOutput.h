#pragma once

#include <QImage>
#include <functional>
#include <memory>

class QPrinter;
class QWidget;
class TChart;
class TSavePictureDialog;

// The chart's output commands: Save As (a JPEG file), Copy to clipboard,
// Printer setup and Print, and the program's one printer. Each works on the
// chart as it is shown and changes nothing else: not the chart, the tone
// table, the poll or the timer. A failure raises; RunCommand shows it in the
// program's error box. The dialogs are children of the parent widget, whose
// logical dots per inch scale the print.
class TChartOutput {
public:
    TChartOutput(TChart& chart, QWidget& parent);
    ~TChartOutput();
    TChartOutput(const TChartOutput&) = delete;
    TChartOutput& operator=(const TChartOutput&) = delete;

    // --- commands ------------------------------------------------------------------------------------
    // Save As...: the chart's bitmap, then the save dialog, then the JPEG file.
    void SaveAs();
    // Copy to clipboard: the chart's vector picture (and a bitmap of it).
    void CopyToClipboard();
    // Printer setup...: the program's printer dialog; later prints use the
    // choices of an accepted dialog, and a cancelled one leaves the printer as
    // it was.
    void PrinterSetup();
    // Print: the chart's bitmap on one page of the current printer, scaled by
    // whole printer dots per window pixel, without a print dialog.
    void Print();
    // Runs a command; its exception is shown in the error box.
    static void RunCommand(const std::function<void()>& command);

    // --- getters -------------------------------------------------------------------------------------
    // The program's one printer, made on first use: the system's default
    // printer, or what the printer setup chose.
    QPrinter& Printer();
    // The save dialog, once the first Save As has made it.
    TSavePictureDialog* SaveDialog() const { return fSaveDialog; }

private:
    // The chart drawn into a new bitmap of its current size; throws when the
    // bitmap cannot be allocated, so no command goes on with an empty picture.
    QImage ChartBitmap();

    // --- data ---------------------------------------------------------------------------------------
    TChart& fChart;
    QWidget& fParent;
    TSavePictureDialog* fSaveDialog = nullptr;  // a child of the parent, made by the first Save As
    std::unique_ptr<QPrinter> fPrinter;
};
