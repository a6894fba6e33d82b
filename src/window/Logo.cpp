#include "window/Logo.h"

#include "monitor/MonitorDesign.h"
#include "window/QtText.h"

#include <QBitmap>
#include <QImage>

QPixmap LogoPixmap()
{
    const QImage image(QStr(design::LogoResource));
    if (image.isNull())
        return QPixmap();
    QPixmap pixmap = QPixmap::fromImage(image);
    const QRgb key = image.pixel(0, image.height() - 1);
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(key, Qt::MaskInColor)));
    return pixmap;
}
