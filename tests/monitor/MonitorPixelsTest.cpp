// The monitor chart's pictures against stored reference pictures: the three
// tone ranges at the window's design size and at full-HD size, drawn as an
// export draws them, as the window paints them through its buffer (twice, so
// that a second pass on a reused buffer is checked too) and as the vector
// picture renders. Any change to the drawing pass that moves a single pixel
// fails here.
//
// The references were made from the drawing pass as it stood before its
// painter-state and allocation work; to make them again (only after a change
// that is meant to alter the picture), run this binary with
// QM_WRITE_MONITOR_REFERENCE=1 and commit the PNG files it writes.
#include "SampleTables.h"

#include "chart/BarSeries.h"
#include "chart/CustomChart.h"
#include "monitor/MonitorChart.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct Case {
    design::ToneRange range;
    const char* rangeName;
    int width;
    int height;
};

constexpr Case kCases[] = {
    {design::RangeLow, "0-255", 696, 237},      {design::RangeHigh, "256-512", 696, 237},
    {design::RangeAll, "0-512", 696, 237},      {design::RangeLow, "0-255", 1920, 1080},
    {design::RangeHigh, "256-512", 1920, 1080}, {design::RangeAll, "0-512", 1920, 1080},
};

QString ReferencePath(const Case& c, const char* kind)
{
    return QStringLiteral(QM_MONITOR_REFERENCE_DIR "/monitor-%1-%2x%3-%4.png")
        .arg(QString::fromLatin1(c.rangeName))
        .arg(c.width)
        .arg(c.height)
        .arg(QString::fromLatin1(kind));
}

bool Writing()
{
    const char* v = std::getenv("QM_WRITE_MONITOR_REFERENCE");
    return v != nullptr && *v != '\0' && *v != '0';
}

// Where the pictures differ: count and the first differing pixel, for the message.
std::string Difference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return "sizes differ";
    int count = 0;
    int firstX = -1, firstY = -1;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if ((actual.pixel(x, y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF)) {
                if (count++ == 0) {
                    firstX = x;
                    firstY = y;
                }
            }
    if (count == 0)
        return std::string();
    return std::to_string(count) + " pixels differ, first at (" + std::to_string(firstX) + ", " +
           std::to_string(firstY) + ")";
}

// Compares with the stored picture, or stores it when asked to.
void Check(const QImage& actual, const Case& c, const char* kind, const char* what)
{
    const QString path = ReferencePath(c, kind);
    if (Writing()) {
        QDir().mkpath(QStringLiteral(QM_MONITOR_REFERENCE_DIR));
        ASSERT_TRUE(actual.convertToFormat(QImage::Format_RGB32).save(path, "PNG")) << path.toStdString();
        return;
    }
    QImage expected(path);
    ASSERT_FALSE(expected.isNull()) << "missing reference " << path.toStdString();
    expected = expected.convertToFormat(QImage::Format_RGB32);
    const std::string diff = Difference(actual.convertToFormat(QImage::Format_RGB32), expected);
    EXPECT_TRUE(diff.empty()) << what << " " << c.rangeName << " at " << c.width << "x" << c.height << ": " << diff;
}

QImage RenderSvg(const QByteArray& svg, int width, int height)
{
    QSvgRenderer renderer(svg);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    renderer.render(&p);
    return image;
}

}  // namespace

TEST(MonitorReferencePictures, ExportAndWindowPaintMatchThem)
{
    const ToneBits table = sample::RealisticLine();
    for (const Case& c : kCases) {
        const QImage exported = RenderMonitorChart(table, c.range, c.width, c.height);
        Check(exported, c, "bitmap", "export");
        if (Writing())
            continue;

        // The window's way: a pass into the reused off-screen buffer, copied out.
        TCustomChart chart;
        chart.SetSize(c.width, c.height);
        TBarSeries& series = ConfigureMonitorChart(chart);
        PlotToneTable(chart, series, table, c.range);
        for (int pass = 1; pass <= 2; ++pass) {
            QImage window(c.width, c.height, QImage::Format_RGB32);
            window.fill(Qt::black);
            {
                QPainter painter(&window);
                chart.RequestRepaint();
                chart.WindowPaint(painter);
            }
            Check(window, c, "bitmap", pass == 1 ? "window paint" : "second window paint");
        }
    }
}

TEST(MonitorReferencePictures, VectorPictureRendersAsBefore)
{
    const ToneBits table = sample::RealisticLine();
    for (const Case& c : kCases) {
        if (c.width != 696)
            continue;  // one size suffices: the vector picture scales
        const QByteArray svg = RenderMonitorChartSvg(table, c.range, c.width, c.height);
        Check(RenderSvg(svg, c.width - 1, c.height - 1), c, "svg", "vector picture");
    }
}
