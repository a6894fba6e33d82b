#pragma once
// The changes per tone of a period as a chart-engine plot, configured and
// filled in code so that it can be drawn and checked without a window (the
// history window shows it, the report prints it).

#include <cstdint>
#include <vector>

class TCustomChart;
class TBarSeries;

// Changes per tone: one bar per tone 0..512 in the colours of the main chart
// (tones beyond counts have none). The chart owns the series.
TBarSeries& ConfigureChangeCountChart(TCustomChart& chart);
void PlotChangeCounts(TCustomChart& chart, TBarSeries& series, const std::vector<std::int64_t>& counts);
