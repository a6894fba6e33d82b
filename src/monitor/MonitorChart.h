#pragma once
// The monitor's chart as the main window shows it: Chart21 with its bar
// series LineSeries18, the drawing of a tone table over one of the three
// ranges, and rendering of that chart without a window.

#include "monitor/MonitorDesign.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

class QPainter;
class QRect;
class TCustomChart;
class TBarSeries;

// Gives the chart the design values of Chart21: panel, title, legend and axes.
void ApplyMonitorChartDesign(TCustomChart& chart);

// The whole of Chart21: its design values and its bar series LineSeries18,
// which the chart owns and frees.
TBarSeries& ConfigureMonitorChart(TCustomChart& chart);

// Bottom axis Maximum for the range (the number of bars less one).
void ApplyToneRange(TCustomChart& chart, const design::ToneRange& range);

// Empties the series and appends one bar per tone of the range: the tone's
// bits, its number as label, green up to tone 31 and blue above.
void PlotToneBars(TBarSeries& series, const ToneBits& bits, const design::ToneRange& range);

// Both steps of a poll's drawing: the range's axis maximum, then the bars.
void PlotToneTable(TCustomChart& chart, TBarSeries& series, const ToneBits& bits, const design::ToneRange& range);

// Headless rendering: the chart at width x height pixels exactly as a window
// of that size paints it. Needs a QGuiApplication (fonts). Width and height
// must be at least 1.
QImage RenderMonitorChart(const ToneBits& bits, const design::ToneRange& range, int width, int height);
// The same chart as an SVG picture ((width - 1) x (height - 1) pixels).
// Draws the chart of the table into target on any painter (a PDF page, say)
// as the vector picture the SVG export draws.
void PaintMonitorChart(QPainter& painter, const QRect& target, const ToneBits& bits, const design::ToneRange& range);
QByteArray RenderMonitorChartSvg(const ToneBits& bits, const design::ToneRange& range, int width, int height);
// Writes image as a PNG file, whole or not at all: false, with error saying
// why, when it cannot be written; an existing file is then left as it was.
bool SavePng(const QImage& image, const QString& fileName, QString& error);
// Write the picture to a file, whole or not at all: false, with error saying
// why, when it cannot be written; an existing file is then left as it was.
bool SaveMonitorChartPng(const ToneBits& bits, const design::ToneRange& range, int width, int height,
                         const QString& fileName, QString& error);
bool SaveMonitorChartSvg(const ToneBits& bits, const design::ToneRange& range, int width, int height,
                         const QString& fileName, QString& error);
