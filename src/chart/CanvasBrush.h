#pragma once

#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"

#include <QImage>

// The canvas' current platform brush.
struct TCanvasBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    QImage Bitmap;  // pattern bitmap; null when the brush has none
};
