#pragma once
// The colours of the waterfall's cells: a perceptual scale from dark purple
// (1 bit) to yellow (15 bits), 0 bits apart in white, and the colours of
// rows that hold no reading.

#include <QColor>

inline constexpr int BitsColourScaleTop = 15;

// The cell colour of a tone with bits (values above 15 as 15; 0 white).
QColor BitsColour(int bits);
// A row whose polls all failed (the history's red for failed polls).
QColor FailedPollColour();
// A row without polls (light grey, drawn hatched).
QColor NoPollColour();
