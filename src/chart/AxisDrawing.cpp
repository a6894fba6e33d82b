// Axis drawing: title, labels, ticks, grid and axis line of a shown axis.
#include "chart/ChartAxis.h"

void TChartAxis::DrawAxis(bool /*computeAxisPosition*/)
{
}

void TChartAxis::DrawAxisText(int /*x*/, int /*y*/, const std::string& /*text*/, int /*angle*/)
{
}
