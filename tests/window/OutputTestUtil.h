#pragma once
// Means for tests of the chart's output commands: answering the modal windows
// a command opens, reading files, and looking at a printed PDF page.

#include "window/SavePictureDialog.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace outputtest {

// Answers the modal windows that a command opens while it runs: the save
// dialog and the printer dialog through the test's answers (cancelled when
// the test gives none), message boxes by closing them with their texts kept.
// Anything else modal is recorded and closed.
class TModalDriver {
public:
    std::function<void(TSavePictureDialog&)> SaveDialog;
    std::function<void(QPrintDialog&)> PrintDialog;
    QStringList Messages;  // texts of the message boxes, in order
    QStringList MessageTitles;
    QStringList Unexpected;  // class names of other modal windows
    int SaveDialogs = 0;
    int PrintDialogs = 0;

    // Runs the command; the modal windows it opens are answered as they come.
    void Run(const std::function<void()>& command)
    {
        fAnswered.clear();
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] { Answer(); });
        timer.start();
        command();
        timer.stop();
    }

private:
    static void Close(QDialog* dialog, int result)
    {
        // Queued, so that a window the answer opens (a question) is answered too.
        QMetaObject::invokeMethod(
            dialog, [dialog, result] { dialog->done(result); }, Qt::QueuedConnection);
    }

    void Answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        const bool seen =
            std::any_of(fAnswered.begin(), fAnswered.end(), [modal](const QPointer<QWidget>& w) { return w == modal; });
        if (seen) {
            // An answer that did not close the window: close it, so the test ends.
            if (++fStalled > 1000) {
                Unexpected << QStringLiteral("still open: ") + modal->metaObject()->className();
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    Close(dialog, QDialog::Rejected);
                fStalled = 0;
            }
            return;
        }
        fStalled = 0;
        fAnswered.emplace_back(modal);
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            Messages << box->text();
            MessageTitles << box->windowTitle();
            Close(box, QMessageBox::Ok);
        } else if (auto* save = qobject_cast<TSavePictureDialog*>(modal)) {
            ++SaveDialogs;
            if (SaveDialog)
                SaveDialog(*save);
            else
                Close(save, QDialog::Rejected);
        } else if (auto* print = qobject_cast<QPrintDialog*>(modal)) {
            ++PrintDialogs;
            if (PrintDialog)
                PrintDialog(*print);
            else
                Close(print, QDialog::Rejected);
        } else {
            Unexpected << modal->metaObject()->className();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                Close(dialog, QDialog::Rejected);
        }
    }

    std::vector<QPointer<QWidget>> fAnswered;
    int fStalled = 0;
};

// A save-dialog answer: in folder, type name into the file-name box and
// press Save.
inline std::function<void(TSavePictureDialog&)> TypeName(const QString& folder, const QString& name)
{
    return [folder, name](TSavePictureDialog& dialog) {
        dialog.setDirectory(folder);
        if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            edit->setText(name);
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { static_cast<QDialog&>(dialog).accept(); }, Qt::QueuedConnection);
    };
}

inline std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The names in a folder, sorted.
inline std::vector<std::string> Entries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// ---- printed pages ------------------------------------------------------------------------------------

inline bool HavePoppler()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

// The page count pdfinfo reads from a PDF file; -1 when it cannot.
inline int PdfPageCount(const QString& pdf)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    if (!info.waitForFinished(30000) || info.exitCode() != 0)
        return -1;
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(info.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The first page of a PDF file rendered by pdftoppm at dpi dots per inch.
inline QImage PdfPageImage(const QString& pdf, int dpi, const QString& workFolder)
{
    const QString prefix = workFolder + QStringLiteral("/page");
    QProcess render;
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
                                              QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                              QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, prefix});
    if (!render.waitForFinished(60000) || render.exitCode() != 0)
        return QImage();
    QImage page(prefix + QStringLiteral(".png"));
    QFile::remove(prefix + QStringLiteral(".png"));
    return page.convertToFormat(QImage::Format_RGB32);
}

// The smallest rectangle holding every pixel that is not (nearly) white;
// empty for a blank page.
inline QRect InkBounds(const QImage& page)
{
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            const QRgb c = row[x];
            if (qRed(c) < 248 || qGreen(c) < 248 || qBlue(c) < 248) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace outputtest
