#pragma once

#include <string>
#include <vector>

// Plain calculations of the axis drawing, kept apart so that tests can call them.

// Half the room a label takes along the axis, widened by the separation percent:
// (size + trunc(size * 0.02 * separation)) div 2, at most 2^30.
int LabelHalfRoom(int size, int separation);

// Whether a label of half room `half` at pixel p keeps clear of the last label
// drawn at prev (half room prevHalf), on either side of it.
bool LabelFits(int p, int half, int prev, int prevHalf);

// Pixel positions of the minor ticks between and around the major ticks (in
// drawing order): the first spacing continued beyond both ends when there are
// two ticks or more, then minorCount positions inside every pair. Only
// positions strictly between startPixel and endPixel are kept.
std::vector<int> MinorTickPositions(const std::vector<int>& ticks, int minorCount, int startPixel, int endPixel);

// Number of lines of an axis text, as SplitAxisTextLines counts them.
int LineCount(const std::string& text);

// Lines of an axis text, split at carriage returns; a trailing empty piece is
// not a line, an empty text is one empty line.
std::vector<std::string> SplitAxisTextLines(const std::string& text);
