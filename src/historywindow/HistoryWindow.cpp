#include "historywindow/HistoryWindow.h"

#include "text/QtText.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "history/HistoryEvents.h"
#include "history/HistoryTime.h"
#include "historywindow/HistoryPlotWorker.h"
#include "monitor/HistoryDesign.h"
#include "story/HistoryPlots.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// "129,600".
QString Grouped(std::int64_t n)
{
    return QLocale(QLocale::English).toString(static_cast<qlonglong>(n));
}

}  // namespace

THistoryWindow::THistoryWindow(const QString& storePath, QWidget* parent)
    : QWidget(parent, Qt::Window), fBrowser(storePath)
{
    setWindowTitle(QStringFromUtf8(design::HistoryCaption));
    resize(design::HistoryClientWidth, design::HistoryClientHeight);
    setMinimumSize(design::HistoryMinWidth, design::HistoryMinHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(design::HistoryMargin, design::HistoryMargin, design::HistoryMargin,
                               design::HistoryMargin);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringFromUtf8(design::HistoryPeriodLabel), this));
    fPeriod = new QComboBox(this);
    for (const design::HistoryPeriod& period : design::HistoryPeriods)
        fPeriod->addItem(QStringFromUtf8(period.Caption));
    fPeriod->setCurrentIndex(design::HistoryDefaultPeriod);
    top->addWidget(fPeriod);
    top->addStretch(1);
    fExport = new QPushButton(QStringFromUtf8(design::HistoryExportButton), this);
    fExport->setToolTip(QStringLiteral("Writes the chosen polls, or every listed poll when none is chosen"));
    top->addWidget(fExport);
    layout->addLayout(top);

    // The polls and, under them, the line events: the user may move the line between them.
    auto* lists = new QSplitter(Qt::Vertical, this);
    lists->setChildrenCollapsible(false);
    fList = new QTableView(lists);
    fList->setModel(&fBrowser.Model());
    fList->setSelectionBehavior(QAbstractItemView::SelectRows);
    fList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fList->verticalHeader()->setVisible(false);
    fList->verticalHeader()->setDefaultSectionSize(fList->fontMetrics().height() + 6);
    fList->horizontalHeader()->setStretchLastSection(true);
    for (int c = 0; c < static_cast<int>(design::HistoryColumnWidths.size()); ++c)
        fList->setColumnWidth(c, design::HistoryColumnWidths[static_cast<std::size_t>(c)]);
    // Who made the poll: as wide as its widest name.
    fList->setColumnWidth(THistoryListModel::hcBy,
                          fList->fontMetrics().horizontalAdvance(QStringLiteral("poll command")) +
                              2 * design::HistoryMargin);

    auto* eventsPanel = new QWidget(lists);
    auto* events = new QVBoxLayout(eventsPanel);
    events->setContentsMargins(0, 0, 0, 0);
    events->setSpacing(2);
    events->addWidget(new QLabel(QStringFromUtf8(design::HistoryEventsTitle), eventsPanel));
    fEvents = new QTreeWidget(eventsPanel);
    fEvents->setRootIsDecorated(false);
    fEvents->setUniformRowHeights(true);
    fEvents->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QStringList titles;
    for (const std::string_view title : design::HistoryEventColumns)
        titles << QStringFromUtf8(title);
    fEvents->setHeaderLabels(titles);
    fEvents->header()->setStretchLastSection(true);
    for (int c = 0; c < static_cast<int>(design::HistoryEventColumnWidths.size()); ++c)
        fEvents->setColumnWidth(c, design::HistoryEventColumnWidths[static_cast<std::size_t>(c)]);
    events->addWidget(fEvents);
    lists->setStretchFactor(0, 1);
    lists->setStretchFactor(1, 0);
    layout->addWidget(lists, 1);

    fPlotArea = new QStackedWidget(this);
    fPlotsPage = new QWidget(fPlotArea);
    auto* plots = new QVBoxLayout(fPlotsPage);
    plots->setContentsMargins(0, 0, 0, 0);
    fTotalBitsChart = new TChart(fPlotsPage);
    fTotalBitsChart->setMinimumHeight(design::HistoryPlotHeight);
    fTotalBitsSeries = &ConfigureTotalBitsChart(*fTotalBitsChart);
    // The bars it holds are those that show at its size.
    fTotalBitsChart->installEventFilter(this);
    plots->addWidget(fTotalBitsChart);
    fChangeCountChart = new TChart(fPlotsPage);
    fChangeCountChart->setMinimumHeight(design::HistoryPlotHeight);
    fChangeCountSeries = &ConfigureChangeCountChart(*fChangeCountChart);
    plots->addWidget(fChangeCountChart);
    fPlotArea->addWidget(fPlotsPage);

    fProgressPage = new QWidget(fPlotArea);
    auto* progress = new QVBoxLayout(fProgressPage);
    progress->addStretch(1);
    fProgressText = new QLabel(fProgressPage);
    fProgressText->setAlignment(Qt::AlignCenter);
    progress->addWidget(fProgressText);
    fProgressBar = new QProgressBar(fProgressPage);
    fProgressBar->setTextVisible(false);
    progress->addWidget(fProgressBar);
    progress->addStretch(1);
    fPlotArea->addWidget(fProgressPage);
    layout->addWidget(fPlotArea);

    fPlotWorker = std::make_unique<THistoryPlotWorker>();
    connect(fPlotWorker.get(), &THistoryPlotWorker::Progress, this,
            [this](qint64 done, qint64 total) { ShowPlotProgress(done, total); });
    connect(fPlotWorker.get(), &THistoryPlotWorker::Ready, this,
            [this](const THistoryPlotData& data) { PlotsRead(data); });
    connect(fPlotWorker.get(), &THistoryPlotWorker::Failed, this, [this](const QString& why) { PlotsNotRead(why); });

    fStatus = new QLabel(this);
    fStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(fStatus);

    connect(fPeriod, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) { SetPeriod(index); });
    connect(fExport, &QPushButton::clicked, this, [this] { ExportClick(); });
    connect(fList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { CurrentRowChanged(current.row()); });

    // The events take their design height; the polls the rest.
    lists->setSizes({design::HistoryClientHeight, design::HistoryEventsHeight});

    Reload();
}

THistoryWindow::~THistoryWindow()
{
    // A reading under way is cancelled and its thread joined before anything else goes.
    fPlotWorker.reset();
    fTotalBitsChart->removeEventFilter(this);
    // The view lets go of the model before the browser that owns it goes.
    fList->setModel(nullptr);
}

void THistoryWindow::Reload()
{
    fBrowser.Reload(CurrentUtcMs());
    ShowMessage();
    StartPlots();
}

void THistoryWindow::PollRecorded()
{
    if (fList->selectionModel()->currentIndex().isValid())
        return;
    Reload();
}

void THistoryWindow::SetPeriod(int period)
{
    if (fPeriod->currentIndex() != period) {
        fPeriod->setCurrentIndex(period);  // comes back here through the signal
        return;
    }
    fBrowser.SetPeriod(period, CurrentUtcMs());
    ShowMessage();
    StartPlots();
}

void THistoryWindow::StartPlots()
{
    fPlotsCurrent = false;
    if (!fBrowser.Store().IsOpen()) {
        fPlotWorker->Cancel();
        DrawPlots();
        return;
    }
    // The plots of another period would mislead: their place shows the
    // reading instead. New polls of the same period keep the plots shown
    // until the new ones are there.
    if (fPlottedPeriod != fBrowser.Period()) {
        ShowPlotProgress(0, std::max<std::int64_t>(0, fBrowser.ListedCount()));
        fEvents->clear();
    }
    fPlotWorker->Start(fBrowser.StorePath(), fBrowser.Filter());
}

void THistoryWindow::ShowPlotProgress(std::int64_t done, std::int64_t total)
{
    fProgressText->setText(QStringLiteral("Reading %1 of %2 polls...").arg(Grouped(done), Grouped(total)));
    // In thousandths of the way, which any int holds whatever the count.
    fProgressBar->setRange(0, 1000);
    fProgressBar->setValue(total > 0 ? static_cast<int>(std::clamp<std::int64_t>(done, 0, total) * 1000 / total) : 0);
    fPlotArea->setCurrentWidget(fProgressPage);
}

void THistoryWindow::PlotsRead(const THistoryPlotData& data)
{
    fBrowser.SetPlots(data);
    DrawPlots();
    ShowMessage();
}

void THistoryWindow::PlotsNotRead(const QString& why)
{
    fBrowser.PlotsFailed(why.toStdString());
    DrawPlots();
    // Not read is not "none": the status line says why.
    fEvents->clear();
    ShowMessage();
}

void THistoryWindow::RefreshPlots()
{
    fPlotWorker->Cancel();
    fBrowser.ComputePlots();
    DrawPlots();
    ShowMessage();
}

void THistoryWindow::DrawPlots()
{
    fPlotArea->setCurrentWidget(fPlotsPage);
    PlotTotalBits(*fTotalBitsChart, *fTotalBitsSeries, fBrowser.TotalBitsPoints());
    PlotChangeCounts(*fChangeCountChart, *fChangeCountSeries, fBrowser.ChangeCounts());
    ListEvents();
    fPlottedPeriod = fBrowser.Period();
    fPlotsCurrent = true;
    emit PlotsShown();
}

void THistoryWindow::ListEvents()
{
    fEvents->clear();
    const std::vector<THostLineEvent>& events = fBrowser.Events();
    if (events.empty()) {
        auto* none = new QTreeWidgetItem(QStringList{QStringFromUtf8(design::HistoryNoEvents)});
        none->setFlags(Qt::NoItemFlags);
        fEvents->addTopLevelItem(none);
        none->setFirstColumnSpanned(true);
        return;
    }
    const bool withHost = fBrowser.EventHosts() > 1;
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(events.size()));
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        const TLineEvent& event = it->Event;
        std::string detail = LineEventDetail(event);
        if (withHost)
            detail = "host " + it->Host + (detail.empty() ? "" : "; " + detail);
        const QString tones =
            event.FirstTone < 0 ? QString() : QStringLiteral("%1-%2").arg(event.FirstTone).arg(event.LastTone);
        auto* item = new QTreeWidgetItem(QStringList{FormatLocalTime(event.StartUtcMs), FormatLocalTime(event.EndUtcMs),
                                                     QStringFromUtf8(LineEventKindName(event.Kind)), tones,
                                                     QString::number(event.Polls()), QStringFromUtf8(detail)});
        item->setToolTip(5, item->text(5));
        items.push_back(item);
    }
    fEvents->addTopLevelItems(items);
}

bool THistoryWindow::ShowsPlotProgress() const
{
    return fPlotArea->currentWidget() == fProgressPage;
}

QString THistoryWindow::PlotProgressText() const
{
    return fProgressText->text();
}

void THistoryWindow::closeEvent(QCloseEvent* event)
{
    // Nobody looks at plots being read for a closed window; showing it
    // again reads them anew.
    fPlotWorker->Cancel();
    QWidget::closeEvent(event);
}

void THistoryWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!fPlotsCurrent && !fPlotWorker->Busy())
        StartPlots();
}

bool THistoryWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The total-bits series holds the bars that show at the chart's size:
    // plotted again at the new size (given to the chart first, which its own
    // handler would do only after this one) before the chart paints.
    if (watched == fTotalBitsChart && event->type() == QEvent::Resize && !fBrowser.TotalBitsPoints().empty()) {
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        fTotalBitsChart->SetSize(size.width(), size.height());
        PlotTotalBits(*fTotalBitsChart, *fTotalBitsSeries, fBrowser.TotalBitsPoints());
    }
    return QWidget::eventFilter(watched, event);
}

void THistoryWindow::CurrentRowChanged(int row)
{
    if (row < 0)
        return;
    fBrowser.Choose(row);
    ShowMessage();
}

bool THistoryWindow::ExportTo(const QString& path)
{
    std::vector<int> rows;
    for (const QModelIndex& index : fList->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    const bool ok = fBrowser.Export(rows, path.toStdString());
    ShowMessage();
    return ok;
}

void THistoryWindow::ExportClick()
{
    QFileDialog dialog(this, QStringFromUtf8(design::HistoryExportButton).remove(QStringLiteral("...")));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringFromUtf8(design::HistoryExportFilter));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(QDir::home().filePath(QStringFromUtf8(design::HistoryExportDefaultName)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ExportTo(dialog.selectedFiles().front());
}

void THistoryWindow::ShowMessage()
{
    fStatus->setText(QString::fromStdString(fBrowser.Message()));
    fExport->setEnabled(fBrowser.Store().IsOpen());
}

QString THistoryWindow::StatusText() const
{
    return fStatus->text();
}
