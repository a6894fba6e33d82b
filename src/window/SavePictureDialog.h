#pragma once

#include <QFileDialog>

class TPicturePreview;

// The save dialog for pictures: Qt's own file dialog (not the desktop's, so
// that it can carry a preview pane) with the design's file-type filter and
// default extension. A name typed without an extension gets the default one;
// an existing file is replaced without a question. The pane previews the file
// selected in the dialog.
class TSavePictureDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit TSavePictureDialog(QWidget* parent = nullptr);

    // --- getters -------------------------------------------------------------------------------------
    // The name chosen last; a cancelled run keeps it.
    const QString& FileName() const { return fFileName; }
    TPicturePreview* Preview() const { return fPreview; }

    // --- running -------------------------------------------------------------------------------------
    // Runs the dialog modally: true when the user chose a file (FileName),
    // false when the dialog was cancelled. After a choice the next run opens
    // at the file chosen, with its preview.
    bool Execute();

private:
    // --- data ---------------------------------------------------------------------------------------
    TPicturePreview* fPreview = nullptr;
    QString fFileName;
};
