#include "report/HistoryReport.h"

#include "app/LineEvents.h"
#include "chart/BarSeries.h"
#include "chart/CustomChart.h"
#include "history/HistoryTime.h"
#include "io/AtomicFile.h"
#include "monitor/HistoryDesign.h"
#include "monitor/MonitorChart.h"
#include "report/ReportFigures.h"
#include "story/HistoryPlots.h"
#include "story/TimePlotView.h"
#include "story/WaterfallView.h"
#include "text/QtText.h"

#include <QBuffer>
#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <array>

namespace {

// The page is laid out at screen resolution: one unit is one pixel at 96 dpi,
// so that the views draw at the sizes the window gives them.
constexpr int Dpi = 96;
constexpr int Margin = 40;

std::int64_t TotalOf(const ToneBits& bits)
{
    std::int64_t total = 0;
    for (const std::int32_t b : bits)
        total += std::max(0, b);
    return total;
}

// What the report is drawn from.
struct TReportContent {
    THistoryPlotData Data;
    TReportFigures Figures;
    QString Host;
    THistoryRecord Latest;
    THistoryRecord BeforeLoss;
    bool HasLatest = false;
    bool HasBeforeLoss = false;
    std::int64_t WrittenUtcMs = 0;
};

class TReportPages {
public:
    TReportPages(QPdfWriter& writer, QPainter& painter, const QTimeZone& zone)
        : fWriter(writer), fPainter(painter), fZone(zone)
    {
        fFont = StoryFont();
        fPageWidth = writer.width();
        fPageHeight = writer.height();
        fY = Margin;
    }

    // --- actions ---------------------------------------------------------------------------
    void NewPage()
    {
        fWriter.newPage();
        fY = Margin;
    }
    // Room for height more units on this page, or a new page.
    void Need(int height)
    {
        if (fY + height > fPageHeight - Margin)
            NewPage();
    }
    void Text(const QString& text, int pixelSize = 11, bool bold = false)
    {
        QFont font = fFont;
        font.setPixelSize(pixelSize);
        font.setBold(bold);
        const QFontMetrics metrics(font);
        Need(metrics.height() + 2);
        fPainter.setFont(font);
        fPainter.setPen(Qt::black);
        fPainter.drawText(QRect(Margin, fY, Width(), metrics.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
        fY += metrics.height() + 2;
    }
    void Space(int height) { fY += height; }
    // A rectangle of the given height across the page, on this page or the next.
    QRect Block(int height)
    {
        Need(height);
        const QRect block(Margin, fY, Width(), height);
        fY += height + 8;
        return block;
    }
    QString Time(std::int64_t utcMs) const { return FormatTimeIn(utcMs, fZone); }

    // --- getters ---------------------------------------------------------------------------
    int Width() const { return fPageWidth - 2 * Margin; }
    const QFont& Font() const { return fFont; }
    QPainter& Painter() { return fPainter; }

private:
    // --- data ------------------------------------------------------------------------------
    QPdfWriter& fWriter;
    QPainter& fPainter;
    QTimeZone fZone;
    QFont fFont;
    int fPageWidth = 0;
    int fPageHeight = 0;
    int fY = 0;
};

QString ZoneName(const QTimeZone& zone, std::int64_t atUtcMs)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(atUtcMs, zone);
    const QString id = QString::fromUtf8(zone.id());
    const QString abbreviation = zone.abbreviation(at);
    return abbreviation.isEmpty() || abbreviation == id ? id : id + QStringLiteral(" (") + abbreviation + ')';
}

void DrawEventsTable(TReportPages& pages, const THistoryPlotData& data)
{
    pages.Text(QStringLiteral("Line events"), 14, true);
    if (data.Events.empty()) {
        pages.Text(QStringFromUtf8(design::HistoryNoEvents));
        return;
    }
    // Start, end, event, tones, polls, detail.
    constexpr std::array<int, 6> Widths{125, 125, 90, 60, 45, 0};
    QFont font = pages.Font();
    const QFontMetrics metrics(font);
    const int row = metrics.height() + 3;
    const auto drawRow = [&](const std::array<QString, 6>& cells, bool bold) {
        const QRect line = pages.Block(row - 8);  // Block leaves 8 below; rows sit closer
        QPainter& painter = pages.Painter();
        QFont f = font;
        f.setBold(bold);
        painter.setFont(f);
        int x = line.left();
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const int w = Widths[c] > 0 ? Widths[c] : line.right() - x;
            painter.drawText(QRect(x, line.top(), w - 4, row), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             QFontMetrics(f).elidedText(cells[c], Qt::ElideRight, w - 4));
            x += w;
        }
    };
    const auto header = [&] {
        drawRow({QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Event"), QStringLiteral("Tones"),
                 QStringLiteral("Polls"), QStringLiteral("Detail")},
                true);
    };
    header();
    const bool withHost = data.EventHosts > 1;
    for (const THostLineEvent& e : data.Events) {
        const TLineEvent& event = e.Event;
        std::string detail = LineEventDetail(event);
        if (withHost)
            detail = "host " + e.Host + (detail.empty() ? "" : "; " + detail);
        const QString tones =
            event.FirstTone < 0 ? QString() : QStringLiteral("%1-%2").arg(event.FirstTone).arg(event.LastTone);
        drawRow({pages.Time(event.StartUtcMs), pages.Time(event.EndUtcMs),
                 QStringFromUtf8(LineEventKindName(event.Kind)), tones, QString::number(event.Polls()),
                 QStringFromUtf8(detail)},
                false);
    }
}

void DrawReport(TReportPages& pages, const TReportContent& content, const QTimeZone& zone)
{
    const TReportFigures& f = content.Figures;
    pages.Text(QStringLiteral("Line report"), 22, true);
    pages.Space(4);
    pages.Text(QStringLiteral("Host: %1").arg(content.Host.isEmpty() ? QStringLiteral("(no polls)") : content.Host));
    pages.Text(QStringLiteral("Period: from %1 to %2").arg(pages.Time(f.FromUtcMs), pages.Time(f.ToUtcMs)));
    pages.Text(QStringLiteral("Times in %1").arg(ZoneName(zone, f.ToUtcMs)));
    pages.Text(QStringLiteral("Written %1 by quillmont-monitor").arg(pages.Time(content.WrittenUtcMs)));
    pages.Space(8);

    pages.Text(QStringLiteral("Figures"), 14, true);
    pages.Text(QStringLiteral("Polls: %1").arg(GroupedNumber(f.Polls)));
    pages.Text(QStringLiteral("Readings: %1").arg(GroupedNumber(f.Readings)));
    pages.Text(QStringLiteral("Failed polls: %1").arg(GroupedNumber(f.FailedPolls)));
    pages.Text(QStringLiteral("Time without polls: %1").arg(QStringFromUtf8(DurationText(f.NoPollsMs))));
    pages.Text(QStringLiteral("Line-down time: %1").arg(QStringFromUtf8(DurationText(f.LineDownMs))));
    pages.Text(QStringLiteral("Line events: %1").arg(GroupedNumber(f.Events)));
    if (f.HasLoss)
        pages.Text(QStringLiteral("Largest loss: %1 bits (%2 to %3) between %4 and %5")
                       .arg(GroupedNumber(f.LossBits), GroupedNumber(f.LossBeforeTotal),
                            GroupedNumber(f.LossAfterTotal), pages.Time(f.LossBeforeUtcMs),
                            pages.Time(f.LossAfterUtcMs)));
    else
        pages.Text(QStringLiteral("Largest loss: no loss"));
    pages.Space(8);

    // Total bits over time, then the waterfall.
    TTimePlotData plot;
    plot.Points = content.Data.TotalBits;
    plot.Events = content.Data.Events;
    plot.FromUtcMs = f.FromUtcMs;
    plot.ToUtcMs = std::max(f.ToUtcMs, f.FromUtcMs + 1);
    const QRect plotRect = pages.Block(230);
    PaintTimePlot(pages.Painter(), LayOutTimePlot(plotRect, pages.Font(), plot), plot, zone, pages.Font());

    pages.Text(QStringFromUtf8(design::WaterfallTitle), 14, true);
    const QRect waterfallRect = pages.Block(420);
    const TWaterfallLayout waterfall = LayOutWaterfall(waterfallRect, pages.Font());
    PaintWaterfall(pages.Painter(), waterfall, content.Data.Waterfall.Combined(std::max(1, waterfall.Plot.height())),
                   zone, pages.Font());

    // Changes per tone, on the chart engine drawn as vectors.
    pages.NewPage();
    pages.Text(QStringFromUtf8(design::ChangeCountTitle), 14, true);
    {
        const QRect rect = pages.Block(220);
        TCustomChart chart;
        chart.SetSize(rect.width(), rect.height());
        TBarSeries& series = ConfigureChangeCountChart(chart);
        PlotChangeCounts(chart, series, content.Data.ChangesPerTone);
        QPainter& painter = pages.Painter();
        painter.save();
        painter.translate(rect.topLeft());
        chart.PaintToMetafile(painter, chart.PanelRect());
        painter.restore();
    }

    // The main chart of the latest reading and of the reading before the largest loss.
    const auto mainChart = [&](const QString& caption, const THistoryRecord& record) {
        pages.Text(caption, 14, true);
        PaintMonitorChart(pages.Painter(), pages.Block(260), record.Bits, design::RangeAll);
    };
    if (content.HasLatest)
        mainChart(QStringLiteral("Latest reading: %1, %2 bits")
                      .arg(pages.Time(content.Latest.TimeUtcMs), GroupedNumber(TotalOf(content.Latest.Bits))),
                  content.Latest);
    if (content.HasBeforeLoss)
        mainChart(QStringLiteral("Before the largest loss: %1, %2 bits")
                      .arg(pages.Time(content.BeforeLoss.TimeUtcMs), GroupedNumber(f.LossBeforeTotal)),
                  content.BeforeLoss);

    pages.NewPage();
    DrawEventsTable(pages, content.Data);
}

}  // namespace

bool ComposeHistoryReport(THistoryStore& store, const THistoryFilter& filter, const THistoryReportOptions& options,
                          QByteArray& pdf, QString& error)
{
    TReportContent content;
    std::string reason;
    if (!ReadHistoryPlotData(store, filter, content.Data, reason, options.Progress, options.Cancelled)) {
        error = reason.empty() ? QStringLiteral("the report was cancelled") : QStringFromUtf8(reason);
        return false;
    }
    content.WrittenUtcMs = options.NowUtcMs ? options.NowUtcMs() : CurrentUtcMs();
    const std::vector<TTotalBitsPoint>& points = content.Data.TotalBits;
    // The period as the views show it; one without polls as the filter gives it.
    const bool none = points.empty();
    const std::int64_t from = none ? (filter.HasSince ? filter.SinceUtcMs : 0) : content.Data.FromUtcMs;
    const std::int64_t to = none ? (filter.HasUntil ? filter.UntilUtcMs : from) : content.Data.ToUtcMs;
    content.Figures = ComputeReportFigures(content.Data, from, std::max(from, to));
    if (!points.empty()) {
        THistoryRecord newest;
        if (store.ReadRecord(points.back().Id, newest))
            content.Host = QStringFromUtf8(newest.Host);
    }
    if (content.Figures.LatestReadingId != 0)
        content.HasLatest = store.ReadRecord(content.Figures.LatestReadingId, content.Latest);
    if (content.Figures.HasLoss)
        content.HasBeforeLoss = store.ReadRecord(content.Figures.LossBeforeId, content.BeforeLoss);
    if (content.Figures.Hosts.size() > 1) {
        QStringList hosts;
        for (const std::string& host : content.Figures.Hosts)
            hosts << QStringFromUtf8(host);
        content.Host = hosts.join(QStringLiteral(", "));
    }

    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(Dpi);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setTitle(QStringLiteral("Line report"));
        writer.setCreator(QStringLiteral("quillmont-monitor"));
        QPainter painter(&writer);
        if (!painter.isActive()) {
            error = QStringLiteral("the PDF could not be started");
            return false;
        }
        TReportPages pages(writer, painter, options.Zone.isValid() ? options.Zone : QTimeZone::systemTimeZone());
        DrawReport(pages, content, options.Zone.isValid() ? options.Zone : QTimeZone::systemTimeZone());
    }
    return true;
}

bool WriteHistoryReport(THistoryStore& store, const THistoryFilter& filter, const QString& outPath,
                        const THistoryReportOptions& options, QString& error)
{
    QByteArray pdf;
    if (!ComposeHistoryReport(store, filter, options, pdf, error))
        return false;
    std::string reason;
    if (!WriteFileAtomically(Utf8FromQString(outPath), std::string_view(pdf.constData(), pdf.size()), reason)) {
        error = QStringLiteral("cannot write %1: %2").arg(outPath, QStringFromUtf8(reason));
        return false;
    }
    return true;
}
