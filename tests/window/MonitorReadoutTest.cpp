// The hover readout over the main window's chart: the texts at real bar
// pixels, the idle texts, the application-wide crosshair, which bar is named
// where two bars' hit areas meet, and the tones of a past poll from the history.
#include "WindowTestUtil.h"

#include "chart/BarSeries.h"
#include "historywindow/HistoryWindow.h"
#include "monitor/MonitorDesign.h"
#include "routersim/RouterProfile.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

using windowtest::Seed;
using windowtest::TMonitorFixture;

constexpr QRgb Blue = 0xFF0000FF;
constexpr QRgb White = 0xFFFFFFFF;

bool Crosshair()
{
    return QGuiApplication::overrideCursor() != nullptr &&
           QGuiApplication::overrideCursor()->shape() == Qt::CrossCursor;
}

struct TReadout {
    QString Tone, Frequency, Bits;
    bool operator==(const TReadout&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TReadout& r)
{
    return out << '"' << r.Tone.toStdString() << "\" \"" << r.Frequency.toStdString() << "\" \"" << r.Bits.toStdString()
               << '"';
}

TReadout ReadoutOf(const TForm1& form)
{
    return {form.Label56->text(), form.Label57->text(), form.Label58->text()};
}

const TReadout Idle{"Tone number:", "Frequency:", "Bits:"};

// A pixel inside the drawn part of the bar at index: its left column, its top row.
QPoint DrawnPixel(TBarSeries& series, int index)
{
    return QPoint(series.PointPixelX(index), series.PointPixelY(index));
}

TEST(MonitorReadout, BeforeTheFirstPollEveryMoveGivesTheIdleTexts)
{
    TMonitorFixture f;
    f.PaintChart();
    for (const QPoint p : {QPoint(5, 5), QPoint(100, 200), QPoint(348, 118), QPoint(600, 210)}) {
        f.MoveMouse(p);
        EXPECT_EQ(ReadoutOf(*f.form), Idle) << p.x() << "," << p.y();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

TEST(MonitorReadout, TextsAtRealBarPixelsAndTheCrosshair)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    TBarSeries& series = *form.LineSeries18;
    const ToneBits bits = SimulatedBitLoading(Seed, 0);
    ASSERT_GE(bits[272], 2);
    ASSERT_GE(bits[64], 2);

    // Range "256 - 512": bar 16 is tone 272 at 1173 kHz.
    form.rb2->click();
    QImage chart = f.PaintChart();
    QPoint p = DrawnPixel(series, 16);
    ASSERT_EQ(chart.pixel(p), Blue);
    f.MoveMouse(p);
    EXPECT_EQ(ReadoutOf(form), (TReadout{"Tone number:   272", "Frequency:       1173 KHz",
                                         "Bits:                  " + QString::number(bits[272])}));
    EXPECT_TRUE(Crosshair());
    // The labels grew with their texts.
    EXPECT_GE(form.Label57->width(), form.Label57->fontMetrics().horizontalAdvance(form.Label57->text()));

    // Off the bars: the idle texts and the default cursor; the panel stays.
    f.MoveMouse(QPoint(3, 3));
    EXPECT_EQ(ReadoutOf(form), Idle);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(form.Panel35->isVisible());

    // Range "0 - 512": the bar of tone 64 at 276 kHz.
    form.rb3->click();
    chart = f.PaintChart();
    p = DrawnPixel(series, 64);
    ASSERT_EQ(chart.pixel(p), Blue);
    f.MoveMouse(p);
    EXPECT_EQ(ReadoutOf(form), (TReadout{"Tone number:   64", "Frequency:       276 KHz",
                                         "Bits:                  " + QString::number(bits[64])}));
    EXPECT_TRUE(Crosshair());

    // A poll leaves the crosshair as the readout last set it.
    form.Button1->click();
    EXPECT_TRUE(Crosshair());
    f.MoveMouse(QPoint(3, 3));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(MonitorReadout, TheDrawnBarWinsWhereTwoHitAreasMeet)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    TBarSeries& series = *form.LineSeries18;
    form.Button1->click();
    const QImage chart = f.PaintChart();
    const int width = series.BarPixelWidth();
    ASSERT_GE(width, 2);

    // Find two tall neighbours whose hit areas share a column: the right edge
    // of bar i - 1 is the left, drawn, column of bar i.
    int found = -1;
    for (int i = 40; i < 250 && found < 0; ++i)
        if (series.PointPixelX(i) == series.PointPixelX(i - 1) + width && series.YValues().ValueAt(i) >= 4 &&
            series.YValues().ValueAt(i - 1) >= 4)
            found = i;
    ASSERT_GE(found, 0);
    const int x = series.PointPixelX(found);
    const int y = std::max(series.PointPixelY(found), series.PointPixelY(found - 1)) + 1;
    ASSERT_EQ(chart.pixel(x, y), Blue);

    // The series' own hit test names the lower index; the readout names the drawn bar.
    EXPECT_EQ(series.PointAt(x, y), found - 1);
    EXPECT_EQ(series.DrawnBarAt(x, y), found);
    f.MoveMouse(QPoint(x, y));
    EXPECT_EQ(form.Label56->text(), "Tone number:   " + QString::number(found));

    // The column right of bar i - 1's drawn part shows no bar: the hit test stands.
    const TBarGeometry::TColumns drawn = series.ShownBars().DrawnColumns(found - 1);
    ASSERT_EQ(drawn.Last, series.PointPixelX(found - 1) + width - 2);
    const int gap = drawn.Last + 1;
    ASSERT_LT(gap, x);
    EXPECT_EQ(chart.pixel(gap, y), White);
    f.MoveMouse(QPoint(gap, y));
    EXPECT_EQ(form.Label56->text(), "Tone number:   " + QString::number(found - 1));
}

}  // namespace

// Every poll of the window is kept in the line history. A poll chosen in the
// history window is drawn over the range it was taken with, and the readout
// names its tones, whatever range button is selected now; the next poll
// returns to live data.
TEST(MonitorHistory, APastPollIsDrawnOverItsRangeAndTheReadoutNamesItsTones)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.rb2->click();  // poll 0 over "256 - 512"
    form.rb1->click();  // poll 1 over "0 - 255"
    EXPECT_EQ(form.StatusLine->text(), "Read 513 tones at 10:20:30");
    ASSERT_TRUE(QFile::exists(form.HistoryPath()));

    form.ShowHistory1->trigger();
    THistoryWindow* history = form.HistoryWindow();
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(history->isVisible());
    EXPECT_FALSE(history->isModal());
    ASSERT_EQ(history->Browser().Model().rowCount(), 2);

    // Newest first: row 1 is the poll over "256 - 512".
    ASSERT_TRUE(history->Browser().Choose(1));
    TBarSeries& series = *form.LineSeries18;
    ASSERT_EQ(series.PointCount(), 257);
    EXPECT_EQ(series.PointLabel(0), "256");
    EXPECT_EQ(form.Chart21->BottomAxis().Maximum(), 256.0);
    EXPECT_TRUE(form.rb1->isChecked());
    EXPECT_TRUE(form.StatusLine->text().startsWith("Showing a past poll of ")) << form.StatusLine->text().toStdString();
    EXPECT_EQ(f.simulator->PollsServed(), 2u);

    const ToneBits bits = SimulatedBitLoading(Seed, 0);
    f.PaintChart();
    f.MoveMouse(DrawnPixel(series, 16));
    EXPECT_EQ(ReadoutOf(form), (TReadout{"Tone number:   272", "Frequency:       1173 KHz",
                                         "Bits:                  " + QString::number(bits[272])}));

    // The next poll draws live data over the selected range and is kept too.
    form.Button1->click();
    EXPECT_EQ(series.PointCount(), 256);
    EXPECT_EQ(form.StatusLine->text(), "Read 513 tones at 10:20:30");
    EXPECT_EQ(history->Browser().Model().rowCount(), 3);
}
