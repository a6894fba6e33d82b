#include "history/HistoryStore.h"

#include "history/HistoryRowMapping.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <utility>

namespace {

using TUse = THistoryStoreFile::TUse;
// The rows of the layout this version writes.
using TRows = THistoryRowMapping;

std::string RefusalText(std::int64_t id, const std::string& reason)
{
    return "poll " + std::to_string(id) + " refused: " + reason;
}

// The conditions of a filter on the poll's time ("time_utc_ms >= :since", ...).
QStringList FilterConditions(const THistoryFilter& filter)
{
    QStringList conditions;
    if (filter.HasSince)
        conditions << QStringLiteral("time_utc_ms >= :since");
    if (filter.HasUntil)
        conditions << QStringLiteral("time_utc_ms < :until");
    return conditions;
}

// " WHERE ..." for a filter, or nothing.
QString FilterClause(const THistoryFilter& filter)
{
    const QStringList conditions = FilterConditions(filter);
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

void BindFilter(QSqlQuery& q, const THistoryFilter& filter)
{
    if (filter.HasSince)
        q.bindValue(QStringLiteral(":since"), static_cast<qlonglong>(filter.SinceUtcMs));
    if (filter.HasUntil)
        q.bindValue(QStringLiteral(":until"), static_cast<qlonglong>(filter.UntilUtcMs));
}

}  // namespace

bool THistoryStore::ReadFailed(const QSqlError& error)
{
    return fFile.Fail("cannot read the history", error);
}

// ---- writing ----------------------------------------------------------------------------------

bool THistoryStore::AppendOnce(THistoryRecord* records, std::size_t count, std::string& damage)
{
    damage.clear();
    QSqlDatabase db = fFile.Database();
    QSqlQuery q(db);
    const auto failed = [&](const QSqlError& error) {
        if (THistoryStoreFile::IsDamage(error))
            damage = THistoryStoreFile::Reason(error);
        q.finish();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        for (std::size_t i = 0; i < count; ++i)
            records[i].Id = 0;
        return fFile.Fail("the history could not be written", error);
    };
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failed(q.lastError());
    q.prepare(TRows::InsertSql());
    for (std::size_t i = 0; i < count; ++i) {
        THistoryRecord& record = records[i];
        TRows::BindRecord(q, record);
        if (!q.exec())
            return failed(q.lastError());
        record.Id = q.lastInsertId().toLongLong();
    }
    q.finish();
    if (!q.exec(QStringLiteral("COMMIT")))
        return failed(q.lastError());
    return true;
}

bool THistoryStore::AppendAll(std::vector<THistoryRecord>& records)
{
    fFile.ClearNotice();
    if (!fFile.Ready(TUse::Write))
        return false;
    std::string damage;
    return AppendOnce(records.data(), records.size(), damage);
}

bool THistoryStore::Append(THistoryRecord& record)
{
    fFile.ClearNotice();
    if (!fFile.Ready(TUse::Write))
        return false;
    std::string damage;
    if (AppendOnce(&record, 1, damage))
        return true;
    if (damage.empty())
        return false;
    // The file went bad under us: keep it for inspection and go on in a new one.
    if (!fFile.StartOverAside(damage))
        return false;
    return AppendOnce(&record, 1, damage);
}

// ---- reading ----------------------------------------------------------------------------------

bool THistoryStore::VisitRecords(QSqlQuery& q, const TRecordVisitor& visit, const TRefusalVisitor& refused)
{
    THistoryRecord record;
    std::string reason;
    while (q.next()) {
        if (TRows::ReadRecord(q, record, reason)) {
            visit(record);
        } else if (refused) {
            const std::int64_t id = TRows::Value(q, TRows::vwRecord, TRows::coId).toLongLong();
            refused(id, TRows::Value(q, TRows::vwRecord, TRows::coTimeUtcMs).toLongLong(), RefusalText(id, reason));
        }
    }
    if (q.lastError().isValid())
        return ReadFailed(q.lastError());
    return true;
}

std::int64_t THistoryStore::Count(const THistoryFilter& filter)
{
    if (!fFile.Ready(TUse::Read))
        return -1;
    QSqlQuery q(fFile.Database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(TRows::Table)) + FilterClause(filter));
    BindFilter(q, filter);
    if (!q.exec() || !q.next()) {
        ReadFailed(q.lastError());
        return -1;
    }
    return q.value(0).toLongLong();
}

bool THistoryStore::ReadPage(const THistoryFilter& filter, const THistoryPageKey* after, int limit,
                             std::vector<THistorySummary>& page)
{
    page.clear();
    if (!fFile.Ready(TUse::Read))
        return false;
    QString sql = TRows::SelectSql(TRows::vwSummary);
    QStringList conditions = FilterConditions(filter);
    if (after)
        conditions << QStringLiteral("(time_utc_ms, id) < (:time, :id)");
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY time_utc_ms DESC, id DESC LIMIT :limit");
    QSqlQuery q(fFile.Database());
    q.setForwardOnly(true);
    q.prepare(sql);
    BindFilter(q, filter);
    if (after) {
        q.bindValue(QStringLiteral(":time"), static_cast<qlonglong>(after->TimeUtcMs));
        q.bindValue(QStringLiteral(":id"), static_cast<qlonglong>(after->Id));
    }
    q.bindValue(QStringLiteral(":limit"), std::max(0, limit));
    if (!q.exec())
        return ReadFailed(q.lastError());
    while (q.next())
        page.push_back(TRows::ReadSummary(q));
    if (q.lastError().isValid())
        return ReadFailed(q.lastError());
    return true;
}

bool THistoryStore::ReadRecord(std::int64_t id, THistoryRecord& record)
{
    if (!fFile.Ready(TUse::Read))
        return false;
    QSqlQuery q(fFile.Database());
    q.setForwardOnly(true);
    q.prepare(TRows::SelectSql(TRows::vwRecord) + QStringLiteral(" WHERE id = ?"));
    q.addBindValue(static_cast<qlonglong>(id));
    if (!q.exec())
        return ReadFailed(q.lastError());
    if (!q.next()) {
        if (q.lastError().isValid())
            return ReadFailed(q.lastError());
        fFile.SetLastError("poll " + std::to_string(id) + " is not in the history");
        return false;
    }
    std::string reason;
    if (!TRows::ReadRecord(q, record, reason)) {
        fFile.SetLastError(RefusalText(id, reason));
        return false;
    }
    return true;
}

bool THistoryStore::ForEachRecord(const THistoryFilter& filter, const TRecordVisitor& visit,
                                  const TRefusalVisitor& refused)
{
    if (!fFile.Ready(TUse::Read))
        return false;
    QSqlQuery q(fFile.Database());
    q.setForwardOnly(true);
    q.prepare(TRows::SelectSql(TRows::vwRecord) + FilterClause(filter) + QStringLiteral(" ORDER BY time_utc_ms, id"));
    BindFilter(q, filter);
    if (!q.exec())
        return ReadFailed(q.lastError());
    return VisitRecords(q, visit, refused);
}

bool THistoryStore::ForEachRecordOf(const std::vector<std::int64_t>& ids, const TRecordVisitor& visit,
                                    const TRefusalVisitor& refused)
{
    if (!fFile.Ready(TUse::Read))
        return false;
    constexpr std::size_t Chunk = 500;
    const auto inList = [](const std::vector<std::pair<std::int64_t, std::int64_t>>& keys, std::size_t from) {
        QStringList numbers;
        for (std::size_t i = from; i < std::min(keys.size(), from + Chunk); ++i)
            numbers << QString::number(keys[i].second);
        return numbers.join(QLatin1Char(','));
    };
    // Times first, so that the records can be visited oldest first chunk by chunk.
    std::vector<std::pair<std::int64_t, std::int64_t>> keys;  // (time, id)
    for (std::int64_t id : ids)
        keys.emplace_back(0, id);
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::vector<std::pair<std::int64_t, std::int64_t>> found;
    QSqlQuery q(fFile.Database());
    q.setForwardOnly(true);
    for (std::size_t from = 0; from < keys.size(); from += Chunk) {
        if (!q.exec(TRows::SelectSql(TRows::vwKey) + QStringLiteral(" WHERE id IN (%1)").arg(inList(keys, from))))
            return ReadFailed(q.lastError());
        while (q.next()) {
            const THistoryPageKey key = TRows::ReadKey(q);
            found.emplace_back(key.TimeUtcMs, key.Id);
        }
        if (q.lastError().isValid())
            return ReadFailed(q.lastError());
    }
    std::sort(found.begin(), found.end());
    for (std::size_t from = 0; from < found.size(); from += Chunk) {
        if (!q.exec(TRows::SelectSql(TRows::vwRecord) +
                    QStringLiteral(" WHERE id IN (%1) ORDER BY time_utc_ms, id").arg(inList(found, from))))
            return ReadFailed(q.lastError());
        if (!VisitRecords(q, visit, refused))
            return false;
    }
    return true;
}

bool THistoryStore::ReadTotalBits(const THistoryFilter& filter, std::vector<TTotalBitsPoint>& points)
{
    points.clear();
    if (!fFile.Ready(TUse::Read))
        return false;
    QSqlQuery q(fFile.Database());
    q.setForwardOnly(true);
    q.prepare(TRows::SelectSql(TRows::vwTotalBits) + FilterClause(filter) +
              QStringLiteral(" ORDER BY time_utc_ms, id"));
    BindFilter(q, filter);
    if (!q.exec())
        return ReadFailed(q.lastError());
    while (q.next())
        points.push_back(TRows::ReadTotalBitsPoint(q));
    if (q.lastError().isValid())
        return ReadFailed(q.lastError());
    return true;
}
