#include "story/WaterfallView.h"
#include "text/QtText.h"

#include "chart/ChartColors.h"

#include "app/ReadoutText.h"
#include "story/BitsColourScale.h"
#include "story/TimeAxis.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPaintDevice>
#include <algorithm>

namespace {

constexpr int Pad = 4;
// Room between two tone labels.
constexpr int ToneLabelGap = 6;
// Largest cell image drawn at the plot's own size; beyond it (a high
// resolution printer) the cells are drawn as one pixel per cell and scaled.
constexpr qint64 LargestCellImagePixels = 4096LL * 4096LL;

// The rows' time span: from the start of the first to the end of the last,
// so that every row has its full height.
std::int64_t AxisFrom(const TWaterfallGrid& grid)
{
    return grid.Rows().empty() ? grid.FromUtcMs() : grid.Rows().front().StartUtcMs;
}

std::int64_t AxisTo(const TWaterfallGrid& grid)
{
    return grid.Rows().empty() ? grid.ToUtcMs() : grid.Rows().back().EndUtcMs;
}

// The offset from the plot's top of a time: the newest time at 0.
int RowEdgeY(std::int64_t t, const TWaterfallGrid& grid, int height)
{
    return height - TimeToPosition(t, AxisFrom(grid), AxisTo(grid), height);
}

// Widths the legend needs: the bits swatches, and the two kinds of rows.
int BitsLegendWidth(const QFontMetrics& metrics)
{
    return metrics.horizontalAdvance(QStringFromUtf8(design::WaterfallLegendBits)) + Pad +
           (BitsColourScaleTop + 1) * design::WaterfallSwatchWidth + Pad;
}

int KindsLegendWidth(const QFontMetrics& metrics)
{
    return 2 * (design::WaterfallSwatchWidth + Pad + 2 * Pad) +
           metrics.horizontalAdvance(QStringFromUtf8(design::WaterfallLegendFailed)) +
           metrics.horizontalAdvance(QStringFromUtf8(design::WaterfallLegendNoPolls));
}

QString TimeText(std::int64_t utcMs, const QTimeZone& zone, bool withDate)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(utcMs, zone);
    static const QLocale locale(QLocale::English, QLocale::UnitedKingdom);
    return locale.toString(local, withDate ? QStringLiteral("ddd d MMM yyyy HH:mm:ss") : QStringLiteral("HH:mm:ss"));
}

// Per pixel column of a plot of width, the tones it shows: those whose
// left edge falls in it, or else the tone that covers it.
struct TColumnTones {
    int First = 0;
    int Last = 0;
};

std::vector<TColumnTones> ColumnTones(int width)
{
    std::vector<TColumnTones> columns(static_cast<std::size_t>(std::max(0, width)));
    int tone = 0;
    for (int x = 0; x < width; ++x) {
        while (tone + 1 < ToneCount && WaterfallToneX(tone + 1, width) <= x)
            ++tone;
        // tone is the last one starting at or before x.
        int first = tone;
        while (first > 0 && WaterfallToneX(first - 1, width) == WaterfallToneX(tone, width) &&
               WaterfallToneX(tone, width) == x)
            --first;
        columns[static_cast<std::size_t>(x)] = {first, tone};
    }
    return columns;
}

QRgb CellColour(const TWaterfallRow& row, const TColumnTones& tones)
{
    switch (row.Kind) {
    case TWaterfallRowKind::wrFailed:
        return FailedPollColour().rgb();
    case TWaterfallRowKind::wrNoPolls:
        return NoPollColour().rgb();
    case TWaterfallRowKind::wrReading:
        break;
    }
    int lowest = 255;
    for (int tone = tones.First; tone <= tones.Last; ++tone)
        lowest = std::min<int>(lowest, row.Bits[static_cast<std::size_t>(tone)]);
    return BitsColour(lowest).rgb();
}

// The cells as an image of width x height pixels, rows at their real times.
QImage CellImage(const TWaterfallGrid& grid, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(NoPollColour());
    const std::vector<TColumnTones> columns = ColumnTones(width);
    std::vector<QRgb> line(static_cast<std::size_t>(width));
    for (const TWaterfallRow& row : grid.Rows()) {
        const int top = std::max(0, RowEdgeY(row.EndUtcMs, grid, height));
        const int bottom = std::min(height, RowEdgeY(row.StartUtcMs, grid, height));
        if (top >= bottom)
            continue;
        for (int x = 0; x < width; ++x)
            line[static_cast<std::size_t>(x)] = CellColour(row, columns[static_cast<std::size_t>(x)]);
        for (int y = top; y < bottom; ++y)
            std::copy(line.begin(), line.end(), reinterpret_cast<QRgb*>(image.scanLine(y)));
    }
    return image;
}

bool IsRasterDevice(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    if (!device)
        return false;
    const int type = device->devType();
    return type == QInternal::Image || type == QInternal::Widget || type == QInternal::Pixmap;
}

void PaintCells(QPainter& painter, const TWaterfallLayout& layout, const TWaterfallGrid& grid)
{
    const QRect& plot = layout.Plot;
    const qint64 pixels = static_cast<qint64>(plot.width()) * plot.height();
    if (IsRasterDevice(painter) || pixels <= LargestCellImagePixels / 16) {
        painter.drawImage(plot.topLeft(), CellImage(grid, plot.width(), plot.height()));
    } else {
        // A printer: one pixel per tone and per unit of the shortest row,
        // scaled without smoothing, so that the file stays small.
        const int height = std::clamp(static_cast<int>(grid.Rows().size()), 1, 4096);
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(plot, CellImage(grid, ToneCount, height));
        painter.restore();
    }
    // Rows without polls are hatched, so that they read as "nothing here".
    const QBrush hatch(ToQColor(design::WaterfallHatchColor), Qt::BDiagPattern);
    const auto& rows = grid.Rows();
    for (std::size_t index = 0; index < rows.size();) {
        if (rows[index].Kind != TWaterfallRowKind::wrNoPolls) {
            ++index;
            continue;
        }
        std::size_t end = index;
        while (end < rows.size() && rows[end].Kind == TWaterfallRowKind::wrNoPolls)
            ++end;
        const int top = RowEdgeY(rows[end - 1].EndUtcMs, grid, plot.height());
        const int bottom = RowEdgeY(rows[index].StartUtcMs, grid, plot.height());
        if (bottom > top)
            painter.fillRect(QRect(plot.left(), plot.top() + top, plot.width(), bottom - top), hatch);
        index = end;
    }
}

void PaintToneAxis(QPainter& painter, const TWaterfallLayout& layout, const QFontMetrics& metrics)
{
    const QRect& plot = layout.Plot;
    const QRect& axis = layout.ToneAxis;
    const int width = plot.width();
    painter.setPen(ToQColor(design::StoryAxisColor));
    const auto widthOf = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); };
    for (const int tone : WaterfallToneTicks(width, widthOf)) {
        const int x =
            plot.left() + std::min(width - 1, (WaterfallToneX(tone, width) + WaterfallToneX(tone + 1, width)) / 2);
        painter.drawLine(x, axis.top(), x, axis.top() + design::WaterfallTickLength - 1);
        const QString text = QString::number(tone);
        const int textWidth = widthOf(text);
        const int left = std::clamp(x - textWidth / 2, plot.left(), plot.left() + width - textWidth);
        painter.drawText(QRect(left, axis.top() + design::WaterfallTickLength, textWidth, metrics.height()),
                         Qt::AlignCenter, text);
    }
    // The upstream and downstream bands, in the main chart's tone colours.
    const int bandTop = axis.top() + design::WaterfallTickLength + metrics.height() + 1;
    const int split = plot.left() + WaterfallToneX(LastUpstreamTone + 1, width);
    const QRect up(plot.left(), bandTop, split - plot.left(), design::WaterfallBandHeight);
    const QRect down(split, bandTop, plot.left() + width - split, design::WaterfallBandHeight);
    painter.fillRect(up, ToQColor(design::ToneColor(0)));
    painter.fillRect(down, ToQColor(design::ToneColor(LastUpstreamTone + 1)));
    const int textTop = bandTop + design::WaterfallBandHeight;
    const QString upText = QStringFromUtf8(design::WaterfallUpstream);
    const QString downText = QStringFromUtf8(design::WaterfallDownstream);
    painter.setPen(ToQColor(design::ToneColor(0)));
    painter.drawText(QRect(up.left(), textTop, std::max(up.width(), widthOf(upText)), metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, upText);
    painter.setPen(ToQColor(design::ToneColor(LastUpstreamTone + 1)));
    painter.drawText(QRect(down.left(), textTop, down.width(), metrics.height()), Qt::AlignCenter, downText);
}

void PaintTimeAxis(QPainter& painter, const TWaterfallLayout& layout, const TWaterfallGrid& grid, const QTimeZone& zone,
                   const QFontMetrics& metrics)
{
    const QRect& plot = layout.Plot;
    const int height = plot.height();
    const int textHeight = metrics.height();
    const auto extentOf = [textHeight](const QString&) { return textHeight; };
    painter.setPen(ToQColor(design::StoryAxisColor));
    for (const TTimeTick& tick : LayOutTimeTicks(AxisFrom(grid), AxisTo(grid), height, extentOf, zone)) {
        const int y = plot.top() + std::min(height - 1, height - tick.Position);
        painter.drawLine(plot.left() - design::WaterfallTickLength, y, plot.left() - 1, y);
        // The label's box is kept inside the axis, as the layout of the ticks assumed.
        const int top = std::clamp(y - textHeight / 2, plot.top(), plot.top() + height - textHeight);
        QFont font = painter.font();
        font.setBold(tick.Major);
        painter.setFont(font);
        painter.drawText(
            QRect(layout.TimeAxis.left(), top, layout.TimeAxis.width() - design::WaterfallTickLength - 2, textHeight),
            Qt::AlignRight | Qt::AlignVCenter, tick.Text);
    }
    QFont font = painter.font();
    font.setBold(false);
    painter.setFont(font);
}

void PaintLegend(QPainter& painter, const TWaterfallLayout& layout, const QFontMetrics& metrics)
{
    const QRect& legend = layout.Legend;
    const int textHeight = metrics.height();
    const int swatch = design::WaterfallSwatchWidth;
    painter.setPen(ToQColor(design::StoryAxisColor));
    int x = legend.left();
    const QString bitsText = QStringFromUtf8(design::WaterfallLegendBits);
    painter.drawText(QRect(x, legend.top(), metrics.horizontalAdvance(bitsText), textHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, bitsText);
    x += metrics.horizontalAdvance(bitsText) + Pad;
    const QPen frame(ToQColor(design::WaterfallFrameColor));
    for (int bits = 0; bits <= BitsColourScaleTop; ++bits) {
        // 0 stands apart from the scale.
        const int left = x + bits * swatch + (bits > 0 ? Pad : 0);
        const QRect box(left, legend.top(), swatch, textHeight);
        painter.fillRect(box, BitsColour(bits));
        if (bits == 0) {
            painter.setPen(frame);
            painter.drawRect(box.adjusted(0, 0, -1, -1));
        }
        painter.setPen(ToQColor(design::StoryAxisColor));
        painter.drawText(QRect(left - 4, legend.top() + textHeight, swatch + 8, textHeight), Qt::AlignCenter,
                         QString::number(bits));
    }
    // The two kinds of rows without bits: beside the scale, or under it when
    // there is no room.
    int kindsLeft = x + (BitsColourScaleTop + 1) * swatch + 3 * Pad;
    int kindsTop = legend.top();
    if (kindsLeft + KindsLegendWidth(metrics) > legend.right() + 1) {
        kindsLeft = legend.left();
        kindsTop = legend.top() + 2 * textHeight;
    }
    const auto kind = [&](const QBrush& brush, bool hatched, std::string_view caption) {
        const QRect box(kindsLeft, kindsTop, swatch, textHeight);
        painter.fillRect(box, brush);
        if (hatched)
            painter.fillRect(box, QBrush(ToQColor(design::WaterfallHatchColor), Qt::BDiagPattern));
        const QString text = QStringFromUtf8(caption);
        painter.setPen(ToQColor(design::StoryAxisColor));
        painter.drawText(QRect(kindsLeft + swatch + Pad, kindsTop, metrics.horizontalAdvance(text), textHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
        kindsLeft += swatch + Pad + metrics.horizontalAdvance(text) + 2 * Pad;
    };
    kind(FailedPollColour(), false, design::WaterfallLegendFailed);
    kind(NoPollColour(), true, design::WaterfallLegendNoPolls);
}

}  // namespace

TWaterfallLayout LayOutWaterfall(const QRect& bounds, const QFont& font)
{
    const QFontMetrics metrics(font);
    const int textHeight = metrics.height();
    TWaterfallLayout layout;
    layout.Bounds = bounds;
    int timeWidth = 0;
    for (const char* sample : {"00:00:00", "Wed 30", "May 2026", "30 May"})
        timeWidth = std::max(timeWidth, metrics.horizontalAdvance(QString::fromLatin1(sample)));
    timeWidth += design::WaterfallTickLength + 2 + Pad;
    const int left = bounds.left() + timeWidth;
    // Half the last tone label may reach past the plot's right edge.
    const int right = bounds.right() - Pad;
    const int width = std::max(1, right - left + 1);
    const bool kindsBeside = BitsLegendWidth(metrics) + 2 * Pad + KindsLegendWidth(metrics) <= bounds.width();
    const int toneAxisHeight = design::WaterfallTickLength + textHeight + 1 + design::WaterfallBandHeight + textHeight;
    const int legendHeight = (kindsBeside ? 2 : 3) * textHeight;
    const int noteHeight = textHeight;
    const int below = toneAxisHeight + Pad + legendHeight + Pad + noteHeight;
    const int top = bounds.top() + Pad;
    const int height = std::max(1, bounds.bottom() + 1 - top - below);
    layout.Plot = QRect(left, top, width, height);
    layout.TimeAxis = QRect(bounds.left(), top, timeWidth, height);
    layout.ToneAxis = QRect(left, layout.Plot.bottom() + 1, width, toneAxisHeight);
    layout.Legend =
        QRect(bounds.left() + Pad, layout.ToneAxis.bottom() + 1 + Pad, bounds.width() - 2 * Pad, legendHeight);
    layout.Note = QRect(bounds.left() + Pad, layout.Legend.bottom() + 1 + Pad, bounds.width() - 2 * Pad, noteHeight);
    return layout;
}

std::vector<int> WaterfallToneTicks(int widthPx, const std::function<int(const QString&)>& widthOf)
{
    if (widthPx <= 0 || !widthOf)
        return {};
    for (const int step : {8, 16, 32, 64, 128, 256, 512}) {
        std::vector<int> tones;
        int previousEnd = std::numeric_limits<int>::min();
        bool fits = true;
        for (int tone = 0; tone < ToneCount && fits; tone += step) {
            const int x =
                std::min(widthPx - 1, (WaterfallToneX(tone, widthPx) + WaterfallToneX(tone + 1, widthPx)) / 2);
            const int textWidth = widthOf(QString::number(tone));
            const int left = std::clamp(x - textWidth / 2, 0, std::max(0, widthPx - textWidth));
            fits = textWidth <= widthPx &&
                   (previousEnd == std::numeric_limits<int>::min() || left >= previousEnd + ToneLabelGap);
            previousEnd = left + textWidth;
            tones.push_back(tone);
        }
        if (fits)
            return tones;
    }
    return {};
}

int WaterfallToneX(int tone, int widthPx)
{
    return static_cast<int>(static_cast<std::int64_t>(tone) * widthPx / ToneCount);
}

void PaintWaterfall(QPainter& painter, const TWaterfallLayout& layout, const TWaterfallGrid& grid,
                    const QTimeZone& zone, const QFont& font)
{
    painter.save();
    painter.setFont(font);
    const QFontMetrics metrics(font, painter.device());
    const QRect& plot = layout.Plot;
    if (grid.Empty()) {
        painter.fillRect(plot, NoPollColour());
        painter.setPen(ToQColor(design::StoryAxisColor));
        painter.drawText(plot, Qt::AlignCenter, QStringFromUtf8(design::WaterfallNoPeriod));
    } else {
        PaintCells(painter, layout, grid);
        PaintTimeAxis(painter, layout, grid, zone, metrics);
    }
    painter.setPen(ToQColor(design::WaterfallFrameColor));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(-1, -1, 0, 0));
    PaintToneAxis(painter, layout, metrics);
    PaintLegend(painter, layout, metrics);
    if (!grid.Empty()) {
        painter.setPen(ToQColor(design::StoryAxisColor));
        painter.drawText(layout.Note, Qt::AlignLeft | Qt::AlignVCenter, grid.RowNote());
    }
    painter.restore();
}

TWaterfallHit HitWaterfall(const TWaterfallLayout& layout, const TWaterfallGrid& grid, QPoint point)
{
    const QRect& plot = layout.Plot;
    if (grid.Empty() || !plot.contains(point))
        return {};
    TWaterfallHit hit;
    hit.Inside = true;
    const int x = point.x() - plot.left();
    hit.Tone = std::clamp(static_cast<int>(static_cast<std::int64_t>(x) * ToneCount / plot.width()), 0, ToneCount - 1);
    // The tone whose column holds x (the mapping rounds down, so step back if needed).
    while (hit.Tone > 0 && WaterfallToneX(hit.Tone, plot.width()) > x)
        --hit.Tone;
    while (hit.Tone + 1 < ToneCount && WaterfallToneX(hit.Tone + 1, plot.width()) <= x)
        ++hit.Tone;
    const int y = point.y() - plot.top();
    const auto& rows = grid.Rows();
    // Rows oldest first lie from the bottom up: the first row whose top is at or above y.
    const auto found = std::partition_point(rows.begin(), rows.end(), [&](const TWaterfallRow& row) {
        return RowEdgeY(row.EndUtcMs, grid, plot.height()) > y;
    });
    if (found == rows.end() || RowEdgeY(found->StartUtcMs, grid, plot.height()) <= y)
        return {};
    hit.Row = static_cast<int>(found - rows.begin());
    return hit;
}

QString WaterfallHoverText(const TWaterfallGrid& grid, const TWaterfallHit& hit, const QTimeZone& zone)
{
    if (!hit.Inside || hit.Row < 0 || hit.Row >= static_cast<int>(grid.Rows().size()) || hit.Tone < 0 ||
        hit.Tone >= ToneCount)
        return {};
    const TWaterfallRow& row = grid.Rows()[static_cast<std::size_t>(hit.Row)];
    const bool sameDay = QDateTime::fromMSecsSinceEpoch(row.StartUtcMs, zone).date() ==
                         QDateTime::fromMSecsSinceEpoch(row.EndUtcMs - 1, zone).date();
    QStringList lines;
    lines << TimeText(row.StartUtcMs, zone, true) + QStringLiteral(" - ") + TimeText(row.EndUtcMs, zone, !sameDay);
    lines << QString::fromStdString(ReadoutToneText(hit.Tone));
    lines << QString::fromStdString(ReadoutFrequencyText(hit.Tone));
    QString bits;
    switch (row.Kind) {
    case TWaterfallRowKind::wrReading: {
        const int value = row.Bits[static_cast<std::size_t>(hit.Tone)];
        bits =
            QString::number(value) + QStringFromUtf8(value == 1 ? design::WaterfallOneBit : design::WaterfallBitsUnit);
        if (row.Polls == 0)
            bits += QStringLiteral(" (") + QStringFromUtf8(design::WaterfallAsBefore) + QStringLiteral(")");
        else if (row.Readings > 1)
            bits += QStringLiteral(", ") + QStringFromUtf8(design::WaterfallLowestOf).arg(row.Readings);
        break;
    }
    case TWaterfallRowKind::wrFailed:
        bits = QStringFromUtf8(design::WaterfallLegendFailed);
        if (row.Polls > 1)
            bits += QStringLiteral(" (%1)").arg(row.Polls);
        break;
    case TWaterfallRowKind::wrNoPolls:
        bits = QStringFromUtf8(design::WaterfallLegendNoPolls);
        break;
    }
    lines << bits;
    return lines.join(QLatin1Char('\n'));
}

QFont StoryFont()
{
    QFont font(QStringFromUtf8(design::FontName));
    font.setPixelSize(design::FontPixelSize);
    return font;
}

QImage RenderWaterfall(const TWaterfallGrid& fine, QSize size, const QTimeZone& zone)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QFont font = StoryFont();
    const TWaterfallLayout layout = LayOutWaterfall(QRect(QPoint(0, 0), size), font);
    PaintWaterfall(painter, layout, fine.Combined(layout.Plot.height()), zone, font);
    return image;
}
