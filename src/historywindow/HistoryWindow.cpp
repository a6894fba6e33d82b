#include "historywindow/HistoryWindow.h"

#include "text/QtText.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "history/HistoryEvents.h"
#include "history/HistoryTime.h"
#include "historywindow/HistoryPlotWorker.h"
#include "historywindow/ReportJob.h"
#include "historywindow/TimePlotWidget.h"
#include "historywindow/ToneComparisonWidget.h"
#include "historywindow/WaterfallWidget.h"
#include "monitor/HistoryDesign.h"
#include "story/HistoryPlots.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The file a button's command writes, asked for in a save dialog titled as
// the button without its dots, starting in the home folder; empty when cancelled.
QString AskSavePath(QWidget* parent, std::string_view button, std::string_view filter, const QString& suffix,
                    std::string_view defaultName)
{
    QFileDialog dialog(parent, QStringFromUtf8(button).remove(QStringLiteral("...")));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringFromUtf8(filter));
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(QDir::home().filePath(QStringFromUtf8(defaultName)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
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
    fPeriod->addItem(QStringFromUtf8(design::HistoryCustomPeriod));
    fPeriod->setCurrentIndex(design::HistoryDefaultPeriod);
    top->addWidget(fPeriod);
    top->addStretch(1);
    fCompare = new QPushButton(QStringFromUtf8(design::CompareButton), this);
    fCompare->setToolTip(QStringLiteral("Compares the two chosen polls tone by tone"));
    top->addWidget(fCompare);
    fExport = new QPushButton(QStringFromUtf8(design::HistoryExportButton), this);
    fExport->setToolTip(QStringLiteral("Writes the chosen polls, or every listed poll when none is chosen"));
    top->addWidget(fExport);
    fSaveReport = new QPushButton(QStringFromUtf8(design::SaveReportButton), this);
    fSaveReport->setToolTip(QStringLiteral("Writes a PDF of the listed period to hand to your provider"));
    top->addWidget(fSaveReport);
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

    fPlotArea = new QStackedWidget(lists);
    fPlotsPage = new QWidget(fPlotArea);
    auto* plots = new QVBoxLayout(fPlotsPage);
    plots->setContentsMargins(0, 0, 0, 0);
    fTimePlot = new TTimePlotWidget(fPlotsPage);
    plots->addWidget(fTimePlot, 2);
    fViews = new QTabWidget(fPlotsPage);
    fWaterfall = new TWaterfallWidget(fViews);
    fViews->addTab(fWaterfall, QStringFromUtf8(design::ViewWaterfallTab));
    fChangeCountChart = new TChart(fViews);
    fChangeCountChart->setMinimumHeight(design::HistoryPlotHeight);
    fChangeCountSeries = &ConfigureChangeCountChart(*fChangeCountChart);
    fViews->addTab(fChangeCountChart, QStringFromUtf8(design::ViewChangesTab));
    fComparison = new TToneComparisonWidget(fViews);
    fViews->addTab(fComparison, QStringFromUtf8(design::ViewCompareTab));
    plots->addWidget(fViews, 3);
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
    lists->addWidget(fPlotArea);
    lists->setStretchFactor(2, 3);

    fReportJob = std::make_unique<TReportJob>();
    connect(fReportJob.get(), &TReportJob::Done, this, [this](bool written, const QString& message) {
        fStatus->setText(message);
        fSaveReport->setEnabled(true);
        emit ReportDone(written);
    });
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
    connect(fSaveReport, &QPushButton::clicked, this, [this] { SaveReportClick(); });
    connect(fList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { CurrentRowChanged(current.row()); });
    connect(fList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { ShowMessage(); });
    connect(fCompare, &QPushButton::clicked, this, [this] { CompareChosen(); });
    connect(fEvents, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr && item->data(0, Qt::UserRole).isValid())
            ChooseEvent(item->data(0, Qt::UserRole).toInt());
    });
    connect(fTimePlot, &TTimePlotWidget::RangeChosen, this, [this](qint64 from, qint64 to) { SetRange(from, to); });
    connect(fTimePlot, &TTimePlotWidget::EventClicked, this, [this](int event) { SelectEvent(event); });
    connect(fWaterfall, &TWaterfallWidget::PollClicked, this, [this](qint64 id) {
        fBrowser.ChooseId(id);
        ShowMessage();
    });

    // The events and the views take their design heights; the polls the rest.
    lists->setSizes({design::HistoryClientHeight, design::HistoryEventsHeight, design::HistoryViewsHeight});

    Reload();
}

THistoryWindow::~THistoryWindow()
{
    // A reading under way is cancelled and its thread joined before anything else goes.
    fPlotWorker.reset();
    fReportJob.reset();
    // The time plot shows the browser's vectors: it lets go of them first.
    fTimePlot->SetData({}, {}, 0, 1);
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
    if (period == THistoryBrowser::CustomPeriod) {
        // Chosen in the box: the dialog says which range; cancelled, the box
        // shows the period listed before.
        if (fBrowser.Period() != THistoryBrowser::CustomPeriod && !AskRange()) {
            const QSignalBlocker blocker(fPeriod);
            fPeriod->setCurrentIndex(fBrowser.Period());
        }
        return;
    }
    fBrowser.SetPeriod(period, CurrentUtcMs());
    PeriodChanged();
}

void THistoryWindow::SetRange(std::int64_t fromUtcMs, std::int64_t toUtcMs)
{
    fBrowser.SetRange(fromUtcMs, toUtcMs);
    {
        const QSignalBlocker blocker(fPeriod);
        fPeriod->setCurrentIndex(THistoryBrowser::CustomPeriod);
    }
    PeriodChanged();
}

bool THistoryWindow::AskRange()
{
    QDialog dialog(this);
    dialog.setWindowTitle(QStringFromUtf8(design::HistoryRangeCaption));
    auto* form = new QFormLayout(&dialog);
    const auto edit = [&](std::int64_t utcMs) {
        auto* field = new QDateTimeEdit(QDateTime::fromMSecsSinceEpoch(utcMs).toLocalTime(), &dialog);
        field->setDisplayFormat(QStringFromUtf8(design::HistoryRangeFormat));
        field->setCalendarPopup(true);
        return field;
    };
    QDateTimeEdit* from = edit(fBrowser.AxisFromUtcMs());
    QDateTimeEdit* to = edit(fBrowser.Filter().HasUntil ? fBrowser.AxisToUtcMs() : CurrentUtcMs());
    form->addRow(QStringFromUtf8(design::HistoryRangeFromLabel), from);
    form->addRow(QStringFromUtf8(design::HistoryRangeToLabel), to);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    SetRange(from->dateTime().toMSecsSinceEpoch(), to->dateTime().toMSecsSinceEpoch());
    return true;
}

void THistoryWindow::PeriodChanged()
{
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
    fProgressText->setText(QStringLiteral("Reading %1 of %2 polls...").arg(GroupedNumber(done), GroupedNumber(total)));
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
    fTimePlot->SetData(fBrowser.TotalBitsPoints(), fBrowser.Events(), fBrowser.AxisFromUtcMs(), fBrowser.AxisToUtcMs());
    fWaterfall->SetGrid(fBrowser.Waterfall());
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
        const int index = static_cast<int>(events.rend() - it) - 1;
        std::string detail = LineEventDetail(event);
        if (withHost)
            detail = "host " + it->Host + (detail.empty() ? "" : "; " + detail);
        const QString tones =
            event.FirstTone < 0 ? QString() : QStringLiteral("%1-%2").arg(event.FirstTone).arg(event.LastTone);
        auto* item = new QTreeWidgetItem(QStringList{FormatLocalTime(event.StartUtcMs), FormatLocalTime(event.EndUtcMs),
                                                     QStringFromUtf8(LineEventKindName(event.Kind)), tones,
                                                     QString::number(event.Polls()), QStringFromUtf8(detail)});
        item->setToolTip(5, item->text(5));
        item->setData(0, Qt::UserRole, index);
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
    const QString path = AskSavePath(this, design::HistoryExportButton, design::HistoryExportFilter,
                                     QStringLiteral("csv"), design::HistoryExportDefaultName);
    if (!path.isEmpty())
        ExportTo(path);
}

bool THistoryWindow::SaveReportTo(const QString& path)
{
    if (!fBrowser.Store().IsOpen() || !fReportJob->Start(fBrowser.StorePath(), fBrowser.Filter(), path))
        return false;
    fSaveReport->setEnabled(false);
    fStatus->setText(QStringLiteral("Writing the report to %1...").arg(path));
    return true;
}

void THistoryWindow::SaveReportClick()
{
    const QString path = AskSavePath(this, design::SaveReportButton, design::SaveReportFilter, QStringLiteral("pdf"),
                                     design::SaveReportDefaultName);
    if (!path.isEmpty())
        SaveReportTo(path);
}

void THistoryWindow::ShowMessage()
{
    fStatus->setText(QString::fromStdString(fBrowser.Message()));
    fExport->setEnabled(fBrowser.Store().IsOpen());
    fSaveReport->setEnabled(fBrowser.Store().IsOpen() && !fReportJob->Busy());
    fCompare->setEnabled(fBrowser.Store().IsOpen() && fList->selectionModel()->selectedRows().size() == 2);
}

bool THistoryWindow::CompareChosen()
{
    const QModelIndexList rows = fList->selectionModel()->selectedRows();
    if (rows.size() != 2)
        return false;
    const THistoryListModel& model = fBrowser.Model();
    return ComparePolls(model.SummaryAt(rows[0].row()).Id, model.SummaryAt(rows[1].row()).Id);
}

bool THistoryWindow::ComparePolls(std::int64_t firstId, std::int64_t secondId)
{
    THistoryRecord older, newer;
    if (!fBrowser.ReadPair(firstId, secondId, older, newer)) {
        fComparison->Clear();
        ShowMessage();
        return false;
    }
    TToneComparisonData data;
    data.Comparison = CompareTones(older.Bits, newer.Bits);
    data.BeforeUtcMs = older.TimeUtcMs;
    data.AfterUtcMs = newer.TimeUtcMs;
    fComparison->SetComparison(data);
    fViews->setCurrentWidget(fComparison);
    return true;
}

void THistoryWindow::SelectEvent(int event)
{
    for (int i = 0; i < fEvents->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = fEvents->topLevelItem(i);
        if (item->data(0, Qt::UserRole).isValid() && item->data(0, Qt::UserRole).toInt() == event) {
            fEvents->setCurrentItem(item);  // comes to ChooseEvent through the signal
            fEvents->scrollToItem(item);
            return;
        }
    }
}

void THistoryWindow::ChooseEvent(int event)
{
    const std::vector<THostLineEvent>& events = fBrowser.Events();
    if (event < 0 || event >= static_cast<int>(events.size()))
        return;
    fTimePlot->SetHighlightedEvent(event);
    // The readings either side of it, compared: what the event did to the line.
    const THistoryBrowser::TPollsAround around = fBrowser.PollsAround(events[static_cast<std::size_t>(event)].Event);
    if (around.BeforeId != 0 && around.AfterId != 0 && around.BeforeId != around.AfterId)
        ComparePolls(around.BeforeId, around.AfterId);
    else
        fComparison->Clear();
}

QString THistoryWindow::StatusText() const
{
    return fStatus->text();
}
