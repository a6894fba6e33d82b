#pragma once

#include "chart/AxisLabel.h"

#include <vector>

// What an axis works out before it draws anything: the labels it shows in
// this pass, in drawing order, and the pixel positions of its ticks.
struct TAxisLabelLayout {
    std::vector<TAxisLabel> Labels;
    std::vector<int> Ticks;  // at most TChartAxis::TickListCapacity
};
