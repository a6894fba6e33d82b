#pragma once
// The history window's two plots, configured and filled in code so that they
// can be drawn and checked without a window.

#include "history/HistoryStore.h"
#include "history/ToneChangeCounter.h"

#include <vector>

class TCustomChart;
class TBarSeries;

// Total bits over time: one bar per poll, oldest on the left, blue when the
// reply was captured and red when the poll failed. The chart owns the series.
TBarSeries& ConfigureTotalBitsChart(TCustomChart& chart);
void PlotTotalBits(TCustomChart& chart, TBarSeries& series, const std::vector<TTotalBitsPoint>& points);

// Changes per tone: one bar per tone 0..512 in the colours of the main chart.
TBarSeries& ConfigureChangeCountChart(TCustomChart& chart);
void PlotChangeCounts(TCustomChart& chart, TBarSeries& series, const ToneChangeCounts& counts);
