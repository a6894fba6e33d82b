#include "history/HistoryPackedRowMapping.h"
#include "text/QtText.h"

#include "history/HistoryRowMapping.h"
#include "history/HistoryValues.h"

#include <QSqlQuery>

#include <algorithm>
#include <iterator>

namespace {

using M = THistoryPackedRowMapping;
using TColumn = M::TColumn;
using TLayout1 = THistoryRowMapping;

constexpr unsigned InRecord = 1u << M::vwRecord;
constexpr unsigned InSummary = 1u << M::vwSummary;
constexpr unsigned InTotalBits = 1u << M::vwTotalBits;
constexpr unsigned InKey = 1u << M::vwKey;
constexpr unsigned InValues = 1u << M::vwValues;

struct TColumnDefinition {
    TColumn Column;
    const char* Name;
    const char* Declaration;
    // Which views read it.
    unsigned Views;
    // How a SELECT reads it; the name itself when null.
    const char* ReadAs = nullptr;
};

// One row per poll. Most columns hold 0, 1 or nothing for a captured poll,
// which SQLite keeps in the row's header alone. outcome is null for "reply
// captured"; base_id names the poll whose values tone_values changes (null
// when they are whole); tone_values is read as the bytes the file holds.
constexpr TColumnDefinition Columns[] = {
    {M::coId, "id", "INTEGER PRIMARY KEY", InRecord | InSummary | InTotalBits | InKey | InValues},
    {M::coTimeUtcMs, "time_utc_ms", "INTEGER NOT NULL", InRecord | InSummary | InTotalBits | InKey},
    {M::coHostId, "host_id", "INTEGER NOT NULL", InRecord},
    {M::coOrigin, "origin", "INTEGER NOT NULL", InRecord | InSummary},
    {M::coCaptured, "captured", "INTEGER NOT NULL", InRecord | InSummary | InTotalBits},
    {M::coFailedStep, "failed_step", "INTEGER NOT NULL", InRecord},
    {M::coErrorCode, "error_code", "INTEGER NOT NULL", InRecord},
    {M::coErrorText, "error_text", "TEXT NOT NULL", InRecord},
    {M::coDeadlineExceeded, "deadline_exceeded", "INTEGER NOT NULL", InRecord},
    {M::coOutcome, "outcome", "TEXT", InSummary},
    {M::coFirstTone, "first_tone", "INTEGER NOT NULL", InRecord},
    {M::coLastTone, "last_tone", "INTEGER NOT NULL", InRecord},
    {M::coTotalBits, "total_bits", "INTEGER NOT NULL", InSummary | InTotalBits},
    {M::coZeroTones, "zero_tones", "INTEGER NOT NULL", InSummary},
    {M::coBaseId, "base_id", "INTEGER", InRecord | InValues},
    {M::coToneValues, "tone_values", "BLOB NOT NULL", InRecord | InValues, "CAST(tone_values AS BLOB)"},
};
static_assert(std::size(Columns) == M::ColumnCount);
// The views both layouts have are numbered alike.
static_assert(static_cast<int>(M::vwRecord) == static_cast<int>(TLayout1::vwRecord) &&
              static_cast<int>(M::vwSummary) == static_cast<int>(TLayout1::vwSummary) &&
              static_cast<int>(M::vwTotalBits) == static_cast<int>(TLayout1::vwTotalBits) &&
              static_cast<int>(M::vwKey) == static_cast<int>(TLayout1::vwKey));

constexpr bool ListedInOrder()
{
    for (int i = 0; i < M::ColumnCount; ++i)
        if (Columns[i].Column != i)
            return false;
    return true;
}
static_assert(ListedInOrder(), "Columns is indexed by TColumn");

// Where each view reads each column (-1 where it does not).
using TPositions = std::array<std::array<int, M::ColumnCount>, M::ViewCount>;
constexpr TPositions Positions = [] {
    TPositions positions{};
    for (int view = 0; view < M::ViewCount; ++view) {
        int next = 0;
        for (int column = 0; column < M::ColumnCount; ++column)
            positions[view][column] = (Columns[column].Views & (1u << view)) ? next++ : -1;
    }
    return positions;
}();

// The layout-1 column a field of the record is read from, in this layout.
constexpr TColumn ColumnOfLayout1(TLayout1::TColumn column)
{
    switch (column) {
    case TLayout1::coId:
        return M::coId;
    case TLayout1::coTimeUtcMs:
        return M::coTimeUtcMs;
    case TLayout1::coCaptured:
        return M::coCaptured;
    case TLayout1::coFailedStep:
        return M::coFailedStep;
    case TLayout1::coErrorCode:
        return M::coErrorCode;
    case TLayout1::coErrorText:
        return M::coErrorText;
    case TLayout1::coDeadlineExceeded:
        return M::coDeadlineExceeded;
    case TLayout1::coFirstTone:
        return M::coFirstTone;
    case TLayout1::coLastTone:
        return M::coLastTone;
    default:
        return M::coHostId;  // read apart (the host), or not a field
    }
}

const QString CapturedText = QStringLiteral("reply captured");

}  // namespace

// ---- layout -----------------------------------------------------------------------------------

QStringList THistoryPackedRowMapping::TableStatements()
{
    QStringList columns;
    for (const TColumnDefinition& column : Columns)
        columns << QStringLiteral(" %1 %2").arg(QLatin1String(column.Name), QLatin1String(column.Declaration));
    return {
        // Each host once; last_poll_id is the poll the host's next values are made against.
        QStringLiteral("CREATE TABLE %1 (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, last_poll_id INTEGER)")
            .arg(QLatin1String(HostsTable)),
        QStringLiteral("CREATE TABLE %1 (%2)").arg(QLatin1String(Table), columns.join(QLatin1Char(','))),
        // Per host (0: all hosts as one series) and UTC day: the change count
        // of the day's captured polls, its first and last tables, and the key
        // of its last captured poll (a poll that comes before it means the
        // day is counted again).
        QStringLiteral("CREATE TABLE %1 (host_id INTEGER NOT NULL, day INTEGER NOT NULL,"
                       " captured_polls INTEGER NOT NULL, last_time_utc_ms INTEGER NOT NULL,"
                       " last_id INTEGER NOT NULL, changes BLOB NOT NULL, first_values BLOB NOT NULL,"
                       " last_values BLOB NOT NULL, PRIMARY KEY (host_id, day))")
            .arg(QLatin1String(ToneDaysTable)),
    };
}

QStringList THistoryPackedRowMapping::IndexStatements()
{
    return {QStringLiteral("CREATE INDEX polls_by_time ON %1 (%2)")
                .arg(QLatin1String(Table), QLatin1String(Columns[coTimeUtcMs].Name))};
}

// ---- writing ----------------------------------------------------------------------------------

QString THistoryPackedRowMapping::InsertSql()
{
    QStringList names, marks;
    for (const TColumnDefinition& column : Columns) {
        names << QLatin1String(column.Name);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(QLatin1String(Table), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
}

QVariant THistoryPackedRowMapping::OutcomeColumn(const QString& outcomeText)
{
    return outcomeText == CapturedText ? QVariant() : QVariant(outcomeText);
}

THistoryPackedRowMapping::TRow THistoryPackedRowMapping::RowOf(const THistoryRecord& record, std::int64_t hostId,
                                                               std::int64_t baseId, const std::string& packedValues)
{
    TRow row;
    row[coId] = record.Id > 0 ? QVariant(static_cast<qlonglong>(record.Id)) : QVariant();
    row[coTimeUtcMs] = static_cast<qlonglong>(record.TimeUtcMs);
    row[coHostId] = static_cast<qlonglong>(hostId);
    row[coOrigin] = static_cast<int>(record.Origin);
    row[coCaptured] = record.Outcome.Captured ? 1 : 0;
    row[coFailedStep] = static_cast<int>(record.Outcome.FailedStep);
    row[coErrorCode] = record.Outcome.ErrorCode;
    row[coErrorText] = QString::fromStdString(record.Outcome.ErrorText);
    row[coDeadlineExceeded] = record.Outcome.DeadlineExceeded ? 1 : 0;
    row[coOutcome] = OutcomeColumn(QString::fromStdString(DescribeOutcome(record.Outcome)));
    row[coFirstTone] = record.FirstTone;
    row[coLastTone] = record.LastTone;
    row[coTotalBits] = static_cast<qlonglong>(TotalBits(record.Bits));
    row[coZeroTones] = ZeroTones(record.Bits);
    row[coBaseId] = baseId > 0 ? QVariant(static_cast<qlonglong>(baseId)) : QVariant();
    row[coToneValues] = QByteArray(packedValues.data(), static_cast<qsizetype>(packedValues.size()));
    return row;
}

void THistoryPackedRowMapping::BindRow(QSqlQuery& query, const TRow& row)
{
    for (int column = 0; column < ColumnCount; ++column)
        query.bindValue(column, row[static_cast<std::size_t>(column)]);
}

// ---- reading ----------------------------------------------------------------------------------

QString THistoryPackedRowMapping::SelectSql(TView view)
{
    QStringList read;
    for (const TColumnDefinition& column : Columns)
        if (column.Views & (1u << view))
            read << QLatin1String(column.ReadAs ? column.ReadAs : column.Name);
    return QStringLiteral("SELECT %1 FROM %2").arg(read.join(QStringLiteral(", ")), QLatin1String(Table));
}

QVariant THistoryPackedRowMapping::Value(const QSqlQuery& row, TView view, TColumn column)
{
    const int position = Positions[view][column];
    return position < 0 ? QVariant() : row.value(position);
}

bool THistoryPackedRowMapping::ReadFields(const QSqlQuery& row, THistoryRecord& record, std::string& reason)
{
    THistoryRecord r;
    const auto value = [&](TLayout1::TColumn column) {
        const TColumn own = ColumnOfLayout1(column);
        return own == coHostId ? QVariant() : Value(row, vwRecord, own);
    };
    if (!TLayout1::ReadFields(value, r, reason))
        return false;
    r.Origin = OriginOf(Value(row, vwRecord, coOrigin));
    r.Bits = record.Bits;
    record = std::move(r);
    return true;
}

TPollOrigin THistoryPackedRowMapping::OriginOf(const QVariant& stored)
{
    const long long origin = stored.toLongLong();
    return origin >= 0 && origin <= static_cast<long long>(TPollOrigin::poPollCommand)
               ? static_cast<TPollOrigin>(origin)
               : TPollOrigin::poUnknown;
}

THistorySummary THistoryPackedRowMapping::ReadSummary(const QSqlQuery& row)
{
    const auto value = [&](TColumn column) { return Value(row, vwSummary, column); };
    THistorySummary s;
    s.Id = value(coId).toLongLong();
    s.TimeUtcMs = value(coTimeUtcMs).toLongLong();
    s.Captured = value(coCaptured).toLongLong() != 0;
    const QVariant outcome = value(coOutcome);
    s.OutcomeText = Utf8FromQString(outcome.isNull() ? CapturedText : outcome.toString().left(500));
    s.TotalBits = value(coTotalBits).toLongLong();
    s.ZeroTones = static_cast<int>(std::clamp<long long>(value(coZeroTones).toLongLong(), 0, ToneCount));
    s.Origin = OriginOf(value(coOrigin));
    return s;
}

TTotalBitsPoint THistoryPackedRowMapping::ReadTotalBitsPoint(const QSqlQuery& row)
{
    const auto value = [&](TColumn column) { return Value(row, vwTotalBits, column); };
    return {value(coId).toLongLong(), value(coTimeUtcMs).toLongLong(), value(coTotalBits).toLongLong(),
            value(coCaptured).toLongLong() != 0};
}

THistoryPageKey THistoryPackedRowMapping::ReadKey(const QSqlQuery& row)
{
    return {Value(row, vwKey, coTimeUtcMs).toLongLong(), Value(row, vwKey, coId).toLongLong()};
}
