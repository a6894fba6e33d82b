#pragma once
// The list of polls, newest first, read from the store one page at a time:
// the view asks for more rows (canFetchMore / fetchMore) only as it is
// scrolled, so tens of thousands of polls are never loaded at once.

#include "history/HistoryStore.h"
#include "history/HistorySummary.h"

#include <QAbstractTableModel>
#include <vector>

class THistoryListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The columns of design::HistoryColumns, then who made the poll.
    enum TColumn { hcTime, hcOutcome, hcTotalBits, hcZeroTones, hcBy, hcColumnCount };
    static constexpr const char* ByTitle = "By";

    explicit THistoryListModel(QObject* parent = nullptr);

    // --- setters ---------------------------------------------------------------------------
    // Lists the polls of the filter from the store (null: none), starting
    // over with the first page. The store must outlive the model or be
    // replaced before it goes.
    void SetSource(THistoryStore* store, const THistoryFilter& filter);
    void SetPageSize(int rows) { fPageSize = rows > 0 ? rows : 1; }

    // --- getters ---------------------------------------------------------------------------
    // Rows read from the store so far.
    int FetchedRows() const { return static_cast<int>(fRows.size()); }
    // Pages read since the last SetSource.
    int PagesRead() const { return fPagesRead; }
    const THistorySummary& SummaryAt(int row) const { return fRows.at(static_cast<std::size_t>(row)); }
    // Why the last page could not be read (empty when it could).
    const std::string& ReadError() const { return fReadError; }

    // --- QAbstractTableModel ---------------------------------------------------------------
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    // --- data ------------------------------------------------------------------------------
    THistoryStore* fStore = nullptr;
    THistoryFilter fFilter;
    std::vector<THistorySummary> fRows;
    int fPageSize = 200;
    int fPagesRead = 0;
    bool fAtEnd = true;
    std::string fReadError;
};
