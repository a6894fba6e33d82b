// Export of the chart as a bitmap or a vector picture.
#include "chart/CustomChartPanel.h"

QImage TCustomChartPanel::RenderBitmap(TColor /*backgroundColor*/, const TRect& r)
{
    QImage image(r.Width() > 0 ? r.Width() : 1, r.Height() > 0 ? r.Height() : 1, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

TChartMetafile TCustomChartPanel::RenderMetafile(bool enhanced, const TRect& /*r*/)
{
    TChartMetafile m;
    m.Enhanced = enhanced;
    return m;
}

void TCustomChartPanel::PaintToMetafile(QPainter& /*metafileCanvas*/, const TRect& /*r*/)
{
}

void TCustomChartPanel::CopyPictureToClipboard(bool /*enhanced*/)
{
}
