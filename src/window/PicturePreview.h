#pragma once

#include <QPixmap>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <memory>

class QLabel;
class TPreviewWorker;

// The save dialog's preview pane: the picture of the file selected in the
// dialog, shrunk to fit the pane, with its size in pixels underneath. Files
// are read through the registered picture formats (FindPictureFormat) on a
// thread of the pane's own (TPreviewWorker), so that selecting a file never
// holds up the dialog; the picture follows when it is read. A file of no
// registered format, or one that its reader refuses (damaged, hostile, too
// large, too slow to decode), shows "No preview" and no size.
class TPicturePreview : public QWidget {
    Q_OBJECT
public:
    // The pane's picture area, in pixels.
    static constexpr int PictureBoxWidth = 200;
    static constexpr int PictureBoxHeight = 150;
    // Shown in the picture area for a file that cannot be previewed.
    static constexpr const char* NoPreviewText = "No preview";

    explicit TPicturePreview(QWidget* parent = nullptr);
    // Stops the read under way and waits for the pane's thread.
    ~TPicturePreview() override;

    // --- getters -------------------------------------------------------------------------------------
    bool HasPicture() const { return !fPictureSize.isEmpty(); }
    // The size of the picture in the file; empty when none is shown.
    QSize PictureSize() const { return fPictureSize; }
    // The picture as shown, shrunk to the pane; null when none is shown.
    QPixmap ShownPicture() const;
    // "696 x 237 pixels"; empty when no picture is shown.
    QString SizeText() const;
    // The text in the picture area instead of a picture: NoPreviewText for a
    // file that cannot be previewed; empty otherwise.
    QString NoticeText() const;
    // The file shown (or refused, or being read) last.
    const QString& FileName() const { return fFileName; }
    // The file is being read: neither its picture nor "No preview" is shown yet.
    bool Reading() const { return fWantedId != 0; }
    // Reads given up because another file was selected (or the pane cleared)
    // before they ended.
    int StoppedReads() const;

    // --- setters -------------------------------------------------------------------------------------
    // Starts reading a file and returns at once; an empty name or a folder
    // clears the pane. Stops the read of the file selected before.
    void ShowFile(const QString& fileName);
    // Empties the pane and stops a read under way.
    void Clear();

signals:
    // The pane shows what it will show for the file selected last: its
    // picture, or "No preview".
    void Finished();

private:
    void TakeResult();
    void ShowNotice(const QString& text);

    // --- data ---------------------------------------------------------------------------------------
    QString fFileName;
    QSize fPictureSize;  // only the size is kept: the decoded file may be large
    QLabel* fPictureLabel = nullptr;
    QLabel* fSizeLabel = nullptr;
    std::unique_ptr<TPreviewWorker> fWorker;
    std::uint64_t fLastId = 0;    // of the last request
    std::uint64_t fWantedId = 0;  // the request whose result is awaited; 0: none
};

// The size line under a preview: "W x H pixels".
QString PictureSizeText(int width, int height);

// The size a picture is shown at in a box: its own size when it fits, else
// shrunk to fit with its aspect ratio kept (never below 1 x 1).
QSize PreviewSize(QSize picture, QSize box);
