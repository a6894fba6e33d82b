#include "history/HistoryMigration.h"
#include "text/QtText.h"

#include "history/HistoryPackedRowMapping.h"
#include "history/HistoryPackedWriter.h"
#include "history/HistoryRowMapping.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

using TOld = THistoryRowMapping;
using TNew = THistoryPackedRowMapping;

constexpr const char* OldTable = "polls_layout1";

// The columns both layouts have, as the old row holds them.
void CopyColumns(const QSqlQuery& old, TNew::TRow& row)
{
    const auto value = [&](TOld::TColumn column) { return TOld::Value(old, TOld::vwEvery, column); };
    row[TNew::coId] = value(TOld::coId);
    row[TNew::coTimeUtcMs] = value(TOld::coTimeUtcMs);
    row[TNew::coOrigin] = static_cast<int>(TPollOrigin::poUnknown);
    row[TNew::coCaptured] = value(TOld::coCaptured);
    row[TNew::coFailedStep] = value(TOld::coFailedStep);
    row[TNew::coErrorCode] = value(TOld::coErrorCode);
    row[TNew::coErrorText] = value(TOld::coErrorText);
    row[TNew::coDeadlineExceeded] = value(TOld::coDeadlineExceeded);
    row[TNew::coOutcome] = TNew::OutcomeColumn(value(TOld::coOutcome).toString());
    row[TNew::coFirstTone] = value(TOld::coFirstTone);
    row[TNew::coLastTone] = value(TOld::coLastTone);
    row[TNew::coTotalBits] = value(TOld::coTotalBits);
    row[TNew::coZeroTones] = value(TOld::coZeroTones);
}

}  // namespace

bool THistoryMigration::FromLayout1(const QSqlDatabase& db, const TProgress& progress, QSqlError& error)
{
    QSqlQuery q(db);
    const auto run = [&](const QString& statement) {
        if (q.exec(statement))
            return true;
        error = q.lastError();
        return false;
    };
    // The old table keeps its index by time under its new name, for reading it in order.
    if (!run(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(QLatin1String(TOld::Table), QLatin1String(OldTable))))
        return false;
    for (const QString& statement : TNew::TableStatements())
        if (!run(statement))
            return false;
    if (!run(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(OldTable))) || !q.next()) {
        error = q.lastError();
        return false;
    }
    const std::int64_t total = q.value(0).toLongLong();
    q.finish();

    THistoryPackedWriter::THostStates states;
    THistoryPackedWriter writer(db, states);
    QSqlQuery old(db);
    old.setForwardOnly(true);
    if (!old.exec(TOld::SelectSql(TOld::vwEvery, OldTable) + QStringLiteral(" ORDER BY time_utc_ms, id"))) {
        error = old.lastError();
        return false;
    }
    std::int64_t moved = 0;
    THistoryRecord record;
    std::string reason;
    while (old.next()) {
        TNew::TRow row;
        CopyColumns(old, row);
        const bool readable = TOld::ReadRecord(old, record, reason, TOld::vwEvery);
        const std::string host = Utf8FromQString(TOld::Value(old, TOld::vwEvery, TOld::coHost).toString());
        if (!writer.AddMoved(row, host, readable ? &record : nullptr,
                             TOld::Value(old, TOld::vwEvery, TOld::coToneValues).toByteArray())) {
            error = writer.Error();
            return false;
        }
        ++moved;
        if (progress)
            progress(moved, total);
    }
    if (old.lastError().isValid()) {
        error = old.lastError();
        return false;
    }
    old.finish();
    if (!writer.Finish()) {
        error = writer.Error();
        return false;
    }
    if (!run(QStringLiteral("DROP TABLE %1").arg(QLatin1String(OldTable))))
        return false;
    for (const QString& statement : TNew::IndexStatements())
        if (!run(statement))
            return false;
    return run(QStringLiteral("UPDATE schema_version SET version = 2"));
}
