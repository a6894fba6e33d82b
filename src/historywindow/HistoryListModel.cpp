#include "historywindow/HistoryListModel.h"

#include "history/HistoryTime.h"
#include "monitor/HistoryDesign.h"

#include <QBrush>
#include <QColor>

static_assert(THistoryListModel::hcBy == design::HistoryColumns.size(),
              "who made the poll comes after the design's columns");

THistoryListModel::THistoryListModel(QObject* parent) : QAbstractTableModel(parent) {}

void THistoryListModel::SetSource(THistoryStore* store, const THistoryFilter& filter)
{
    beginResetModel();
    fStore = store;
    fFilter = filter;
    fRows.clear();
    fPagesRead = 0;
    fReadError.clear();
    fAtEnd = store == nullptr || !store->IsOpen();
    endResetModel();
    // The first page at once, so that the list shows rows as soon as it is shown.
    if (!fAtEnd)
        fetchMore(QModelIndex());
}

int THistoryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(fRows.size());
}

int THistoryListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : hcColumnCount;
}

QVariant THistoryListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    const THistorySummary& s = fRows[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case hcTime:
            return FormatLocalTime(s.TimeUtcMs);
        case hcOutcome:
            return QString::fromStdString(s.OutcomeText);
        case hcTotalBits:
            return QString::number(s.TotalBits);
        case hcZeroTones:
            return QString::number(s.ZeroTones);
        case hcBy:
            return QString::fromStdString(PollOriginName(s.Origin));
        default:
            return {};
        }
    }
    if (role == Qt::TextAlignmentRole && (index.column() == hcTotalBits || index.column() == hcZeroTones))
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    if (role == Qt::ForegroundRole && !s.Captured)
        return QBrush(QColor(0xC0, 0, 0));
    return {};
}

QVariant THistoryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= hcColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == hcBy)
        return QString::fromUtf8(ByTitle);
    const std::string_view title = design::HistoryColumns[static_cast<std::size_t>(section)];
    return QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
}

bool THistoryListModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !fAtEnd;
}

void THistoryListModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || fAtEnd || fStore == nullptr)
        return;
    THistoryPageKey key;
    if (!fRows.empty())
        key = {fRows.back().TimeUtcMs, fRows.back().Id};
    std::vector<THistorySummary> page;
    if (!fStore->ReadPage(fFilter, fRows.empty() ? nullptr : &key, fPageSize, page)) {
        // A store that cannot be read now ends the list; the window shows why.
        fReadError = fStore->LastError();
        fAtEnd = true;
        return;
    }
    ++fPagesRead;
    fAtEnd = static_cast<int>(page.size()) < fPageSize;
    if (page.empty())
        return;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(page.size()) - 1);
    fRows.insert(fRows.end(), std::make_move_iterator(page.begin()), std::make_move_iterator(page.end()));
    endInsertRows();
}
