#include "history/HistoryRowMapping.h"
#include "text/QtText.h"

#include "history/HistoryValues.h"

#include <QSqlQuery>

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <utility>

namespace {

using M = THistoryRowMapping;
using TColumn = M::TColumn;

constexpr unsigned InRecord = 1u << M::vwRecord;
constexpr unsigned InSummary = 1u << M::vwSummary;
constexpr unsigned InTotalBits = 1u << M::vwTotalBits;
constexpr unsigned InKey = 1u << M::vwKey;
constexpr unsigned InEvery = 1u << M::vwEvery;

struct TColumnDefinition {
    TColumn Column;
    const char* Name;
    const char* Declaration;
    // Which views read it.
    unsigned Views;
    // The value a new record gives it; null for id, which SQLite gives.
    QVariant (*Write)(const THistoryRecord&);
    // How a SELECT reads it; the name itself when null.
    const char* ReadAs = nullptr;
};

// One row per poll. The summary columns (outcome, total_bits, zero_tones)
// let the list show a poll without decoding its values; tone_values holds
// all 513 numbers and is read as the bytes the file holds, so that its
// strict reader sees them even where they are no valid text.
constexpr TColumnDefinition Columns[] = {
    {M::coId, "id", "INTEGER PRIMARY KEY", InRecord | InSummary | InTotalBits | InKey | InEvery, nullptr},
    {M::coTimeUtcMs, "time_utc_ms", "INTEGER NOT NULL", InRecord | InSummary | InTotalBits | InKey | InEvery,
     [](const THistoryRecord& r) -> QVariant { return static_cast<qlonglong>(r.TimeUtcMs); }},
    {M::coHost, "host", "TEXT NOT NULL", InRecord | InEvery,
     [](const THistoryRecord& r) -> QVariant { return QString::fromStdString(r.Host); }},
    {M::coCaptured, "captured", "INTEGER NOT NULL", InRecord | InSummary | InTotalBits | InEvery,
     [](const THistoryRecord& r) -> QVariant { return r.Outcome.Captured ? 1 : 0; }},
    {M::coFailedStep, "failed_step", "INTEGER NOT NULL", InRecord | InEvery,
     [](const THistoryRecord& r) -> QVariant { return static_cast<int>(r.Outcome.FailedStep); }},
    {M::coErrorCode, "error_code", "INTEGER NOT NULL", InRecord | InEvery,
     [](const THistoryRecord& r) -> QVariant { return r.Outcome.ErrorCode; }},
    {M::coErrorText, "error_text", "TEXT NOT NULL", InRecord | InEvery,
     [](const THistoryRecord& r) -> QVariant { return QString::fromStdString(r.Outcome.ErrorText); }},
    {M::coDeadlineExceeded, "deadline_exceeded", "INTEGER NOT NULL", InRecord | InEvery,
     [](const THistoryRecord& r) -> QVariant { return r.Outcome.DeadlineExceeded ? 1 : 0; }},
    {M::coOutcome, "outcome", "TEXT NOT NULL", InSummary | InEvery,
     [](const THistoryRecord& r) -> QVariant { return QString::fromStdString(DescribeOutcome(r.Outcome)); }},
    {M::coFirstTone, "first_tone", "INTEGER NOT NULL", InRecord | InEvery,
     [](const THistoryRecord& r) -> QVariant { return r.FirstTone; }},
    {M::coLastTone, "last_tone", "INTEGER NOT NULL", InRecord | InEvery,
     [](const THistoryRecord& r) -> QVariant { return r.LastTone; }},
    {M::coTotalBits, "total_bits", "INTEGER NOT NULL", InSummary | InTotalBits | InEvery,
     [](const THistoryRecord& r) -> QVariant { return static_cast<qlonglong>(TotalBits(r.Bits)); }},
    {M::coZeroTones, "zero_tones", "INTEGER NOT NULL", InSummary | InEvery,
     [](const THistoryRecord& r) -> QVariant { return ZeroTones(r.Bits); }},
    {M::coToneValues, "tone_values", "TEXT NOT NULL", InRecord | InEvery,
     [](const THistoryRecord& r) -> QVariant { return QString::fromStdString(EncodeToneValues(r.Bits)); },
     "CAST(tone_values AS BLOB)"},
};
static_assert(std::size(Columns) == M::ColumnCount);

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

}  // namespace

// ---- layout -----------------------------------------------------------------------------------

QString THistoryRowMapping::CreateTableSql()
{
    QStringList columns;
    for (const TColumnDefinition& column : Columns)
        columns << QStringLiteral(" %1 %2").arg(QLatin1String(column.Name), QLatin1String(column.Declaration));
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(QLatin1String(Table), columns.join(QLatin1Char(',')));
}

QStringList THistoryRowMapping::LayoutStatements()
{
    return {CreateTableSql(), QStringLiteral("CREATE INDEX polls_by_time ON %1 (%2)")
                                  .arg(QLatin1String(Table), QLatin1String(Columns[coTimeUtcMs].Name))};
}

// ---- writing ----------------------------------------------------------------------------------

QString THistoryRowMapping::InsertSql()
{
    QStringList names, marks;
    for (const TColumnDefinition& column : Columns) {
        if (!column.Write)
            continue;
        names << QLatin1String(column.Name);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(QLatin1String(Table), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
}

void THistoryRowMapping::BindRecord(QSqlQuery& query, const THistoryRecord& record)
{
    for (const TColumnDefinition& column : Columns)
        if (column.Write)
            query.addBindValue(column.Write(record));
}

// ---- reading ----------------------------------------------------------------------------------

QString THistoryRowMapping::SelectSql(TView view, const char* table)
{
    QStringList read;
    for (const TColumnDefinition& column : Columns)
        if (column.Views & (1u << view))
            read << QLatin1String(column.ReadAs ? column.ReadAs : column.Name);
    return QStringLiteral("SELECT %1 FROM %2").arg(read.join(QStringLiteral(", ")), QLatin1String(table));
}

QVariant THistoryRowMapping::Value(const QSqlQuery& row, TView view, TColumn column)
{
    const int position = Positions[view][column];
    return position < 0 ? QVariant() : row.value(position);
}

bool THistoryRowMapping::ReadFields(const TFieldValue& value, THistoryRecord& record, std::string& reason)
{
    THistoryRecord r;
    bool ok = false;
    r.Id = value(coId).toLongLong(&ok);
    if (!ok) {
        reason = "the record has no usable number";
        return false;
    }
    r.TimeUtcMs = value(coTimeUtcMs).toLongLong(&ok);
    if (!ok) {
        reason = "its time is not a number";
        return false;
    }
    r.Host = Utf8FromQString(value(coHost).toString());
    r.Outcome.Captured = value(coCaptured).toLongLong() != 0;
    // A step number beyond this version's steps (written by a later one)
    // reads as no step; whether the poll failed is the captured column's.
    const long long step = value(coFailedStep).toLongLong();
    r.Outcome.FailedStep =
        (step >= 0 && step <= static_cast<long long>(LastPollStep)) ? static_cast<TPollStep>(step) : TPollStep::psNone;
    const long long code = value(coErrorCode).toLongLong();
    r.Outcome.ErrorCode = (code >= INT32_MIN && code <= INT32_MAX) ? static_cast<int>(code) : 0;
    r.Outcome.ErrorText = Utf8FromQString(value(coErrorText).toString());
    r.Outcome.DeadlineExceeded = value(coDeadlineExceeded).toLongLong() != 0;
    const long long first = value(coFirstTone).toLongLong(&ok);
    bool okLast = false;
    const long long last = value(coLastTone).toLongLong(&okLast);
    if (!ok || !okLast || first < 0 || last >= ToneCount || first > last) {
        reason = "its range " + Utf8FromQString(value(coFirstTone).toString()).substr(0, 20) + " - " +
                 Utf8FromQString(value(coLastTone).toString()).substr(0, 20) + " is not a range of tones";
        return false;
    }
    r.FirstTone = static_cast<int>(first);
    r.LastTone = static_cast<int>(last);
    r.Bits = record.Bits;
    record = std::move(r);
    return true;
}

bool THistoryRowMapping::ReadRecord(const QSqlQuery& row, THistoryRecord& record, std::string& reason, TView view)
{
    THistoryRecord r;
    if (!ReadFields([&](TColumn column) { return Value(row, view, column); }, r, reason))
        return false;
    const QVariant values = Value(row, view, coToneValues);
    if (values.isNull()) {
        reason = "it has no values";
        return false;
    }
    const QByteArray bytes = values.toByteArray();
    if (!DecodeToneValues(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), r.Bits, reason))
        return false;
    record = std::move(r);
    return true;
}

THistorySummary THistoryRowMapping::ReadSummary(const QSqlQuery& row)
{
    const auto value = [&](TColumn column) { return Value(row, vwSummary, column); };
    THistorySummary s;
    s.Id = value(coId).toLongLong();
    s.TimeUtcMs = value(coTimeUtcMs).toLongLong();
    s.Captured = value(coCaptured).toLongLong() != 0;
    s.OutcomeText = Utf8FromQString(value(coOutcome).toString().left(500));
    s.TotalBits = value(coTotalBits).toLongLong();
    s.ZeroTones = static_cast<int>(std::clamp<long long>(value(coZeroTones).toLongLong(), 0, ToneCount));
    return s;
}

TTotalBitsPoint THistoryRowMapping::ReadTotalBitsPoint(const QSqlQuery& row)
{
    const auto value = [&](TColumn column) { return Value(row, vwTotalBits, column); };
    return {value(coId).toLongLong(), value(coTimeUtcMs).toLongLong(), value(coTotalBits).toLongLong(),
            value(coCaptured).toLongLong() != 0};
}

THistoryPageKey THistoryRowMapping::ReadKey(const QSqlQuery& row)
{
    return {Value(row, vwKey, coTimeUtcMs).toLongLong(), Value(row, vwKey, coId).toLongLong()};
}
