// The monitor's chart: design values, the drawing of a tone table and
// rendering without a window.
#include "monitor/MonitorChart.h"

#include "chart/BarSeries.h"
#include "chart/CustomChart.h"

#include "io/AtomicFile.h"

#include <QBuffer>
#include <string>

namespace {

void ApplyAxisDesign(TChartAxis& axis)
{
    // All three axes run on manual scales with a light grid.
    axis.SetAutomatic(false);
    axis.SetAutomaticMaximum(false);
    axis.SetAutomaticMinimum(false);
    axis.Grid().SetColor(design::ColorGridGrey);
}

void SetArial8(TChartFont& font, TColor color)
{
    font.SetName(std::string(design::FontName));
    font.SetSize(design::FontPointSize);
    font.SetColor(color);
}

}  // namespace

void ApplyMonitorChartDesign(TCustomChart& chart)
{
    // Values are applied as a stored design is: the axes accept their ends in
    // any order while loading.
    chart.BeginLoading();

    // Panel.
    chart.SetTag(design::Chart21Tag);
    chart.SetAllowPanning(pmNone);
    chart.SetAllowZoom(false);
    chart.SetBackColor(design::ChartBackColor);
    chart.BackWall().SetColor(design::ChartBackColor);
    chart.BackWall().Brush().SetColor(design::ChartBackColor);
    chart.SetMarginLeft(design::ChartMarginLeft);
    chart.SetMarginBottom(design::ChartMarginBottom);
    chart.SetMarginRight(design::ChartMarginRight);
    chart.SetMarginTop(design::ChartMarginTop);
    chart.Title().SetAdjustFrame(false);
    chart.Title().SetText({std::string()});  // one empty line: room above the plot, no glyphs
    chart.SetChart3DPercent(design::ChartChart3DPercent);
    chart.SetView3D(false);
    chart.View3DOptions().SetPerspective(design::ChartPerspective);
    chart.SetMaxPointsPerPage(design::ChartMaxPointsPerPage);
    chart.SetScaleLastPage(false);
    chart.SetBevelInner(bvLowered);

    // Legend (invisible).
    chart.Legend().SetVisible(false);
    chart.Legend().SetAlignment(laLeft);
    chart.Legend().SetTopPos(design::LegendTopPos);
    SetArial8(chart.Legend().Font(), design::LegendFontColor);

    // Bottom axis: tone labels of the bars, rotated.
    TChartAxis& bottom = chart.BottomAxis();
    ApplyAxisDesign(bottom);
    bottom.SetMinimum(design::BottomMinimum);
    bottom.SetMaximum(design::BottomMaximum);
    bottom.SetIncrement(design::BottomIncrement);
    bottom.SetLabelStyle(talText);
    bottom.SetLabelsAngle(design::BottomLabelsAngle);
    bottom.SetLabelsSize(design::BottomLabelsSize);
    bottom.SetRoundFirstLabel(false);
    bottom.SetExactDateTime(false);
    bottom.SetDateTimeFormat(std::string(design::BottomDateTimeFormat));
    bottom.SetMinorTickCount(design::BottomMinorTickCount);
    bottom.SetTickLength(design::BottomTickLength);
    bottom.TicksInner().SetVisible(false);
    bottom.Axis().SetWidth(1);
    bottom.Axis().SetVisible(false);
    bottom.Grid().SetStyle(psSolid);
    bottom.SetStartPosition(design::BottomStartPosition);
    bottom.SetEndPosition(design::BottomEndPosition);
    bottom.Title().SetCaption(std::string(design::BottomTitle));

    // Left axis: bits 0..16.
    TChartAxis& left = chart.LeftAxis();
    ApplyAxisDesign(left);
    left.SetMinimum(design::LeftMinimum);
    left.SetMaximum(design::LeftMaximum);
    left.SetExactDateTime(false);
    left.Axis().SetWidth(1);
    left.Axis().SetVisible(false);
    left.Grid().SetStyle(psSolid);
    left.TicksInner().SetVisible(false);
    left.SetStartPosition(design::LeftStartPosition);
    left.SetEndPosition(design::LeftEndPosition);
    left.Title().SetCaption(std::string(design::LeftTitle));

    // Right axis: set up but never shown, as no series uses it; what is not
    // set here keeps the class defaults.
    TChartAxis& right = chart.RightAxis();
    ApplyAxisDesign(right);
    right.SetMinimum(design::RightMinimum);
    right.SetMaximum(design::RightMaximum);
    right.Grid().SetVisible(false);
    right.Grid().SetStyle(psDash);
    right.SetLabelsSeparation(design::RightLabelsSeparation);
    SetArial8(right.LabelsFont(), design::RightFontColor);
    right.LabelsFont().SetHeight(design::RightFontHeight);
    right.Title().SetCaption(std::string(design::RightTitle));
    SetArial8(right.Title().Font(), design::RightFontColor);

    chart.EndLoading();
    chart.RequestRepaint();
}

TBarSeries& ConfigureMonitorChart(TCustomChart& chart)
{
    ApplyMonitorChartDesign(chart);
    chart.BeginLoading();

    // LineSeries18: every bar carries its own colour.
    auto* series = new TBarSeries;
    series->SetSeriesColor(design::SeriesColor);
    series->SetBarWidthPercent(design::BarWidthPercent);
    series->SetOffsetPercent(design::BarOffsetPercent);
    series->SetMultiBar(mbNone);
    series->BarBrush().SetColor(design::BarBrushColor);
    series->BarPen().SetVisible(false);
    series->BarPen().SetColor(design::BarPenColor);
    series->BarPen().SetWidth(design::BarPenWidth);
    series->Marks().SetVisible(false);
    series->Marks().SetStyle(smsValue);
    series->Marks().SetTransparent(true);
    series->Marks().SetArrowLength(design::MarksArrowLength);
    series->XValues().SetName(std::string(design::XValuesName));
    series->XValues().SetOrder(loAscending);
    series->XValues().SetMultiplier(1.0);
    series->XValues().SetDateTime(false);
    series->YValues().SetName(std::string(design::YValuesName));
    series->YValues().SetOrder(loNone);
    series->YValues().SetMultiplier(1.0);
    series->YValues().SetDateTime(false);
    series->SetParentChart(&chart);

    chart.EndLoading();
    chart.RequestRepaint();
    return *series;
}

void ApplyToneRange(TCustomChart& chart, const design::ToneRange& range)
{
    chart.BottomAxis().SetMaximum(range.AxisMaximum());
}

void PlotToneBars(TBarSeries& series, const ToneBits& bits, const design::ToneRange& range)
{
    series.ClearPoints();
    for (int tone = range.FirstTone; tone <= range.LastTone; ++tone)
        series.AddBarPoint(bits[static_cast<std::size_t>(tone)], std::to_string(tone), design::ToneColor(tone));
}

void PlotToneTable(TCustomChart& chart, TBarSeries& series, const ToneBits& bits, const design::ToneRange& range)
{
    ApplyToneRange(chart, range);
    PlotToneBars(series, bits, range);
}

namespace {

// A chart of the given size holding the table, as the main window would hold it.
struct HeadlessChart {
    TCustomChart chart;
    TBarSeries* series;

    HeadlessChart(const ToneBits& bits, const design::ToneRange& range, int width, int height)
    {
        chart.SetSize(width, height);
        series = &ConfigureMonitorChart(chart);
        PlotToneTable(chart, *series, bits, range);
    }
};

bool WriteFile(const QString& fileName, const QByteArray& data, QString& error)
{
    std::string reason;
    if (!WriteFileAtomically(fileName.toStdString(), std::string_view(data.constData(), data.size()), reason)) {
        error = QStringLiteral("cannot write %1: %2").arg(fileName, QString::fromStdString(reason));
        return false;
    }
    return true;
}

}  // namespace

QImage RenderMonitorChart(const ToneBits& bits, const design::ToneRange& range, int width, int height)
{
    HeadlessChart h(bits, range, width, height);
    return h.chart.RenderBitmap(h.chart.BackColor(), h.chart.PanelRect());
}

void PaintMonitorChart(QPainter& painter, const QRect& target, const ToneBits& bits, const design::ToneRange& range)
{
    HeadlessChart h(bits, range, target.width(), target.height());
    painter.save();
    painter.translate(target.topLeft());
    h.chart.PaintToMetafile(painter, h.chart.PanelRect());
    painter.restore();
}

QByteArray RenderMonitorChartSvg(const ToneBits& bits, const design::ToneRange& range, int width, int height)
{
    HeadlessChart h(bits, range, width, height);
    return h.chart.RenderMetafile(true, h.chart.PanelRect()).Svg;
}

bool SavePng(const QImage& image, const QString& fileName, QString& error)
{
    if (image.isNull()) {
        error = QStringLiteral("cannot write %1: image too large for memory").arg(fileName);
        return false;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        error = QStringLiteral("cannot write %1: the picture could not be encoded as PNG").arg(fileName);
        return false;
    }
    return WriteFile(fileName, png, error);
}

bool SaveMonitorChartPng(const ToneBits& bits, const design::ToneRange& range, int width, int height,
                         const QString& fileName, QString& error)
{
    return SavePng(RenderMonitorChart(bits, range, width, height), fileName, error);
}

bool SaveMonitorChartSvg(const ToneBits& bits, const design::ToneRange& range, int width, int height,
                         const QString& fileName, QString& error)
{
    return WriteFile(fileName, RenderMonitorChartSvg(bits, range, width, height), error);
}
