#pragma once

#include <QPixmap>
#include <QSize>
#include <QWidget>

class QLabel;

// The save dialog's preview pane: the picture of the file selected in the
// dialog, shrunk to fit the pane, with its size in pixels underneath. Files
// are read through the registered picture formats (FindPictureFormat); a file
// of no registered format, or one that its reader refuses (damaged, hostile,
// too large), shows no picture and no size.
class TPicturePreview : public QWidget {
    Q_OBJECT
public:
    // The pane's picture area, in pixels.
    static constexpr int PictureBoxWidth = 200;
    static constexpr int PictureBoxHeight = 150;

    explicit TPicturePreview(QWidget* parent = nullptr);

    // --- getters -------------------------------------------------------------------------------------
    bool HasPicture() const { return !fPictureSize.isEmpty(); }
    // The size of the picture in the file; empty when none is shown.
    QSize PictureSize() const { return fPictureSize; }
    // The picture as shown, shrunk to the pane; null when none is shown.
    QPixmap ShownPicture() const;
    // "696 x 237 pixels"; empty when no picture is shown.
    QString SizeText() const;
    // The file shown (or refused) last.
    const QString& FileName() const { return fFileName; }

    // --- setters -------------------------------------------------------------------------------------
    // Reads and shows a file; an empty name or a folder clears the pane.
    void ShowFile(const QString& fileName);
    void Clear();

private:
    // --- data ---------------------------------------------------------------------------------------
    QString fFileName;
    QSize fPictureSize;  // only the size is kept: the decoded file may be large
    QLabel* fPictureLabel = nullptr;
    QLabel* fSizeLabel = nullptr;
};

// The size line under a preview: "W x H pixels".
QString PictureSizeText(int width, int height);

// The size a picture is shown at in a box: its own size when it fits, else
// shrunk to fit with its aspect ratio kept (never below 1 x 1).
QSize PreviewSize(QSize picture, QSize box);
