#include "jpeg/JPEGFormat.h"

#include <QGuiApplication>
#include <QScreen>
#include <exception>
#include <stdexcept>

#include "jpeg/JPEGImage.h"
#include "jpeg/JPEGSettings.h"
#include "jpeg/PictureFormats.h"

void RegisterJPEGFormat()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            JPEGDefaults().PixelFormat = screen->depth() <= 8 ? jpf8Bit : jpf24Bit;
    }
    RegisterPictureFormat("jpeg", "JPEG Image File", ReadJPEGPicture, ReadJPEGPreview);
    RegisterPictureFormat("jpg", "JPEG Image File", ReadJPEGPicture, ReadJPEGPreview);
}

void UnregisterJPEGFormat()
{
    UnregisterPictureFormats(ReadJPEGPicture);
}

bool ReadJPEGPicture(const std::string& fileName, QImage& picture, std::string& error)
{
    try {
        TJPEGImage image;
        image.LoadFromFile(fileName);
        picture = image.Bitmap();
        if (picture.isNull()) {
            error = "Empty file";
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "Unknown error";
    }
    picture = QImage();
    return false;
}

bool ReadJPEGPreview(const std::string& fileName, QSize box, QImage& picture, QSize& fullSize, std::string& error,
                     const std::atomic<bool>* cancel)
{
    const auto cancelled = [cancel] { return cancel != nullptr && cancel->load(std::memory_order_relaxed); };
    const auto deadline = std::chrono::steady_clock::now() + JPEGPreviewTimeLimit;
    try {
        TJPEGImage image;
        image.SetDecodeStop(cancel, deadline);
        if (cancelled())
            throw std::runtime_error("Cancelled");  // not even read
        image.LoadFromFile(fileName);
        fullSize = QSize(image.Width(), image.Height());
        TJPEGScale scale = jsFull;
        for (const TJPEGScale smaller : {jsHalf, jsQuarter, jsEighth}) {
            image.SetScale(smaller);
            if (image.Width() < box.width() || image.Height() < box.height())
                break;
            scale = smaller;
        }
        image.SetScale(scale);
        picture = image.Bitmap();
        if (picture.isNull()) {
            // A stopped decoding leaves no bitmap, as an empty file does.
            if (cancelled())
                error = "Cancelled";
            else if (std::chrono::steady_clock::now() >= deadline)
                error = "Decoding took too long";
            else
                error = "Empty file";
            fullSize = QSize();
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "Unknown error";
    }
    picture = QImage();
    fullSize = QSize();
    return false;
}
