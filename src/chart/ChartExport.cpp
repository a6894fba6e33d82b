// Export of the chart as a bitmap or a vector picture. Every export is one
// ordinary drawing pass straight into the target with the window buffer
// switched off, so the picture is laid out afresh for the target rectangle.
#include "chart/ChartException.h"
#include "chart/CustomChartPanel.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSvgGenerator>
#include <algorithm>
#include <memory>

namespace {

// Switches the window buffer off for one export pass and back on when the
// pass ends, also when it fails. Switching it off drops the buffer and marks
// it dirty, so the next window paint draws in full.
class TBufferingOff {
public:
    explicit TBufferingOff(TChartCanvas3D& canvas) : fCanvas(canvas), fWasOn(canvas.UseOffscreenBuffer())
    {
        fCanvas.SetUseOffscreenBuffer(false);
    }
    ~TBufferingOff() { fCanvas.SetUseOffscreenBuffer(fWasOn); }
    TBufferingOff(const TBufferingOff&) = delete;
    TBufferingOff& operator=(const TBufferingOff&) = delete;

private:
    TChartCanvas3D& fCanvas;
    bool fWasOn;
};

}  // namespace

QImage TCustomChartPanel::RenderBitmap(TColor backgroundColor, const TRect& r)
{
    const int w = r.Width();
    const int h = r.Height();
    if (w <= 0 || h <= 0)
        return QImage();  // nothing to draw into

    // Always full colour, whatever Monochrome says; a new bitmap is white.
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull())
        return image;  // too large for memory: the caller tells the user
    image.fill(Qt::white);
    QPainter painter(&image);
    if (backgroundColor != clDefault && ColorToRGB(backgroundColor) != clWhite)
        painter.fillRect(r.ToQRect(), ToQColor(backgroundColor));

    {
        TBufferingOff unbuffered(*fCanvas);
        PaintTo(painter, r);
    }
    painter.end();
    return image;
}

TChartMetafile TCustomChartPanel::RenderMetafile(bool enhanced, const TRect& r)
{
    TChartMetafile m;
    m.Width = std::max(1, r.Width() - 1);
    m.Height = std::max(1, r.Height() - 1);
    m.Enhanced = enhanced;

    QBuffer buffer(&m.Svg);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    // 96 dpi keeps the fonts at the pixel sizes of the screen; the view box
    // carries the picture's size in pixels.
    generator.setResolution(96);
    generator.setSize(QSize(m.Width, m.Height));
    generator.setViewBox(QRect(0, 0, m.Width, m.Height));

    QPainter painter(&generator);
    try {
        PaintToMetafile(painter, r);
    } catch (...) {
        painter.end();  // completes the recording before the failure goes on
        throw;
    }
    painter.end();
    return m;
}

void TCustomChartPanel::PaintToMetafile(QPainter& metafileCanvas, const TRect& r)
{
    struct TMetafileFlag {
        TChartCanvas3D& canvas;
        explicit TMetafileFlag(TChartCanvas3D& c) : canvas(c) { canvas.SetDrawingToMetafile(true); }
        ~TMetafileFlag() { canvas.SetDrawingToMetafile(false); }
    } metafile(*fCanvas);
    TBufferingOff unbuffered(*fCanvas);
    PaintTo(metafileCanvas, r);
}

void TCustomChartPanel::CopyPictureToClipboard(bool enhanced)
{
    QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                                ? QGuiApplication::clipboard()
                                : nullptr;
    if (clipboard == nullptr)
        throw ChartException("Cannot open clipboard");

    const TRect r = PanelRect();
    const TChartMetafile m = RenderMetafile(enhanced, r);
    // The same picture as a bitmap, for programs that paste only bitmaps.
    const QImage bitmap = RenderBitmap(clWhite, r).copy(0, 0, m.Width, m.Height);

    auto mime = std::make_unique<QMimeData>();
    mime->setData(QStringLiteral("image/svg+xml"), m.Svg);
    mime->setImageData(bitmap);
    clipboard->setMimeData(mime.release());
}
