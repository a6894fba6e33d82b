#include "story/WaterfallView.h"

TWaterfallLayout LayOutWaterfall(const QRect& bounds, const QFont&)
{
    TWaterfallLayout layout;
    layout.Bounds = bounds;
    layout.Plot = bounds;
    return layout;
}

std::vector<int> WaterfallToneTicks(int, const std::function<int(const QString&)>&)
{
    return {};
}

int WaterfallToneX(int tone, int widthPx)
{
    return static_cast<int>(static_cast<std::int64_t>(tone) * widthPx / ToneCount);
}

void PaintWaterfall(QPainter&, const TWaterfallLayout&, const TWaterfallGrid&, const QTimeZone&, const QFont&) {}

TWaterfallHit HitWaterfall(const TWaterfallLayout&, const TWaterfallGrid&, QPoint)
{
    return {};
}

QString WaterfallHoverText(const TWaterfallGrid&, const TWaterfallHit&, const QTimeZone&)
{
    return {};
}

QFont StoryFont()
{
    QFont font(QString::fromUtf8(design::FontName.data(), static_cast<int>(design::FontName.size())));
    font.setPixelSize(design::FontPixelSize);
    return font;
}

QImage RenderWaterfall(const TWaterfallGrid&, QSize size, const QTimeZone&)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}
