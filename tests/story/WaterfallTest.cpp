// The waterfall of a small generated history, read from a real store and
// drawn: a notch of ten tones is a band at exactly those tones in exactly
// those rows, a gap is rows without polls, and combining keeps the lowest bits.

#include "HistoryTestUtil.h"

#include "history/HistoryStore.h"
#include "story/BitsColourScale.h"
#include "story/HistoryPlotData.h"
#include "story/WaterfallView.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr std::int64_t Start = 1714532400000LL;  // 2024-05-01 03:00 UTC

// 120 polls a minute apart at 8 bits on tones 40..439; polls 40..59 lose
// tones 100..109; polls 80..89 were never made (a gap).
THistoryPlotData ReadGenerated(QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("w.sqlite"));
    THistoryStore store;
    EXPECT_TRUE(store.Open(path));
    std::vector<THistoryRecord> records;
    for (int n = 0; n < 120; ++n) {
        if (n >= 80 && n < 90)
            continue;
        records.push_back(GeneratedRecord(n));
        ToneBits bits{};
        for (int tone = 40; tone < 440; ++tone)
            bits[static_cast<std::size_t>(tone)] = 8;
        if (n >= 40 && n < 60)
            for (int tone = 100; tone < 110; ++tone)
                bits[static_cast<std::size_t>(tone)] = 0;
        records.back().Bits = bits;
        records.back().TimeUtcMs = Start + 60000LL * n;
    }
    EXPECT_TRUE(store.AppendAll(records));
    THistoryPlotData data;
    std::string error;
    EXPECT_TRUE(ReadHistoryPlotData(store, THistoryFilter::All(), data, error)) << error;
    return data;
}

}  // namespace

TEST(WaterfallTest, ANotchIsABandAtItsTonesInItsRowsAndAGapIsNoPolls)
{
    QTemporaryDir dir;
    const THistoryPlotData data = ReadGenerated(dir);
    const TWaterfallGrid& fine = data.Waterfall;
    ASSERT_EQ(fine.Polls(), 110);

    QImage image(900, 700, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QFont font = StoryFont();
    const TWaterfallLayout layout = LayOutWaterfall(image.rect(), font);
    const TWaterfallGrid grid = fine.Combined(layout.Plot.height());
    {
        QPainter painter(&image);
        PaintWaterfall(painter, layout, grid, QTimeZone::utc(), font);
    }
    const QRgb white = qRgb(255, 255, 255);
    const QRgb eight = BitsColour(8).rgb() | 0xFF000000u;
    const auto centreX = [&](int tone) {
        return layout.Plot.left() +
               (WaterfallToneX(tone, layout.Plot.width()) + WaterfallToneX(tone + 1, layout.Plot.width())) / 2;
    };
    int notchRows = 0, gapRows = 0, lineRows = 0;
    for (int y = layout.Plot.top(); y <= layout.Plot.bottom(); ++y) {
        const TWaterfallHit hit = HitWaterfall(layout, grid, QPoint(centreX(105), y));
        ASSERT_TRUE(hit.Inside) << y;
        const TWaterfallRow& row = grid.Rows()[static_cast<std::size_t>(hit.Row)];
        const std::int64_t middle = (row.StartUtcMs + row.EndUtcMs) / 2;
        const bool inNotch = middle >= Start + 40 * 60000LL && middle < Start + 60 * 60000LL;
        const bool inGap = middle > Start + 80 * 60000LL && middle < Start + 89 * 60000LL;
        const QRgb at105 = image.pixel(centreX(105), y) | 0xFF000000u;
        const QRgb at99 = image.pixel(centreX(99), y) | 0xFF000000u;
        const QRgb at110 = image.pixel(centreX(110), y) | 0xFF000000u;
        if (row.Kind == TWaterfallRowKind::wrNoPolls) {
            EXPECT_NE(at105, white) << y;
            EXPECT_NE(at105, eight) << y;
            gapRows += inGap ? 1 : 0;
            continue;
        }
        ASSERT_EQ(row.Kind, TWaterfallRowKind::wrReading) << y;
        EXPECT_FALSE(inGap) << y;
        // Pixel rows on the edge of the notch may hold a combined row.
        if (row.Bits[105] == 0) {
            ++notchRows;
            EXPECT_EQ(at105, white) << y;
        } else {
            ++lineRows;
            EXPECT_FALSE(inNotch) << y;
            EXPECT_EQ(at105, eight) << y;
        }
        // Next to the notch the line stands everywhere.
        EXPECT_EQ(at99, eight) << y;
        EXPECT_EQ(at110, eight) << y;
    }
    // The notch takes 20 of the 119 minutes, the gap about ten.
    const int height = layout.Plot.height();
    EXPECT_NEAR(notchRows, height * 20 / 119, 3);
    EXPECT_NEAR(gapRows, height * 9 / 119, 4);  // counted from 80 to 89 min
    EXPECT_GT(lineRows, height / 2);
}

TEST(WaterfallTest, CombiningKeepsALonePollsDip)
{
    TWaterfallBuilder builder(Start, Start + 1000 * 60000LL, 1024);
    ToneBits line{};
    for (int tone = 40; tone < 440; ++tone)
        line[static_cast<std::size_t>(tone)] = 8;
    for (int n = 0; n <= 1000; ++n) {
        ToneBits bits = line;
        if (n == 500)
            bits[300] = 2;  // one poll, one tone
        builder.Add(n + 1, Start + 60000LL * n, true, bits);
    }
    const TWaterfallGrid fine = builder.Finish({});
    for (const int rows : {1000, 200, 37, 5, 1}) {
        const TWaterfallGrid combined = fine.Combined(rows);
        ASSERT_LE(static_cast<int>(combined.Rows().size()), rows);
        int dips = 0;
        for (const TWaterfallRow& row : combined.Rows())
            dips += row.Bits[300] == 2 ? 1 : 0;
        EXPECT_EQ(dips, 1) << rows;
        EXPECT_EQ(combined.Polls(), 1001) << rows;
    }
}
