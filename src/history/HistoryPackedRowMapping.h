#pragma once
// The tables of layout 2: the polls, each with its host as a number of the
// table of hosts and its values packed (HistoryPackedValues.h), whole or as a
// change from the host's poll before; the hosts; and per day and host the
// change count of each tone (THistoryToneDays). As for layout 1, the one list
// of the columns of polls gives the texts that create, fill and read it; the
// store's queries name no column of it but the (time_utc_ms, id) key.

#include "history/HistoryRecord.h"
#include "history/HistorySummary.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <cstdint>
#include <string>

class QSqlQuery;

class THistoryPackedRowMapping {
public:
    // The columns of polls, in the order of the table.
    enum TColumn {
        coId,
        coTimeUtcMs,
        coHostId,
        coOrigin,
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
        coBaseId,
        coToneValues,
    };
    static constexpr int ColumnCount = coToneValues + 1;

    // What a SELECT reads of a row: the whole record (its values still
    // packed), a row of the list, a point of the total-bits plot, the (time,
    // id) key, or only what following a change back to its whole values
    // needs. The first four match THistoryRowMapping's views.
    enum TView { vwRecord, vwSummary, vwTotalBits, vwKey, vwValues };
    static constexpr int ViewCount = vwValues + 1;

    static constexpr const char* Table = "polls";
    static constexpr const char* HostsTable = "hosts";
    static constexpr const char* ToneDaysTable = "tone_days";

    // A row as bound to the insert, column by column (id null: SQLite gives one).
    using TRow = std::array<QVariant, ColumnCount>;

    // --- layout ----------------------------------------------------------------------------
    // The tables of an empty file, then its indexes (apart, so that a store
    // being filled in one go gets its index once it is full).
    static QStringList TableStatements();
    static QStringList IndexStatements();
    static QStringList LayoutStatements() { return TableStatements() + IndexStatements(); }

    // --- writing ---------------------------------------------------------------------------
    // "INSERT INTO polls (every column) VALUES (?, ...)".
    static QString InsertSql();
    // The row of a record whose host is hostId and whose values are packed
    // (made against the values of poll baseId, or whole when baseId is 0).
    static TRow RowOf(const THistoryRecord& record, std::int64_t hostId, std::int64_t baseId,
                      const std::string& packedValues);
    static void BindRow(QSqlQuery& query, const TRow& row);
    // What the outcome column holds for a list text: null for "reply
    // captured" (most polls), the text itself otherwise.
    static QVariant OutcomeColumn(const QString& outcomeText);

    // --- reading ---------------------------------------------------------------------------
    // "SELECT <the view's columns> FROM polls".
    static QString SelectSql(TView view);
    // A column of the current row of a query made from SelectSql(view); an
    // invalid QVariant when the view does not read that column.
    static QVariant Value(const QSqlQuery& row, TView view, TColumn column);
    // Fills record from the current row of a vwRecord query, all but its
    // host (left empty) and values (to be unpacked). Every column is checked
    // as layout 1's reader checks it: false with the reason, record
    // untouched, when the row is no usable record.
    static bool ReadFields(const QSqlQuery& row, THistoryRecord& record, std::string& reason);
    // The current row of a vwSummary query (text cut short, counts kept in range).
    static THistorySummary ReadSummary(const QSqlQuery& row);
    // The current row of a vwTotalBits query.
    static TTotalBitsPoint ReadTotalBitsPoint(const QSqlQuery& row);
    // The current row of a vwKey query.
    static THistoryPageKey ReadKey(const QSqlQuery& row);
    // The stored number of an origin, read back (a later version's origin reads as unknown).
    static TPollOrigin OriginOf(const QVariant& stored);
};
