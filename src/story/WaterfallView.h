#pragma once
// The waterfall drawn: tones across (0 to 512, upstream and downstream
// marked), time down with the newest row on top, the time labels on the
// left, the colour legend and the row note below. One render path for the
// window, the PNG and the PDF: lay out, then PaintWaterfall into any QPainter.

#include "story/WaterfallGrid.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimeZone>
#include <functional>
#include <vector>

struct TWaterfallLayout {
    QRect Bounds;
    // The cells: one column per tone across, the period's time down.
    QRect Plot;
    // Under the plot: the up / down band, tone ticks and labels.
    QRect ToneAxis;
    // Left of the plot: the time labels.
    QRect TimeAxis;
    // Under the tone axis: the colour swatches, "failed poll", "no polls".
    QRect Legend;
    // Under the legend: "each row: ...".
    QRect Note;
};

TWaterfallLayout LayOutWaterfall(const QRect& bounds, const QFont& font);

// The tone labelled ticks of the tone axis for a plot of widthPx: a round
// step (32, 64, 128, ...) whose labels fit without overlapping.
std::vector<int> WaterfallToneTicks(int widthPx, const std::function<int(const QString&)>& widthOf);
// The x of a tone's left edge in a plot of widthPx (tone ToneCount gives widthPx).
int WaterfallToneX(int tone, int widthPx);

// Draws grid (already combined to the rows the plot has room for) into
// layout. Rows span their real times (edges from TimeToPosition), so none
// is dropped or doubled; the cells are filled rectangles.
void PaintWaterfall(QPainter& painter, const TWaterfallLayout& layout, const TWaterfallGrid& grid,
                    const QTimeZone& zone, const QFont& font);

struct TWaterfallHit {
    bool Inside = false;
    int Tone = -1;
    int Row = -1;
};

TWaterfallHit HitWaterfall(const TWaterfallLayout& layout, const TWaterfallGrid& grid, QPoint point);
// "Tue 8 Dec 2026 14:00:00 - 14:10:00", "Tone number: 272", the frequency as
// the readout writes it, and "12 bits" / "failed poll" / "no polls", with
// "lowest of N polls" for a row of several. Empty outside.
QString WaterfallHoverText(const TWaterfallGrid& grid, const TWaterfallHit& hit, const QTimeZone& zone);

// The font the views draw in: the main window's (Arial 8 pt, 11 px).
QFont StoryFont();

// The waterfall of fine combined for size, drawn headless on white.
QImage RenderWaterfall(const TWaterfallGrid& fine, QSize size, const QTimeZone& zone);
