// The waterfall against a small generated history in a real store: a notch
// of ten tones, a gap of hours, a run of failed polls and a one-poll dip
// show as such in the rows, in the combined rows and in the pixels of the
// rendered picture, and nowhere else; rows come out the same whatever the
// order of the polls; the hover text; the tone comparison by hand.
#include "HistoryTestUtil.h"

#include "story/BitsColourScale.h"
#include "story/HistoryPlotData.h"
#include "story/ToneComparison.h"
#include "story/WaterfallView.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

namespace {

constexpr std::int64_t Minute = 60000;
constexpr std::int64_t Hour = 60 * Minute;
// 2026-12-07T00:00:00Z, a Monday.
constexpr std::int64_t Start = 1796601600000LL;
constexpr int Polls = 320;
constexpr int NotchFirstPoll = 100, NotchLastPoll = 139;
constexpr int NotchFirstTone = 100, NotchLastTone = 109;
constexpr int GapAfterPoll = 200;
constexpr std::int64_t GapMs = 3 * Hour;
constexpr int FailedFirstPoll = 250, FailedLastPoll = 259;
constexpr int DipPoll = 300, DipTone = 400;

int BaseBits(int tone)
{
    return tone < 6 ? 0 : 2 + tone % 11;
}

std::int64_t PollTime(int n)
{
    return Start + Minute * n + (n > GapAfterPoll ? GapMs : 0);
}

bool PollFailed(int n)
{
    return n >= FailedFirstPoll && n <= FailedLastPoll;
}

ToneBits PollBits(int n)
{
    ToneBits bits{};
    for (int tone = 0; tone < ToneCount; ++tone)
        bits[static_cast<std::size_t>(tone)] = BaseBits(tone);
    if (n >= NotchFirstPoll && n <= NotchLastPoll)
        for (int tone = NotchFirstTone; tone <= NotchLastTone; ++tone)
            bits[static_cast<std::size_t>(tone)] = 0;
    if (n == DipPoll)
        bits[DipTone] = 1;
    return bits;
}

// What a row should show, worked out from the schedule of the polls alone:
// the lowest bits of the readings in its span, red when they all failed,
// nothing when there are none.
struct TExpectedRow {
    int Polls = 0;
    int Readings = 0;
    ToneBits Lowest{};
};

TExpectedRow Expected(std::int64_t start, std::int64_t end)
{
    TExpectedRow row;
    row.Lowest.fill(255);
    for (int n = 0; n < Polls; ++n) {
        if (PollTime(n) < start || PollTime(n) >= end)
            continue;
        ++row.Polls;
        if (PollFailed(n))
            continue;
        ++row.Readings;
        const ToneBits bits = PollBits(n);
        for (std::size_t tone = 0; tone < bits.size(); ++tone)
            row.Lowest[tone] = std::min(row.Lowest[tone], bits[tone]);
    }
    return row;
}

class WaterfallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(store.Open(dir.filePath(QStringLiteral("history.sqlite"))));
        std::vector<THistoryRecord> records;
        for (int n = 0; n < Polls; ++n) {
            THistoryRecord record = GeneratedRecord(n, !PollFailed(n));
            record.TimeUtcMs = PollTime(n);
            if (!PollFailed(n))
                record.Bits = PollBits(n);
            records.push_back(record);
        }
        ASSERT_TRUE(store.AppendAll(records)) << store.LastError();
        std::string error;
        ASSERT_TRUE(ReadHistoryPlotData(store, THistoryFilter::All(), data, error)) << error;
    }

    const TWaterfallRow& RowAt(const TWaterfallGrid& grid, std::int64_t t)
    {
        const int index = grid.RowAt(t);
        EXPECT_GE(index, 0);
        return grid.Rows()[static_cast<std::size_t>(std::max(0, index))];
    }

    QTemporaryDir dir;
    THistoryStore store;
    THistoryPlotData data;
};

TEST_F(WaterfallTest, RowsShowTheNotchTheGapAndTheFailedRun)
{
    const TWaterfallGrid& grid = data.Waterfall;
    EXPECT_EQ(data.FromUtcMs, PollTime(0));
    EXPECT_EQ(data.ToUtcMs, PollTime(Polls - 1));
    EXPECT_EQ(grid.Polls(), Polls);
    // Eight and a third hours fit 4096 rows of 15 s, not of 5 s.
    EXPECT_EQ(grid.RowDurationMs(), 15000);
    EXPECT_LE(grid.Rows().size(), static_cast<std::size_t>(design::WaterfallMaxRows));
    EXPECT_EQ(grid.Rows().front().StartUtcMs, PollTime(0));
    EXPECT_GE(grid.Rows().back().EndUtcMs, PollTime(Polls - 1));
    // A poll's own row, with the ids of the poll.
    const TWaterfallRow& notched = RowAt(grid, PollTime(120));
    EXPECT_EQ(notched.Kind, TWaterfallRowKind::wrReading);
    EXPECT_EQ(notched.Polls, 1);
    EXPECT_EQ(notched.FirstId, 121);
    EXPECT_EQ(notched.LastId, 121);
    // 45 s after it, no poll: the line as last seen, not a gap.
    const TWaterfallRow& between = RowAt(grid, PollTime(120) + 45000);
    EXPECT_EQ(between.Kind, TWaterfallRowKind::wrReading);
    EXPECT_EQ(between.Polls, 0);
    for (const TWaterfallRow* row : {&notched, &between})
        for (int tone = 0; tone < ToneCount; ++tone) {
            const bool inNotch = tone >= NotchFirstTone && tone <= NotchLastTone;
            ASSERT_EQ(row->Bits[static_cast<std::size_t>(tone)], inNotch ? 0 : BaseBits(tone)) << tone;
        }
    EXPECT_EQ(RowAt(grid, PollTime(NotchLastPoll + 1)).Bits[NotchFirstTone], BaseBits(NotchFirstTone));
    // Every row strictly inside the gap has no polls; the rows of the polls at its ends are readings.
    EXPECT_EQ(RowAt(grid, PollTime(GapAfterPoll)).Kind, TWaterfallRowKind::wrReading);
    EXPECT_EQ(RowAt(grid, PollTime(GapAfterPoll + 1)).Kind, TWaterfallRowKind::wrReading);
    int gapRows = 0;
    for (const TWaterfallRow& row : grid.Rows())
        if (row.StartUtcMs > PollTime(GapAfterPoll) && row.EndUtcMs <= PollTime(GapAfterPoll + 1)) {
            ASSERT_EQ(row.Kind, TWaterfallRowKind::wrNoPolls) << row.StartUtcMs;
            ++gapRows;
        }
    EXPECT_EQ(gapRows, (GapMs + Minute) / 15000 - 1);
    // The failed run, between its polls too; the first reading after it ends it.
    for (int n = FailedFirstPoll; n <= FailedLastPoll; ++n) {
        EXPECT_EQ(RowAt(grid, PollTime(n)).Kind, TWaterfallRowKind::wrFailed);
        EXPECT_EQ(RowAt(grid, PollTime(n) + 30000).Kind, TWaterfallRowKind::wrFailed);
    }
    EXPECT_EQ(RowAt(grid, PollTime(FailedLastPoll + 1)).Kind, TWaterfallRowKind::wrReading);
    EXPECT_EQ(RowAt(grid, PollTime(DipPoll)).Bits[DipTone], 1);
    EXPECT_EQ(RowAt(grid, PollTime(DipPoll + 1)).Bits[DipTone], BaseBits(DipTone));
}

TEST_F(WaterfallTest, CombinedRowsKeepTheLowestBitsAndCountEveryPoll)
{
    const TWaterfallGrid combined = data.Waterfall.Combined(40);
    // 8 h 20 min in at most 40 rows: 15 min each (the chain skips 10 min).
    EXPECT_EQ(combined.RowDurationMs(), 15 * Minute);
    EXPECT_EQ(combined.RowNote(), QStringLiteral("each row: 15 min, the lowest bits of the polls in it"));
    EXPECT_LE(combined.Rows().size(), 40u);
    int polls = 0;
    for (const TWaterfallRow& row : combined.Rows()) {
        polls += row.Polls;
        const TExpectedRow expected = Expected(row.StartUtcMs, row.EndUtcMs);
        ASSERT_EQ(row.Polls, expected.Polls);
        ASSERT_EQ(row.Readings, expected.Readings);
        if (expected.Readings > 0) {
            ASSERT_EQ(row.Kind, TWaterfallRowKind::wrReading);
            for (int tone = 0; tone < ToneCount; ++tone)
                ASSERT_EQ(row.Bits[static_cast<std::size_t>(tone)], expected.Lowest[static_cast<std::size_t>(tone)])
                    << "tone " << tone << " row " << row.StartUtcMs;
        } else if (expected.Polls > 0) {
            ASSERT_EQ(row.Kind, TWaterfallRowKind::wrFailed);
        } else {
            ASSERT_EQ(row.Kind, TWaterfallRowKind::wrNoPolls);
        }
    }
    EXPECT_EQ(polls, Polls);
    // The one-poll dip survives.
    EXPECT_EQ(RowAt(combined, PollTime(DipPoll)).Bits[DipTone], 1);
    // Combined again, and to one row: still the lowest, never a row lost.
    const TWaterfallGrid one = combined.Combined(1);
    ASSERT_EQ(one.Rows().size(), 1u);
    EXPECT_EQ(one.Rows()[0].Polls, Polls);
    EXPECT_EQ(one.Rows()[0].Bits[DipTone], 1);
    EXPECT_EQ(one.Rows()[0].Bits[NotchFirstTone], 0);
    EXPECT_EQ(one.Rows()[0].FirstId, 1);
    EXPECT_EQ(one.Rows()[0].LastId, Polls);
}

TEST_F(WaterfallTest, RenderedPixelsShowEachRowAtItsTonesAndNowhereElse)
{
    const QSize size(1000, 700);
    const QImage image = RenderWaterfall(data.Waterfall, size, QTimeZone::utc());
    const TWaterfallLayout layout = LayOutWaterfall(QRect(QPoint(0, 0), size), StoryFont());
    const TWaterfallGrid shown = data.Waterfall.Combined(layout.Plot.height());
    ASSERT_GT(layout.Plot.width(), ToneCount);
    // About 500 rows of 1 min: one poll each, but for the gap.
    EXPECT_EQ(shown.RowDurationMs(), Minute);
    const QRgb failed = FailedPollColour().rgb();
    const QRgb hatch = QColor(0xAA, 0xAA, 0xAA).rgb();
    std::vector<int> pixelRows(shown.Rows().size(), 0);
    int previousRow = static_cast<int>(shown.Rows().size());
    int notchPixels = 0;
    for (int y = layout.Plot.top(); y <= layout.Plot.bottom(); ++y) {
        const TWaterfallHit first = HitWaterfall(layout, shown, QPoint(layout.Plot.left(), y));
        ASSERT_TRUE(first.Inside) << y;
        ASSERT_GE(first.Row, 0) << "a pixel row shows no row: " << y;
        // Newest on top: rows go back in time downwards, each at its own pixels.
        ASSERT_LE(first.Row, previousRow);
        previousRow = first.Row;
        ++pixelRows[static_cast<std::size_t>(first.Row)];
        const TWaterfallRow& row = shown.Rows()[static_cast<std::size_t>(first.Row)];
        const TExpectedRow expected = Expected(row.StartUtcMs, row.EndUtcMs);
        for (int x = layout.Plot.left(); x <= layout.Plot.right(); ++x) {
            const TWaterfallHit hit = HitWaterfall(layout, shown, QPoint(x, y));
            const QRgb pixel = image.pixel(x, y);
            const int tone = hit.Tone;
            if (expected.Readings > 0) {
                const int bits = expected.Lowest[static_cast<std::size_t>(tone)];
                ASSERT_EQ(pixel, BitsColour(bits).rgb()) << "x " << x << " y " << y << " tone " << tone;
                if (bits == 0 && tone >= NotchFirstTone && tone <= NotchLastTone)
                    ++notchPixels;
            } else if (expected.Polls > 0) {
                ASSERT_EQ(pixel, failed) << x << "," << y;
            } else {
                ASSERT_TRUE(pixel == NoPollColour().rgb() || pixel == hatch) << x << "," << y;
            }
        }
    }
    // No row dropped.
    for (std::size_t index = 0; index < pixelRows.size(); ++index)
        ASSERT_GT(pixelRows[index], 0) << "row " << index << " not drawn";
    // The notch: its columns in its rows, as wide as ten tones.
    const int columns =
        WaterfallToneX(NotchLastTone + 1, layout.Plot.width()) - WaterfallToneX(NotchFirstTone, layout.Plot.width());
    int notchRows = 0;
    for (std::size_t index = 0; index < shown.Rows().size(); ++index)
        if (Expected(shown.Rows()[index].StartUtcMs, shown.Rows()[index].EndUtcMs).Lowest[NotchFirstTone] == 0)
            notchRows += pixelRows[index];
    EXPECT_EQ(notchPixels, columns * notchRows);
    EXPECT_GT(notchRows, 0);
    // The note is on screen.
    EXPECT_EQ(shown.RowNote(), QStringLiteral("each row: 1 min, the lowest bits of the polls in it"));
}

TEST_F(WaterfallTest, PollsInAnyOrderGiveTheSameRows)
{
    std::vector<int> order(Polls);
    for (int n = 0; n < Polls; ++n)
        order[static_cast<std::size_t>(n)] = n;
    std::mt19937 random(17);
    std::shuffle(order.begin(), order.end(), random);
    TWaterfallBuilder builder(PollTime(0), PollTime(Polls - 1));
    for (const int n : order)
        builder.Add(n + 1, PollTime(n), !PollFailed(n), PollBits(n));
    // Outside the period: left out.
    builder.Add(9999, PollTime(0) - 1, true, ToneBits{});
    const TWaterfallGrid grid = builder.Finish(data.Events);
    ASSERT_EQ(grid.Rows().size(), data.Waterfall.Rows().size());
    for (std::size_t index = 0; index < grid.Rows().size(); ++index) {
        const TWaterfallRow& a = grid.Rows()[index];
        const TWaterfallRow& b = data.Waterfall.Rows()[index];
        ASSERT_EQ(a.Kind, b.Kind) << index;
        ASSERT_EQ(a.Polls, b.Polls) << index;
        ASSERT_EQ(a.FirstId, b.FirstId) << index;
        ASSERT_EQ(a.Bits, b.Bits) << index;
    }
    // A year of one poll a minute stays within the rows it may keep.
    const std::int64_t year = 365 * 24 * Hour;
    TWaterfallBuilder long_(Start, Start + year);
    const ToneBits bits = PollBits(0);
    for (std::int64_t t = Start; t <= Start + year; t += Minute)
        long_.Add(t, t, true, bits);
    const TWaterfallGrid yearGrid = long_.Finish({});
    EXPECT_LE(yearGrid.Rows().size(), static_cast<std::size_t>(design::WaterfallMaxRows));
    EXPECT_EQ(yearGrid.RowDurationMs(), 3 * Hour);
    EXPECT_EQ(yearGrid.Polls(), year / Minute + 1);
}

TEST_F(WaterfallTest, HoverTellsTimeToneFrequencyAndBits)
{
    const QSize size(1000, 700);
    const TWaterfallLayout layout = LayOutWaterfall(QRect(QPoint(0, 0), size), StoryFont());
    const TWaterfallGrid combined = data.Waterfall.Combined(40);
    const int rowIndex = combined.RowAt(PollTime(DipPoll));
    TWaterfallHit hit{true, DipTone, rowIndex};
    const QString text = WaterfallHoverText(combined, hit, QTimeZone::utc());
    // Poll 300 at 3 h after the gap: 08:00 UTC on Monday 7 December; its row 08:00 - 08:15.
    EXPECT_EQ(text, QStringLiteral("Mon 7 Dec 2026 08:00:00 - 08:15:00\nTone number:   400\n"
                                   "Frequency:       1725 KHz\n1 bit, lowest of 15 polls"));
    const int failedRow = data.Waterfall.RowAt(PollTime(FailedFirstPoll));
    EXPECT_TRUE(WaterfallHoverText(data.Waterfall, {true, 0, failedRow}, QTimeZone::utc()).endsWith("failed poll"));
    const int gapRow = data.Waterfall.RowAt(PollTime(GapAfterPoll) + Hour);
    EXPECT_TRUE(WaterfallHoverText(data.Waterfall, {true, 0, gapRow}, QTimeZone::utc()).endsWith("no polls"));
    EXPECT_TRUE(WaterfallHoverText(data.Waterfall, {}, QTimeZone::utc()).isEmpty());
    // Outside the plot, nothing is hit.
    EXPECT_FALSE(HitWaterfall(layout, combined, layout.Bounds.topLeft()).Inside);
}

TEST(ToneComparisonTest, CountsMatchAHandCount)
{
    ToneBits before{};
    ToneBits after{};
    before[10] = 5;  // lost (5 bits, one tone)
    before[11] = 4;  // 4 -> 6: 2 bits gained
    after[11] = 6;
    before[12] = 9;  // 9 -> 3: 6 bits lost
    after[12] = 3;
    after[13] = 7;   // gained (7 bits, one tone)
    before[14] = 2;  // unchanged
    after[14] = 2;
    const TToneComparison comparison = CompareTones(before, after);
    EXPECT_EQ(comparison.TotalBefore, 20);
    EXPECT_EQ(comparison.TotalAfter, 18);
    EXPECT_EQ(comparison.BitsGained, 9);
    EXPECT_EQ(comparison.BitsLost, 11);
    EXPECT_EQ(comparison.TonesGained, 1);
    EXPECT_EQ(comparison.TonesLost, 1);
    EXPECT_EQ(comparison.Difference[10], -5);
    EXPECT_EQ(comparison.Difference[13], 7);
    EXPECT_EQ(comparison.TotalAfter - comparison.TotalBefore, comparison.BitsGained - comparison.BitsLost);

    // Extreme values from a hostile reply: the difference saturates, the sums stay exact.
    ToneBits low{};
    ToneBits high{};
    low[0] = std::numeric_limits<std::int32_t>::min();
    high[0] = std::numeric_limits<std::int32_t>::max();
    const TToneComparison up = CompareTones(low, high);
    EXPECT_EQ(up.Difference[0], std::numeric_limits<int>::max());
    EXPECT_EQ(up.BitsGained, 4294967295LL);
    const TToneComparison down = CompareTones(high, low);
    EXPECT_EQ(down.Difference[0], std::numeric_limits<int>::min());
    EXPECT_EQ(down.BitsLost, 4294967295LL);
}

}  // namespace
