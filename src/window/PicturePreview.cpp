#include "window/PicturePreview.h"

#include "jpeg/PictureFormats.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

QString PictureSizeText(int width, int height)
{
    return QStringLiteral("%1 x %2 pixels").arg(width).arg(height);
}

QSize PreviewSize(QSize picture, QSize box)
{
    if (picture.isEmpty() || box.isEmpty())
        return QSize(0, 0);
    if (picture.width() <= box.width() && picture.height() <= box.height())
        return picture;
    // The tighter of the two ratios, in integers: w * bh against h * bw.
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    if (w * box.height() >= h * box.width())
        return QSize(box.width(), static_cast<int>(std::max<qint64>(1, h * box.width() / w)));
    return QSize(static_cast<int>(std::max<qint64>(1, w * box.height() / h)), box.height());
}

TPicturePreview::TPicturePreview(QWidget* parent) : QWidget(parent)
{
    fPictureLabel = new QLabel(this);
    fPictureLabel->setObjectName(QStringLiteral("previewPicture"));
    fPictureLabel->setFixedSize(PictureBoxWidth, PictureBoxHeight);
    fPictureLabel->setAlignment(Qt::AlignCenter);
    fPictureLabel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    fSizeLabel = new QLabel(this);
    fSizeLabel->setObjectName(QStringLiteral("previewSize"));
    fSizeLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    fSizeLabel->setTextFormat(Qt::PlainText);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(fPictureLabel);
    layout->addWidget(fSizeLabel);
    layout->addStretch(1);
}

QString TPicturePreview::SizeText() const
{
    return fSizeLabel->text();
}

QPixmap TPicturePreview::ShownPicture() const
{
    return fPictureLabel->pixmap();
}

void TPicturePreview::Clear()
{
    fPictureSize = QSize();
    fPictureLabel->clear();
    fSizeLabel->clear();
}

void TPicturePreview::ShowFile(const QString& fileName)
{
    Clear();
    fFileName = fileName;
    if (fileName.isEmpty() || QFileInfo(fileName).isDir())
        return;
    const std::string name = QFile::encodeName(fileName).toStdString();
    const std::optional<TPictureFormat> format = FindPictureFormat(name);
    if (!format || (format->Reader == nullptr && format->PreviewReader == nullptr))
        return;
    // Readers never throw; a file they refuse simply has no preview.
    const QSize box = fPictureLabel->contentsRect().size();
    QImage picture;
    QSize fullSize;
    std::string error;
    bool read = false;
    if (format->PreviewReader != nullptr) {
        read = format->PreviewReader(name, box, picture, fullSize, error);
    } else {
        read = format->Reader(name, picture, error);
        fullSize = picture.size();
    }
    if (!read || picture.isNull() || fullSize.isEmpty())
        return;
    fPictureSize = fullSize;
    const QSize shown = PreviewSize(fullSize, box);
    fPictureLabel->setPixmap(QPixmap::fromImage(
        picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    fSizeLabel->setText(PictureSizeText(fullSize.width(), fullSize.height()));
}
