#pragma once

#include "chart/ChartAxis.h"

// The depth (z) axis: invisible and unused while the chart is flat.
class TChartDepthAxis : public TChartAxis {
public:
    explicit TChartDepthAxis(TCustomAxisPanel* chart);
};
