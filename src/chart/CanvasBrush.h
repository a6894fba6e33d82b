#pragma once

#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"

#include <QImage>

// The canvas' current platform brush.
struct TCanvasBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    QImage Bitmap;  // pattern bitmap; null when the brush has none

    // Drops the pattern bitmap (without building an empty picture when there is none).
    void ClearBitmap()
    {
        if (!Bitmap.isNull())
            Bitmap = QImage();
    }
};
