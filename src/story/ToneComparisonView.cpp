#include "story/ToneComparisonView.h"

#include "chart/ChartColors.h"

#include "app/ReadoutText.h"
#include "app/ToneRange.h"
#include "history/HistoryTime.h"
#include "monitor/HistoryDesign.h"
#include "text/QtText.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

QString Signed(std::int64_t n)
{
    return n > 0 ? QStringLiteral("+") + GroupedNumber(n) : GroupedNumber(n);
}

int TonesOf(const ToneBits& bits, bool loaded)
{
    return static_cast<int>(std::count_if(bits.begin(), bits.end(), [&](std::int32_t b) { return (b > 0) == loaded; }));
}

QString Tones(std::int64_t n)
{
    return GroupedNumber(n) + (n == 1 ? QStringLiteral(" tone") : QStringLiteral(" tones"));
}

// The left edge of a tone's column in a plot ToneCount columns wide.
int ToneX(const QRect& plot, int tone)
{
    return plot.left() + static_cast<int>(static_cast<std::int64_t>(tone) * plot.width() / ToneCount);
}

}  // namespace

int ToneLabelStep(int axisWidth, int labelWidth)
{
    for (const int step : {16, 32, 64, 128, 256}) {
        const std::int64_t between = static_cast<std::int64_t>(axisWidth) * step / ToneCount;
        if (between >= labelWidth + design::HistoryMargin)
            return step;
    }
    return 512;
}

TToneComparisonLayout LayOutToneComparison(const QRect& bounds, const QFont& font)
{
    const QFontMetrics metrics(font);
    const int line = metrics.height();
    const int valueLabels = metrics.horizontalAdvance(QStringLiteral("-15")) + design::HistoryMargin;
    TToneComparisonLayout layout;
    layout.Bounds = bounds;
    layout.Summary = QRect(bounds.left(), bounds.top(), bounds.width(), 3 * line + 4);
    const int left = bounds.left() + valueLabels;
    const int width = std::max(1, bounds.right() - design::HistoryMargin - left + 1);
    const int top = layout.Summary.bottom() + 1 + line / 2;
    const int axis = line + 6;
    const int plots = std::max(2, bounds.bottom() + 1 - axis - top);
    // Bits take two thirds, the difference the rest.
    const int bitsHeight = std::max(1, plots * 2 / 3 - 2);
    layout.BitsPlot = QRect(left, top, width, bitsHeight);
    layout.DifferencePlot = QRect(left, top + bitsHeight + 4, width, std::max(1, plots - bitsHeight - 4));
    layout.ToneAxis = QRect(left, layout.DifferencePlot.bottom() + 1, width, axis);
    return layout;
}

QStringList ToneComparisonSummary(const TToneComparisonData& data, const QTimeZone& zone)
{
    const TToneComparison& c = data.Comparison;
    return {
        QStringLiteral("Before: %1, %2 bits on %3")
            .arg(FormatTimeIn(data.BeforeUtcMs, zone), GroupedNumber(c.TotalBefore), Tones(TonesOf(c.Before, true))),
        QStringLiteral("After: %1, %2 bits on %3")
            .arg(FormatTimeIn(data.AfterUtcMs, zone), GroupedNumber(c.TotalAfter), Tones(TonesOf(c.After, true))),
        QStringLiteral("Gained %1 bits, lost %2 bits (net %3); %4 back from 0 bits, %5 down to 0 bits")
            .arg(GroupedNumber(c.BitsGained), GroupedNumber(c.BitsLost), Signed(c.TotalAfter - c.TotalBefore),
                 Tones(c.TonesGained), Tones(c.TonesLost)),
    };
}

void PaintToneComparison(QPainter& painter, const TToneComparisonLayout& layout, const TToneComparisonData& data,
                         const QTimeZone& zone, const QFont& font)
{
    const TToneComparison& c = data.Comparison;
    const QFontMetrics metrics(font);
    painter.save();
    painter.setFont(font);
    painter.fillRect(layout.Bounds, Qt::white);

    // The totals.
    painter.setPen(Qt::black);
    const QStringList summary = ToneComparisonSummary(data, zone);
    for (int i = 0; i < summary.size(); ++i)
        painter.drawText(QRect(layout.Summary.left(), layout.Summary.top() + i * metrics.height(),
                               layout.Summary.width(), metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, summary[i]);

    // Bits per tone: the later poll as bars, the earlier as a line over them.
    const QRect& bits = layout.BitsPlot;
    // A tone carries 0 to 15 bits; anything else a router sends is drawn at the nearer end.
    constexpr int top = 15;
    const auto bitsY = [&](std::int32_t b) {
        return bits.bottom() + 1 - static_cast<int>(std::clamp<std::int32_t>(b, 0, top) * bits.height() / top);
    };
    painter.setPen(ToQColor(design::ColorGridGrey));
    for (int b = 0; b <= top; b += 5)
        painter.drawLine(bits.left(), bitsY(b), bits.right(), bitsY(b));
    for (int t = 0; t < ToneCount; ++t) {
        const int x0 = ToneX(bits, t), x1 = std::max(x0 + 1, ToneX(bits, t + 1));
        const int y = bitsY(c.After[t]);
        if (y <= bits.bottom())
            painter.fillRect(QRect(x0, y, x1 - x0, bits.bottom() + 1 - y), ToQColor(design::ToneColor(t)));
    }
    painter.setPen(QPen(Qt::black, 1));
    for (int t = 0; t < ToneCount; ++t) {
        const int x0 = ToneX(bits, t), x1 = std::max(x0 + 1, ToneX(bits, t + 1));
        const int y = std::min(bitsY(c.Before[t]), bits.bottom());
        painter.drawLine(x0, y, x1 - 1, y);
        if (t + 1 < ToneCount) {
            const int next = std::min(bitsY(c.Before[t + 1]), bits.bottom());
            if (next != y)
                painter.drawLine(x1 - 1, y, x1 - 1, next);
        }
    }
    painter.setPen(Qt::black);
    for (int b = 0; b <= top; b += 5)
        painter.drawText(QRect(layout.Bounds.left(), bitsY(b) - metrics.height() / 2,
                               bits.left() - layout.Bounds.left() - 4, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(b));

    // The difference: gained up, lost down, from the middle line.
    const QRect& diff = layout.DifferencePlot;
    std::int64_t most = 1;
    for (int t = 0; t < ToneCount; ++t)
        most = std::max<std::int64_t>(most, std::abs(static_cast<std::int64_t>(c.Difference[t])));
    const int middle = diff.top() + diff.height() / 2;
    const int half = std::max(1, diff.height() / 2 - 1);
    for (int t = 0; t < ToneCount; ++t) {
        const std::int64_t d = c.Difference[t];
        if (d == 0)
            continue;
        const int x0 = ToneX(diff, t), x1 = std::max(x0 + 1, ToneX(diff, t + 1));
        const int h = std::max(1, static_cast<int>(std::abs(d) * half / most));
        const QRect bar = d > 0 ? QRect(x0, middle - h, x1 - x0, h) : QRect(x0, middle + 1, x1 - x0, h);
        painter.fillRect(bar, d > 0 ? ToQColor(design::ColorGreen) : ToQColor(design::ColorRed));
    }
    painter.setPen(Qt::black);
    painter.drawLine(diff.left(), middle, diff.right(), middle);
    painter.drawText(QRect(layout.Bounds.left(), diff.top(), diff.left() - layout.Bounds.left() - 4, metrics.height()),
                     Qt::AlignRight | Qt::AlignTop, QStringLiteral("+%1").arg(most));
    painter.drawText(QRect(layout.Bounds.left(), diff.bottom() + 1 - metrics.height(),
                           diff.left() - layout.Bounds.left() - 4, metrics.height()),
                     Qt::AlignRight | Qt::AlignBottom, QStringLiteral("-%1").arg(most));

    // Frames and the tone axis.
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bits.adjusted(0, 0, -1, -1));
    painter.drawRect(diff.adjusted(0, 0, -1, -1));
    const int step = ToneLabelStep(layout.ToneAxis.width(), metrics.horizontalAdvance(QStringLiteral("512")));
    for (int t = 0; t < ToneCount; t += step) {
        const int x = ToneX(layout.ToneAxis, t) + (ToneX(layout.ToneAxis, t + 1) - ToneX(layout.ToneAxis, t)) / 2;
        painter.drawLine(x, layout.ToneAxis.top(), x, layout.ToneAxis.top() + 3);
        const QString text = QString::number(t);
        const int w = metrics.horizontalAdvance(text);
        const int left = std::clamp(x - w / 2, layout.Bounds.left(), layout.Bounds.right() - w);
        painter.drawText(QRect(left, layout.ToneAxis.top() + 4, w, metrics.height()), Qt::AlignCenter, text);
    }
    painter.restore();
}

int ToneComparisonToneAt(const TToneComparisonLayout& layout, QPoint point)
{
    for (const QRect& plot : {layout.BitsPlot, layout.DifferencePlot}) {
        if (!plot.contains(point))
            continue;
        const int tone =
            static_cast<int>(static_cast<std::int64_t>(point.x() - plot.left()) * ToneCount / plot.width());
        // The column edges round down: step to the tone whose column holds x.
        int t = std::clamp(tone, 0, ToneCount - 1);
        while (t + 1 < ToneCount && ToneX(plot, t + 1) <= point.x())
            ++t;
        while (t > 0 && ToneX(plot, t) > point.x())
            --t;
        return t;
    }
    return -1;
}

QString ToneComparisonHoverText(const TToneComparisonData& data, int tone)
{
    if (tone < 0 || tone >= ToneCount)
        return {};
    const TToneComparison& c = data.Comparison;
    return QStringLiteral("Tone %1 (%2 kHz): %3 -> %4 bits (%5)")
        .arg(tone)
        .arg(QStringFromUtf8(ShortestDecimal(ToneFrequencyKHz(tone))))
        .arg(c.Before[tone])
        .arg(c.After[tone])
        .arg(Signed(c.Difference[tone]));
}
