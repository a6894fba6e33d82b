#include "window/SavePictureDialog.h"

#include "monitor/MonitorDesign.h"
#include "window/DialogFilter.h"
#include "window/PicturePreview.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>

TSavePictureDialog::TSavePictureDialog(QWidget* parent) : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::DontConfirmOverwrite);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(QtFileFilter(design::SaveFilter));
    setDefaultSuffix(DialogDefaultSuffix(design::SaveDefaultExtension));

    // The preview pane to the right of the file list, over all of its rows.
    fPreview = new TPicturePreview(this);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(fPreview, 0, grid->columnCount(), grid->rowCount(), 1, Qt::AlignTop);
    connect(this, &QFileDialog::currentChanged, fPreview, &TPicturePreview::ShowFile);

    // Room for the list next to the preview, and for the detail columns'
    // usual texts.
    resize(std::max(width(), 900), std::max(height(), 460));
    if (auto* details = findChild<QTreeView*>(QStringLiteral("treeView"))) {
        const QFontMetrics metrics(details->font());
        const int padding = metrics.horizontalAdvance(QLatin1Char('M')) * 2;
        details->header()->resizeSection(1, metrics.horizontalAdvance(QStringLiteral("999.9 KiB")) + padding);
        details->header()->resizeSection(2, metrics.horizontalAdvance(QStringLiteral("JPEG image")) + padding);
        details->header()->resizeSection(3, metrics.horizontalAdvance(QStringLiteral("28 Dec 2026 23:59")) + padding);
    }
}

bool TSavePictureDialog::Execute()
{
    // The next run starts at the file chosen last: its folder, its name and
    // its preview.
    fPreview->Clear();
    if (!fFileName.isEmpty()) {
        selectFile(fFileName);
        fPreview->ShowFile(fFileName);
    }
    const int answer = exec();
    // A read still under way is of no use once the dialog is closed.
    fPreview->Clear();
    if (answer != QDialog::Accepted)
        return false;
    const QStringList files = selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return false;
    fFileName = files.first();
    return true;
}
