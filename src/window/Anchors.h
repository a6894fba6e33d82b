#pragma once
// Where the main window's controls go when its client area changes size.
// The client area is designed at Form1ClientWidth x Form1ClientHeight, with
// the status line added below; every control keeps its distance to the
// bottom-left corner, the chart follows all four edges and the status line
// spans the bottom.

#include "monitor/MonitorDesign.h"

// The client area the design values are given for, status line included.
inline constexpr int DesignClientWidth = design::Form1ClientWidth;
inline constexpr int DesignClientHeight = design::Form1ClientHeight + design::StatusLineHeight;

// Same distance to the left and bottom edges as in the design.
design::Bounds AnchorBottomLeft(const design::Bounds& designed, int clientWidth, int clientHeight);
// Same distance to all four edges as in the design.
design::Bounds AnchorAllEdges(const design::Bounds& designed, int clientWidth, int clientHeight);
// The status line: the bottom StatusLineHeight pixels, full width.
design::Bounds StatusLineBounds(int clientWidth, int clientHeight);
