#pragma once
// The history window's two plots, configured and filled in code so that they
// can be drawn and checked without a window.

#include "history/HistorySummary.h"

#include <cstdint>
#include <vector>

class TCustomChart;
class TBarSeries;

// Total bits over time: one bar per poll, oldest on the left, blue when the
// reply was captured and red when the poll failed. The chart owns the series.
TBarSeries& ConfigureTotalBitsChart(TCustomChart& chart);
// With more polls than the bottom axis has pixels, the series gets only the
// polls whose bars show at the chart's present size (a few per pixel
// column, at their own places on the axis), which draws the same picture as
// every poll would; plot again when the chart's size changes.
void PlotTotalBits(TCustomChart& chart, TBarSeries& series, const std::vector<TTotalBitsPoint>& points);

// Changes per tone: one bar per tone 0..512 in the colours of the main chart
// (tones beyond counts have none).
TBarSeries& ConfigureChangeCountChart(TCustomChart& chart);
void PlotChangeCounts(TCustomChart& chart, TBarSeries& series, const std::vector<std::int64_t>& counts);
