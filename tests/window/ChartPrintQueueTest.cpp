// Print into a real CUPS queue: run by PrintQueueTest.sh against a private
// cupsd, first without any printer, then with a cups-pdf printer as the
// default one. The PDF files that the printer writes are read back with
// poppler's tools. Without the script's environment every test skips.
#include "OutputTestUtil.h"
#include "WindowTestUtil.h"

#include <QComboBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using outputtest::TModalDriver;
using windowtest::TMonitorFixture;

// QM_PRINT_QUEUE=none: the cupsd has no printer; QM_PRINT_QUEUE=NAME: its
// default printer NAME writes its PDF files to QM_PRINT_QUEUE_OUTPUT.
std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Whether the queue has no job left to do (lpstat lists the unfinished ones).
bool QueueDone(const std::string& queue)
{
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o"), QString::fromStdString(queue)});
    return lpstat.waitForFinished(30000) && lpstat.exitCode() == 0 &&
           lpstat.readAllStandardOutput().trimmed().isEmpty();
}

// The file the printer wrote for a job titled title (its name starts with
// the title), once the queue has finished it; waits at most a minute.
fs::path WaitForPrintedFile(const std::string& queue, const fs::path& folder, const std::string& title)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        if (QueueDone(queue)) {
            std::error_code error;
            for (const auto& entry : fs::directory_iterator(folder, error)) {
                const std::string name = entry.path().filename().string();
                if (name.rfind(title, 0) == 0 && entry.path().extension() == ".pdf")
                    return entry.path();
            }
        }
        QThread::msleep(100);
    }
    return {};
}

TEST(ChartPrintQueue, WithoutAPrinterPrintShowsTheError)
{
    if (Env("QM_PRINT_QUEUE") != "none")
        GTEST_SKIP() << "run by PrintQueueTest.sh against a cupsd without printers";
    ASSERT_TRUE(QPrinterInfo::availablePrinters().isEmpty());
    TMonitorFixture f;
    f.form->Button1->click();
    TModalDriver modals;
    modals.Run([&] { f.form->Print1->trigger(); });
    EXPECT_EQ(modals.Messages, QStringList{"There is no printer to print on."});
    EXPECT_EQ(modals.MessageTitles, QStringList{"Quillmont Monitor"});
}

TEST(ChartPrintQueue, OnePagePerPrintWithTheChartAtWholeScales)
{
    const std::string queue = Env("QM_PRINT_QUEUE");
    const fs::path output = Env("QM_PRINT_QUEUE_OUTPUT");
    if (queue.empty() || queue == "none" || output.empty())
        GTEST_SKIP() << "run by PrintQueueTest.sh against a cupsd with a cups-pdf printer";
    const fs::path work = fs::temp_directory_path() / ("quillmont-queue-" + std::to_string(::getpid()));
    fs::create_directories(work);

    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    QPrinter& printer = form.Printer();
    ASSERT_EQ(printer.outputFormat(), QPrinter::NativeFormat);
    ASSERT_EQ(printer.printerName().toStdString(), queue);
    ASSERT_EQ(form.logicalDpiX(), 96);

    struct TCase {
        int Dpi;
        QSize Ink;  // the chart on the page read back at 100 dpi; empty: a blank page
    };
    for (const TCase c : {TCase{600, QSize(696, 237)}, TCase{720, QSize(677, 231)}, TCase{72, QSize()}}) {
        const std::string title = "quillmont-queue-test-" + std::to_string(::getpid()) + "-" + std::to_string(c.Dpi);
        printer.setResolution(c.Dpi);
        printer.setDocName(QString::fromStdString(title));
        TModalDriver modals;
        modals.Run([&] { form.Print1->trigger(); });
        EXPECT_TRUE(modals.Messages.isEmpty()) << modals.Messages.join('|').toStdString();

        const fs::path pdf = WaitForPrintedFile(queue, output, title);
        ASSERT_FALSE(pdf.empty()) << "no file for " << title << " in " << output;
        const QString pdfName = QString::fromStdString(pdf.string());
        EXPECT_EQ(outputtest::PdfPageCount(pdfName), 1) << c.Dpi;
        const QImage page = outputtest::PdfPageImage(pdfName, 100, QString::fromStdString(work.string()));
        ASSERT_FALSE(page.isNull());
        const QRect ink = outputtest::InkBounds(page);
        if (c.Ink.isEmpty()) {
            EXPECT_TRUE(ink.isEmpty()) << c.Dpi;
        } else {
            // At the top-left of the printable area, smoothed by a pixel at the edges.
            const QPointF corner = printer.pageLayout().paintRect(QPageLayout::Inch).topLeft() * 100;
            EXPECT_NEAR(ink.left(), corner.x(), 1.5) << c.Dpi;
            EXPECT_NEAR(ink.top(), corner.y(), 1.5) << c.Dpi;
            EXPECT_NEAR(ink.width(), c.Ink.width(), 2.5) << c.Dpi;
            EXPECT_NEAR(ink.height(), c.Ink.height(), 2.5) << c.Dpi;
        }
        fs::remove(pdf);
    }
    fs::remove_all(work);
}

TEST(ChartPrintQueue, AQueueThatRejectsJobsIsAnErrorAndPrintsNothing)
{
    const std::string queue = Env("QM_PRINT_QUEUE");
    const fs::path output = Env("QM_PRINT_QUEUE_OUTPUT");
    if (queue.empty() || queue == "none" || output.empty())
        GTEST_SKIP() << "run by PrintQueueTest.sh against a cupsd with a cups-pdf printer";
    const QString name = QString::fromStdString(queue);
    ASSERT_EQ(QProcess::execute(QStringLiteral("cupsreject"), {name}), 0);
    struct TAcceptAgain {
        QString Queue;
        ~TAcceptAgain() { QProcess::execute(QStringLiteral("cupsaccept"), {Queue}); }
    } acceptAgain{name};

    TMonitorFixture f;
    f.form->Button1->click();
    const std::string title = "quillmont-queue-test-" + std::to_string(::getpid()) + "-rejected";
    f.form->Printer().setDocName(QString::fromStdString(title));
    TModalDriver modals;
    modals.Run([&] { f.form->Print1->trigger(); });
    EXPECT_EQ(modals.Messages, QStringList{"The printer \"" + name + "\" did not accept the document."});
    ASSERT_TRUE(QueueDone(queue));
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(output, error))
        EXPECT_NE(entry.path().filename().string().rfind(title, 0), 0u) << entry.path();
}

TEST(ChartPrintQueue, PrinterSetupCancelledKeepsTheQueueAndAcceptedPrintsOneCopy)
{
    const std::string queue = Env("QM_PRINT_QUEUE");
    const fs::path output = Env("QM_PRINT_QUEUE_OUTPUT");
    if (queue.empty() || queue == "none" || output.empty())
        GTEST_SKIP() << "run by PrintQueueTest.sh against a cupsd with a cups-pdf printer";
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    QPrinter& printer = form.Printer();
    ASSERT_EQ(printer.outputFormat(), QPrinter::NativeFormat);
    ASSERT_EQ(printer.printerName().toStdString(), queue);

    // Picking "Print to File (PDF)" in the dialog's list turns the printer
    // into a PDF writer at once; the dialog is then cancelled.
    bool switched = false;
    TModalDriver cancelled;
    cancelled.PrintDialog = [&](QPrintDialog& dialog) {
        if (auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers"))) {
            printers->setCurrentIndex(printers->count() - 1);
            switched = dialog.printer()->outputFormat() == QPrinter::PdfFormat;
        }
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { dialog.reject(); }, Qt::QueuedConnection);
    };
    cancelled.Run([&] { form.Printersetup1->trigger(); });
    EXPECT_TRUE(switched) << "the dialog no longer changes the printer while it is open";
    EXPECT_EQ(printer.outputFormat(), QPrinter::NativeFormat);
    EXPECT_EQ(printer.printerName().toStdString(), queue);

    // Accepted with three copies: the queue would print three pages; Print
    // sends one.
    TModalDriver accepting;
    accepting.PrintDialog = [&](QPrintDialog& dialog) {
        if (auto* copies = dialog.findChild<QSpinBox*>(QStringLiteral("copies")))
            copies->setValue(3);
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { dialog.accept(); }, Qt::QueuedConnection);
    };
    accepting.Run([&] { form.Printersetup1->trigger(); });
    ASSERT_EQ(printer.copyCount(), 3) << "Qt's dialog has no copies field";
    EXPECT_EQ(printer.printerName().toStdString(), queue);

    const std::string title = "quillmont-queue-test-" + std::to_string(::getpid()) + "-copies";
    printer.setDocName(QString::fromStdString(title));
    TModalDriver printing;
    printing.Run([&] { form.Print1->trigger(); });
    EXPECT_TRUE(printing.Messages.isEmpty()) << printing.Messages.join('|').toStdString();
    const fs::path pdf = WaitForPrintedFile(queue, output, title);
    ASSERT_FALSE(pdf.empty()) << "no file for " << title << " in " << output;
    EXPECT_EQ(outputtest::PdfPageCount(QString::fromStdString(pdf.string())), 1);
    fs::remove(pdf);
}

}  // namespace
