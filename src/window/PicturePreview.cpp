#include "window/PicturePreview.h"

#include "jpeg/PictureFormats.h"
#include "window/PreviewWorker.h"

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

    // The worker's thread only posts the news; the result is taken here, on
    // the pane's own thread. The destructor waits for that thread, so the
    // pane outlives every post.
    fWorker = std::make_unique<TPreviewWorker>(
        [this] { QMetaObject::invokeMethod(this, &TPicturePreview::TakeResult, Qt::QueuedConnection); });
}

TPicturePreview::~TPicturePreview()
{
    fWorker.reset();
}

QString TPicturePreview::NoticeText() const
{
    return fPictureLabel->pixmap().isNull() ? fPictureLabel->text() : QString();
}

int TPicturePreview::StoppedReads() const
{
    return fWorker->StoppedReads();
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
    if (fWantedId != 0)
        fWorker->Cancel();
    fWantedId = 0;
    fPictureSize = QSize();
    fPictureLabel->clear();
    fSizeLabel->clear();
}

void TPicturePreview::ShowNotice(const QString& text)
{
    fPictureSize = QSize();
    fPictureLabel->setText(text);
    fSizeLabel->clear();
}

void TPicturePreview::ShowFile(const QString& fileName)
{
    Clear();
    fFileName = fileName;
    if (fileName.isEmpty() || QFileInfo(fileName).isDir()) {
        emit Finished();
        return;
    }
    const std::string name = QFile::encodeName(fileName).toStdString();
    const std::optional<TPictureFormat> format = FindPictureFormat(name);
    if (!format || (format->Reader == nullptr && format->PreviewReader == nullptr)) {
        ShowNotice(QString::fromLatin1(NoPreviewText));
        emit Finished();
        return;
    }
    fWantedId = ++fLastId;
    fWorker->Request({fWantedId, name, fPictureLabel->contentsRect().size(), *format});
}

void TPicturePreview::TakeResult()
{
    const std::optional<TPreviewWorker::TResult> result = fWorker->TakeResult();
    // A result of a file selected before is late news.
    if (!result || fWantedId == 0 || result->Id != fWantedId)
        return;
    fWantedId = 0;
    if (!result->Read) {
        ShowNotice(QString::fromLatin1(NoPreviewText));
    } else {
        fPictureSize = result->FullSize;
        fPictureLabel->setPixmap(QPixmap::fromImage(result->Picture));
        fSizeLabel->setText(PictureSizeText(fPictureSize.width(), fPictureSize.height()));
    }
    emit Finished();
}
