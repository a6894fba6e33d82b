#pragma once
// The table of polls as layout 1 lays it out: the one list of its columns,
// and from it the texts that create, fill and read the table, the binding of
// a record to an insert and the reading of a row back. The rest of the store
// reads and writes rows only through here; its queries name no column but
// the (time_utc_ms, id) key in their conditions and order.

#include "history/HistoryRecord.h"
#include "history/HistorySummary.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <string>

class QSqlQuery;

class THistoryRowMapping {
public:
    // The columns, in the order of the table.
    enum TColumn {
        coId,
        coTimeUtcMs,
        coHost,
        coCaptured,
        coFailedStep,
        coErrorCode,
        coErrorText,
        coDeadlineExceeded,
        coOutcome,
        coFirstTone,
        coLastTone,
        coTotalBits,
        coZeroTones,
        coToneValues,
    };
    static constexpr int ColumnCount = coToneValues + 1;

    // What a SELECT reads of a row: the whole record, a row of the list, a
    // point of the total-bits plot, or only the (time, id) key the polls are
    // ordered by. Each reads its columns in the order of the table.
    // vwEvery reads every column, for moving the rows to a later layout.
    enum TView { vwRecord, vwSummary, vwTotalBits, vwKey, vwEvery };
    static constexpr int ViewCount = vwEvery + 1;

    static constexpr const char* Table = "polls";

    // --- layout ----------------------------------------------------------------------------
    // What lays the table out in an empty file: the table, then its index by time.
    static QStringList LayoutStatements();
    static QString CreateTableSql();

    // --- writing ---------------------------------------------------------------------------
    // "INSERT INTO polls (every column but id) VALUES (?, ...)".
    static QString InsertSql();
    // Binds record to a query prepared from InsertSql: its own fields, and
    // the summary columns worked out from them.
    static void BindRecord(QSqlQuery& query, const THistoryRecord& record);

    // --- reading ---------------------------------------------------------------------------
    // "SELECT <the view's columns> FROM polls", for a query to add its
    // conditions and order to.
    static QString SelectSql(TView view, const char* table = Table);
    // A column of the current row of a query made from SelectSql(view); an
    // invalid QVariant when the view does not read that column.
    static QVariant Value(const QSqlQuery& row, TView view, TColumn column);
    // Fills record from the current row of a vwRecord (or vwEvery) query. Anything a
    // hostile file may hold in a column is checked before it is used: false,
    // with the reason and record untouched, when the row is no usable record.
    static bool ReadRecord(const QSqlQuery& row, THistoryRecord& record, std::string& reason, TView view = vwRecord);
    // The checks of ReadRecord on every field but the values, for a layout
    // that keeps the same fields in columns of its own: value gives what the
    // row holds for a column of this layout (the host as its text).
    using TFieldValue = std::function<QVariant(TColumn)>;
    static bool ReadFields(const TFieldValue& value, THistoryRecord& record, std::string& reason);
    // The current row of a vwSummary query (text cut short, counts kept in range).
    static THistorySummary ReadSummary(const QSqlQuery& row);
    // The current row of a vwTotalBits query.
    static TTotalBitsPoint ReadTotalBitsPoint(const QSqlQuery& row);
    // The current row of a vwKey query.
    static THistoryPageKey ReadKey(const QSqlQuery& row);
};
