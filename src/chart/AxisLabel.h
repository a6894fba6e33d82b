#pragma once

#include "chart/ChartEnums.h"
#include "chart/ChartPoint.h"
#include "chart/ChartRect.h"

#include <string>

// One text an axis writes (a label, or its title) as the axis' layout places
// it: where it stands along the axis, the text, how its lines are aligned
// and where they start, and the box they cover.
struct TAxisLabel {
    int Pixel = 0;  // position along the axis (a label's tick)
    std::string Text;
    int Angle = 0;
    int Align = TA_LEFT | TA_TOP;  // the canvas' TextAlignFlags for its lines
    TPoint First;                  // anchor of the first line
    TPoint Step;                   // from one line's anchor to the next
    int Depth = 0;                 // z of the lines (0 when flat)
    int Lines = 1;
    // The line boxes (advance width by line height, turned by the angle) of
    // all lines together; the glyphs' ink lies within, or, where glyphs
    // overhang their advance, a pixel beyond.
    TRect Box;
};
