#include "jpeg/JPEGFormat.h"

#include <QGuiApplication>
#include <QScreen>
#include <exception>

#include "jpeg/JPEGImage.h"
#include "jpeg/JPEGSettings.h"
#include "jpeg/PictureFormats.h"

void RegisterJPEGFormat()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            JPEGDefaults().PixelFormat = screen->depth() <= 8 ? jpf8Bit : jpf24Bit;
    }
    RegisterPictureFormat("jpeg", "JPEG Image File", ReadJPEGPicture);
    RegisterPictureFormat("jpg", "JPEG Image File", ReadJPEGPicture);
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
