#include "window/Logo.h"

#include "monitor/MonitorDesign.h"
#include "text/QtText.h"

#include <QBitmap>
#include <QImage>

QPixmap LogoPixmap()
{
    const QImage image(QStringFromUtf8(design::LogoResource));
    if (image.isNull())
        return QPixmap();
    QPixmap pixmap = QPixmap::fromImage(image);
    const QRgb key = image.pixel(0, image.height() - 1);
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(key, Qt::MaskInColor)));
    return pixmap;
}
