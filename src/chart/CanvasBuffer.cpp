#include "chart/CanvasBuffer.h"

#include <QPaintEngine>

namespace {

// Every pixel of the bitmap replaces the target's, where the target knows
// composition modes (the vector recorder does not).
void CopyImage(QPainter& target, int x, int y, const QImage& image)
{
    const bool modes = target.paintEngine() && target.paintEngine()->type() != QPaintEngine::SVG;
    const QPainter::CompositionMode mode = target.compositionMode();
    if (modes)
        target.setCompositionMode(QPainter::CompositionMode_Source);
    target.drawImage(x, y, image);
    if (modes)
        target.setCompositionMode(mode);
}

}  // namespace

TCanvasBuffer::~TCanvasBuffer()
{
    if (fPainter && fPainter->isActive())
        fPainter->end();
}

QPainter& TCanvasBuffer::Begin(int w, int h)
{
    if (Has() && (fImage.width() != w || fImage.height() != h))
        Drop();
    if (!Has()) {
        fImage = QImage(w, h, QImage::Format_RGB32);
        fImage.fill(Qt::white);
        ++fCreations;
    }
    if (!fPainter)
        fPainter = std::make_unique<QPainter>();
    if (!fPainter->isActive())
        fPainter->begin(&fImage);
    fPainter->setRenderHint(QPainter::Antialiasing, false);
    return *fPainter;
}

void TCanvasBuffer::End(QPainter& destination, int x, int y, bool monochrome)
{
    if (fPainter && fPainter->isActive())
        fPainter->end();
    if (monochrome) {
        // A monochrome buffer holds one bit per pixel.
        fImage = fImage.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither).convertToFormat(QImage::Format_RGB32);
    }
    CopyImage(destination, x, y, fImage);
    fDirty = false;
}

void TCanvasBuffer::Drop()
{
    if (fPainter) {
        if (fPainter->isActive())
            fPainter->end();
        fPainter.reset();
    }
    fImage = QImage();
}

bool TCanvasBuffer::RepaintTo(QPainter* target)
{
    if (fDirty || !Has())
        return false;
    if (target)
        CopyImage(*target, 0, 0, fImage);
    return true;
}
