#pragma once

#include <QImage>
#include <QPainter>
#include <memory>

// The off-screen buffer of a window's passes: a bitmap of the pass' size
// with a painter on it, kept between passes of the same size, and whether
// it holds the current picture (a clean buffer repaints the window with one
// copy, without a pass).
class TCanvasBuffer {
public:
    TCanvasBuffer() = default;
    ~TCanvasBuffer();
    TCanvasBuffer(const TCanvasBuffer&) = delete;
    TCanvasBuffer& operator=(const TCanvasBuffer&) = delete;

    // --- the bitmap ------------------------------------------------------------------------
    bool Has() const { return !fImage.isNull(); }
    const QImage& Image() const { return fImage; }
    int Creations() const { return fCreations; }  // how often a bitmap was allocated
    // The painter made for the bitmap (null before the first Begin and after Drop).
    QPainter* Painter() const { return fPainter.get(); }
    // A w x h bitmap (the one kept when it has that size, else a new white
    // one) with a painter begun on it.
    QPainter& Begin(int w, int h);
    // Ends the painter; a monochrome picture keeps one bit per pixel. Copies
    // the bitmap onto destination with its top-left at (x, y) and marks the
    // buffer clean.
    void End(QPainter& destination, int x, int y, bool monochrome);
    // Drops the bitmap (and its painter).
    void Drop();

    // --- whether it holds the current picture ---------------------------------------------------
    bool Dirty() const { return fDirty; }
    void MarkDirty() { fDirty = true; }
    // Copies a clean bitmap onto target at (0, 0) and answers true; false
    // (nothing copied) when it is dirty or there is none.
    bool RepaintTo(QPainter* target);

private:
    QImage fImage;
    std::unique_ptr<QPainter> fPainter;
    int fCreations = 0;
    bool fDirty = true;
};
