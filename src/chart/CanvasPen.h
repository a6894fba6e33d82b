#pragma once

#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"

// The canvas' current platform pen.
struct TCanvasPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    bool Alternate = false;  // cosmetic one-pixel pen setting every other pixel (SmallDots)
};
