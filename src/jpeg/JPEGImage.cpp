#include "jpeg/JPEGImage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QRect>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <istream>
#include <new>
#include <ostream>
#include <sys/stat.h>

#include <jerror.h>

#include "io/AtomicFile.h"
#include "jpeg/FileError.h"
#include "jpeg/InvalidGraphicOperation.h"
#include "jpeg/JPEGError.h"
#include "jpeg/JPEGReader.h"
#include "jpeg/JPEGWriter.h"

namespace {

// Reads at most limit + 1 bytes, so that the caller can tell an overlong stream.
std::string ReadAtMost(std::istream& stream, std::size_t limit)
{
    std::string bytes;
    char chunk[65536];
    while (bytes.size() <= limit && stream.read(chunk, sizeof chunk).gcount() > 0)
        bytes.append(chunk, static_cast<std::size_t>(stream.gcount()));
    return bytes;
}

// Size after decoding at 1 / 2^scale, rounded up as the library does.
int ScaledLength(int length, TJPEGScale scale)
{
    const int shift = static_cast<int>(scale);
    return (length + (1 << shift) - 1) >> shift;
}

}  // namespace

TJPEGImage::TJPEGImage() : fData(std::make_shared<TJPEGData>()), fSettings(JPEGDefaults()) {}

TJPEGImage::~TJPEGImage() = default;

int TJPEGImage::Width() const
{
    return fBitmap.isNull() ? ScaledLength(fData->Width(), fSettings.Scale) : fBitmap.width();
}

int TJPEGImage::Height() const
{
    return fBitmap.isNull() ? ScaledLength(fData->Height(), fSettings.Scale) : fBitmap.height();
}

const QImage& TJPEGImage::Bitmap()
{
    if (fBitmap.isNull())
        Decode();
    return fBitmap;
}

void TJPEGImage::SetCompressionQuality(int v)
{
    fSettings.CompressionQuality = v < 1 ? 1 : (v > 100 ? 100 : v);
}

void TJPEGImage::SetGrayscale(bool v)
{
    if (v == fSettings.Grayscale)
        return;
    fSettings.Grayscale = v;
    DropDecodedBitmap();
}

void TJPEGImage::SetPerformance(TJPEGPerformance v)
{
    if (v == fSettings.Performance)
        return;
    fSettings.Performance = v;
    DropDecodedBitmap();
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat v)
{
    if (v == fSettings.PixelFormat)
        return;
    fSettings.PixelFormat = v;
    DropDecodedBitmap();
}

void TJPEGImage::SetScale(TJPEGScale v)
{
    if (v == fSettings.Scale)
        return;
    fSettings.Scale = v;
    DropDecodedBitmap();
}

void TJPEGImage::SetSmoothing(bool v)
{
    if (v == fSettings.Smoothing)
        return;
    fSettings.Smoothing = v;
    DropDecodedBitmap();
}

void TJPEGImage::SetDecodeStop(const std::atomic<bool>* cancel, std::chrono::steady_clock::time_point deadline)
{
    fDecodeCancel = cancel;
    fDecodeDeadline = deadline;
}

void TJPEGImage::SetWidth(int)
{
    throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetHeight(int)
{
    throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::DropDecodedBitmap()
{
    if (fBitmapDecoded) {
        fBitmap = QImage();
        fBitmapDecoded = false;
    }
}

void TJPEGImage::Assign(const TJPEGImage& source)
{
    if (&source == this)
        return;
    fData = source.fData;
    fBitmap = source.fBitmap;
    fBitmapDecoded = source.fBitmapDecoded;
}

void TJPEGImage::Assign(const QImage& bitmap)
{
    fData = std::make_shared<TJPEGData>();
    fBitmap = bitmap;
    fBitmapDecoded = false;
}

bool TJPEGImage::Compress()
{
    // Bytes that are there may be shared with other images: new bytes go
    // into a new record. A record without bytes gets them in place.
    if (fData->HasBytes())
        fData = std::make_shared<TJPEGData>();
    // Local references keep the record and the pixels alive even if the
    // progress handler reassigns this image.
    const std::shared_ptr<TJPEGData> data = fData;
    QImage source = fBitmap;
    if (source.isNull() || source.width() == 0 || source.height() == 0) {
        data->SetBytes({});
        return true;
    }
    TJPEGPixelLayout layout = plBGRX;
    switch (source.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        break;
    case QImage::Format_BGR888:
        layout = plBGR;
        break;
    default:
        source = source.convertToFormat(QImage::Format_RGB32);
        if (source.isNull())
            throw std::bad_alloc();
        break;
    }
    data->SetSize(source.width(), source.height());
    TJPEGPixels pixels;
    pixels.Bits = source.constBits();
    pixels.Width = source.width();
    pixels.Height = source.height();
    pixels.Stride = source.bytesPerLine();
    pixels.Layout = layout;
    TJPEGWriteOptions options;
    options.Quality = fSettings.CompressionQuality;
    options.Grayscale = fSettings.Grayscale;
    options.Progressive = fSettings.ProgressiveEncoding;
    std::string bytes;
    if (!CompressJPEG(pixels, options, bytes, OnProgress)) {
        // An abort leaves no data behind, so the next save starts afresh.
        if (fData == data)
            fData = std::make_shared<TJPEGData>();
        return false;
    }
    data->SetGrayscale(options.Grayscale);
    data->SetBytes(std::move(bytes));
    return true;
}

bool TJPEGImage::JPEGNeeded()
{
    return fData->HasBytes() || Compress();
}

const std::string& TJPEGImage::JPEGBytes()
{
    JPEGNeeded();
    return fData->Bytes();
}

void TJPEGImage::SaveToStream(std::ostream& stream)
{
    if (!JPEGNeeded())
        return;
    const std::string& bytes = fData->Bytes();
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TJPEGImage::SaveToFile(const std::string& fileName)
{
    if (!JPEGNeeded())
        return;
    std::string reason;
    if (!WriteFileAtomically(fileName, fData->Bytes(), reason))
        throw EFileError::CannotCreate(fileName, reason);
}

void TJPEGImage::LoadFromBytes(std::string bytes)
{
    fData = std::make_shared<TJPEGData>();
    fData->SetBytes(std::move(bytes));
    fBitmap = QImage();
    fBitmapDecoded = false;
    if (fData->Bytes().empty())
        return;
    const TJPEGHeader header = ReadJPEGHeader(fData->Bytes());
    fData->SetSize(header.Width, header.Height);
    fData->SetGrayscale(header.Grayscale);
    fSettings.ProgressiveEncoding = header.Progressive;
}

void TJPEGImage::LoadFromStream(std::istream& stream)
{
    std::string bytes = ReadAtMost(stream, MaxFileBytes);
    if (bytes.size() > MaxFileBytes)
        throw EJPEG(JERR_IMAGE_TOO_BIG);
    LoadFromBytes(std::move(bytes));
}

void TJPEGImage::LoadFromFile(const std::string& fileName)
{
    // Only regular files: a pipe or a device named like a picture would block
    // the reader or never end.
    struct stat status {};
    if (::stat(fileName.c_str(), &status) != 0)
        throw EFileError::CannotOpen(fileName, std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw EFileError::CannotOpen(fileName, "Not a regular file");
    // Refused by its size at once: reading a quarter of a gigabyte first
    // would take seconds for nothing.
    if (status.st_size < 0 || static_cast<std::uintmax_t>(status.st_size) > MaxFileBytes)
        throw EJPEG(JERR_IMAGE_TOO_BIG);
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw EFileError::CannotOpen(fileName, std::strerror(errno));
    LoadFromStream(file);
    if (file.bad())
        throw EFileError::CannotOpen(fileName, "Read error");
}

void TJPEGImage::Decode()
{
    if (!fData->HasBytes() || fData->Bytes().empty())
        return;
    const std::shared_ptr<const TJPEGData> data = fData;
    TJPEGReader reader(data->Bytes(), OnProgress);
    TJPEGReadOptions options;
    options.ScaleShift = static_cast<int>(fSettings.Scale);
    options.Smoothing = fSettings.Smoothing;
    options.Grayscale = fSettings.Grayscale;
    options.BestSpeed = fSettings.Performance == jpBestSpeed;
    options.Quantize = fSettings.PixelFormat == jpf8Bit;
    options.Cancel = fDecodeCancel;
    options.Deadline = fDecodeDeadline;
    if (!reader.Start(options))
        return;
    QImage bitmap(reader.OutputWidth(), reader.OutputHeight(),
                  reader.Indexed() ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (bitmap.isNull())
        throw std::bad_alloc();
    if (reader.Indexed())
        bitmap.setColorTable(QList<QRgb>(reader.ColorMap().begin(), reader.ColorMap().end()));
    if (!reader.ReadRows(bitmap.bits(), bitmap.bytesPerLine()))
        return;
    if (fData != data)
        return;
    fBitmap = std::move(bitmap);
    fBitmapDecoded = true;
}

void TJPEGImage::Draw(QPainter& painter, const QRect& rect)
{
    const QImage& bitmap = Bitmap();
    if (!bitmap.isNull())
        painter.drawImage(rect, bitmap);
}

void TJPEGImage::SaveToClipboard()
{
    QGuiApplication::clipboard()->setImage(Bitmap());
}

void TJPEGImage::LoadFromClipboard()
{
    Assign(QGuiApplication::clipboard()->image());
}
