#include "chart/ChartDepthAxis.h"

TChartDepthAxis::TChartDepthAxis(TCustomAxisPanel* chart) : TChartAxis(chart, false, true)
{
    fIsDepth = true;
    fVisible = false;
}
