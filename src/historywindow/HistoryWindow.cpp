#include "historywindow/HistoryWindow.h"

#include "text/QtText.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "history/HistoryTime.h"
#include "historywindow/HistoryPlots.h"
#include "monitor/HistoryDesign.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {}  // namespace

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

    fList = new QTableView(this);
    fList->setModel(&fBrowser.Model());
    fList->setSelectionBehavior(QAbstractItemView::SelectRows);
    fList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fList->verticalHeader()->setVisible(false);
    fList->verticalHeader()->setDefaultSectionSize(fList->fontMetrics().height() + 6);
    fList->horizontalHeader()->setStretchLastSection(true);
    for (int c = 0; c < static_cast<int>(design::HistoryColumnWidths.size()); ++c)
        fList->setColumnWidth(c, design::HistoryColumnWidths[static_cast<std::size_t>(c)]);
    layout->addWidget(fList, 1);

    fTotalBitsChart = new TChart(this);
    fTotalBitsChart->setMinimumHeight(design::HistoryPlotHeight);
    fTotalBitsSeries = &ConfigureTotalBitsChart(*fTotalBitsChart);
    layout->addWidget(fTotalBitsChart);
    fChangeCountChart = new TChart(this);
    fChangeCountChart->setMinimumHeight(design::HistoryPlotHeight);
    fChangeCountSeries = &ConfigureChangeCountChart(*fChangeCountChart);
    layout->addWidget(fChangeCountChart);

    fStatus = new QLabel(this);
    fStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(fStatus);

    connect(fPeriod, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) { SetPeriod(index); });
    connect(fExport, &QPushButton::clicked, this, [this] { ExportClick(); });
    connect(fList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { CurrentRowChanged(current.row()); });

    Reload();
}

THistoryWindow::~THistoryWindow()
{
    // The view lets go of the model before the browser that owns it goes.
    fList->setModel(nullptr);
}

void THistoryWindow::Reload()
{
    fBrowser.Reload(CurrentUtcMs());
    ShowMessage();
    SchedulePlots();
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
    SchedulePlots();
}

void THistoryWindow::SchedulePlots()
{
    // The plots read every record of the period; the list shows its first
    // rows before that starts.
    if (fPlotsPending)
        return;
    fPlotsPending = true;
    QTimer::singleShot(0, this, [this] {
        if (fPlotsPending)
            RefreshPlots();
    });
}

void THistoryWindow::RefreshPlots()
{
    fPlotsPending = false;
    fBrowser.ComputePlots();
    PlotTotalBits(*fTotalBitsChart, *fTotalBitsSeries, fBrowser.TotalBitsPoints());
    PlotChangeCounts(*fChangeCountChart, *fChangeCountSeries, fBrowser.ChangeCounts());
    ShowMessage();
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
