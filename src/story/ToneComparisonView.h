#pragma once
// Two polls side by side, tone by tone: the bits of the later poll as bars
// in the main chart's colours with the earlier poll's bits as a line over
// them, the difference under them (gained up in green, lost down in red),
// and the totals above. Laid out first, then drawn into any QPainter.

#include "story/ToneComparison.h"

#include <QFont>
#include <QRect>
#include <QString>
#include <QTimeZone>
#include <cstdint>

struct TToneComparisonLayout {
    QRect Bounds;
    // The totals, one line each for the two polls and one for the difference.
    QRect Summary;
    // Bits per tone, and the difference per tone under it.
    QRect BitsPlot;
    QRect DifferencePlot;
    // Tone labels under the difference plot.
    QRect ToneAxis;
};

// What the view shows: the comparison and when each poll was made.
struct TToneComparisonData {
    TToneComparison Comparison;
    std::int64_t BeforeUtcMs = 0;
    std::int64_t AfterUtcMs = 0;
};

TToneComparisonLayout LayOutToneComparison(const QRect& bounds, const QFont& font);
void PaintToneComparison(QPainter& painter, const TToneComparisonLayout& layout, const TToneComparisonData& data,
                         const QTimeZone& zone, const QFont& font);
// The three summary lines: "Before: TIME, 4,860 bits", "After: ...", and
// "Gained 12 bits, lost 28 bits (net -16); 2 tones back from 0 bits, 4 tones down to 0 bits".
QStringList ToneComparisonSummary(const TToneComparisonData& data, const QTimeZone& zone);
// The tone under a point of either plot, or -1.
int ToneComparisonToneAt(const TToneComparisonLayout& layout, QPoint point);
// "Tone 100 (431.25 kHz): 8 -> 0 bits (-8)".
QString ToneComparisonHoverText(const TToneComparisonData& data, int tone);
// Which tones carry a label at this axis width: a step of 16, 32, 64, 128 or
// 256 tones whose widest label ("512") and a gap fit between two labels.
int ToneLabelStep(int axisWidth, int labelWidth);
