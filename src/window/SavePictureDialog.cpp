#include "window/SavePictureDialog.h"

#include "monitor/MonitorDesign.h"
#include "window/DialogFilter.h"
#include "window/PicturePreview.h"

#include <QGridLayout>

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
}

bool TSavePictureDialog::Execute()
{
    fFileName.clear();
    fPreview->Clear();
    if (exec() != QDialog::Accepted)
        return false;
    const QStringList files = selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return false;
    fFileName = files.first();
    return true;
}
