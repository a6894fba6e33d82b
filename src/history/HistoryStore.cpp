#include "history/HistoryStore.h"

#include "history/HistoryPackedReader.h"
#include "history/HistoryPackedRowMapping.h"
#include "history/HistoryRowMapping.h"
#include "history/HistoryToneDays.h"
#include "text/QtText.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

using TUse = THistoryStoreFile::TUse;
// The rows of the layout this version writes, and of layout 1.
using TRows = THistoryPackedRowMapping;
using TRows1 = THistoryRowMapping;

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

bool THistoryStore::ReadFailed(const std::string& reason)
{
    fFile.SetLastError("cannot read the history: " + reason);
    return false;
}

QString THistoryStore::SelectSql(int view) const
{
    return Layout1() ? TRows1::SelectSql(static_cast<TRows1::TView>(view))
                     : TRows::SelectSql(static_cast<TRows::TView>(view));
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
        // What the hosts' next values were to be packed against was not kept.
        fHostStates.clear();
        return fFile.Fail("the history could not be written", error);
    };
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failed(q.lastError());
    {
        THistoryPackedWriter writer(db, fHostStates);
        for (std::size_t i = 0; i < count; ++i)
            if (!writer.Add(records[i]))
                return failed(writer.Error());
        if (!writer.Finish())
            return failed(writer.Error());
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
    fHostStates.clear();
    if (!fFile.StartOverAside(damage))
        return false;
    return AppendOnce(&record, 1, damage);
}

// ---- reading ----------------------------------------------------------------------------------

bool THistoryStore::VisitRecords(QSqlQuery& q, THistoryPackedReader* reader, const TRecordVisitor& visit,
                                 const TRefusalVisitor& refused)
{
    THistoryRecord record;
    std::string reason;
    while (q.next()) {
        if (reader ? reader->Read(q, record, reason) : TRows1::ReadRecord(q, record, reason)) {
            visit(record);
            continue;
        }
        if (reader && !reader->Failed().empty())
            return ReadFailed(reader->Failed());
        if (refused) {
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
    QString sql = SelectSql(TRows::vwSummary);
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
        page.push_back(Layout1() ? TRows1::ReadSummary(q) : TRows::ReadSummary(q));
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
    q.prepare(SelectSql(TRows::vwRecord) + QStringLiteral(" WHERE id = ?"));
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
    std::optional<THistoryPackedReader> reader;
    if (!Layout1())
        reader.emplace(fFile.Database());
    if (!(reader ? reader->Read(q, record, reason) : TRows1::ReadRecord(q, record, reason))) {
        if (reader && !reader->Failed().empty())
            return ReadFailed(reader->Failed());
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
    q.prepare(SelectSql(TRows::vwRecord) + FilterClause(filter) + QStringLiteral(" ORDER BY time_utc_ms, id"));
    BindFilter(q, filter);
    if (!q.exec())
        return ReadFailed(q.lastError());
    std::optional<THistoryPackedReader> reader;
    if (!Layout1())
        reader.emplace(fFile.Database());
    return VisitRecords(q, reader ? &*reader : nullptr, visit, refused);
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
        if (!q.exec(SelectSql(TRows::vwKey) + QStringLiteral(" WHERE id IN (%1)").arg(inList(keys, from))))
            return ReadFailed(q.lastError());
        while (q.next()) {
            const THistoryPageKey key = Layout1() ? TRows1::ReadKey(q) : TRows::ReadKey(q);
            found.emplace_back(key.TimeUtcMs, key.Id);
        }
        if (q.lastError().isValid())
            return ReadFailed(q.lastError());
    }
    std::sort(found.begin(), found.end());
    std::optional<THistoryPackedReader> reader;
    if (!Layout1())
        reader.emplace(fFile.Database());
    for (std::size_t from = 0; from < found.size(); from += Chunk) {
        if (!q.exec(SelectSql(TRows::vwRecord) +
                    QStringLiteral(" WHERE id IN (%1) ORDER BY time_utc_ms, id").arg(inList(found, from))))
            return ReadFailed(q.lastError());
        if (!VisitRecords(q, reader ? &*reader : nullptr, visit, refused))
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
    q.prepare(SelectSql(TRows::vwTotalBits) + FilterClause(filter) + QStringLiteral(" ORDER BY time_utc_ms, id"));
    BindFilter(q, filter);
    if (!q.exec())
        return ReadFailed(q.lastError());
    while (q.next())
        points.push_back(Layout1() ? TRows1::ReadTotalBitsPoint(q) : TRows::ReadTotalBitsPoint(q));
    if (q.lastError().isValid())
        return ReadFailed(q.lastError());
    return true;
}

// ---- the change count -------------------------------------------------------------------------

bool THistoryStore::SpanOfPolls(const THistoryFilter& filter, const std::string* host, TToneChangeSpan& span)
{
    // A name as it comes back from the file.
    const std::string stored = host ? Utf8FromQString(QString::fromStdString(*host)) : std::string();
    return ForEachRecord(filter,
                         [&](const THistoryRecord& record) {
                             if (!host || record.Host == stored)
                                 span.Add(record.Outcome.Captured, record.Bits);
                         },
                         {});
}

bool THistoryStore::ReadChanges(const THistoryFilter& filter, const std::string* host,
                                std::vector<std::int64_t>& changes)
{
    changes.clear();
    if (!fFile.Ready(TUse::Read))
        return false;
    TToneChangeSpan span;
    const auto done = [&] {
        changes.assign(span.Changes().begin(), span.Changes().end());
        return true;
    };
    // A store of layout 1 has no day summaries.
    if (Layout1())
        return SpanOfPolls(filter, host, span) && done();
    std::int64_t series = THistoryToneDays::AllHosts;
    if (host) {
        THistoryPackedReader reader(fFile.Database());
        series = reader.HostIdOf(*host);
        if (!reader.Failed().empty())
            return ReadFailed(reader.Failed());
        if (series == 0)
            return done();
    }
    constexpr std::int64_t Day = THistoryToneDays::DayMs;
    // The whole days of the period, firstDay <= day < endDay (all days on an open side).
    constexpr std::int64_t Unbounded = std::int64_t{1} << 40;
    const std::int64_t firstDay =
        filter.HasSince ? THistoryToneDays::DayOf(filter.SinceUtcMs) + (filter.SinceUtcMs % Day != 0 ? 1 : 0)
                        : -Unbounded;
    const std::int64_t endDay = filter.HasUntil ? THistoryToneDays::DayOf(filter.UntilUtcMs) : Unbounded;
    if (firstDay >= endDay)
        return SpanOfPolls(filter, host, span) && done();
    const auto polls = [&](std::int64_t since, std::int64_t until) {
        TToneChangeSpan part;
        if (!SpanOfPolls({true, since, true, until}, host, part))
            return false;
        span.Join(part);
        return true;
    };
    if (filter.HasSince && filter.SinceUtcMs < firstDay * Day && !polls(filter.SinceUtcMs, firstDay * Day))
        return false;
    THistoryToneDays days(fFile.Database());
    bool partsRead = true;
    const bool daysRead = days.ForEachDay(series, firstDay, endDay, [&](const THistoryToneDay& day, bool unreadable) {
        // A summary that cannot be read is counted from its polls.
        if (!unreadable)
            span.Join(day.Span);
        else if (!polls(day.Day * Day, (day.Day + 1) * Day))
            partsRead = false;
        return partsRead;
    });
    if (!daysRead)
        return ReadFailed(days.Error());
    if (!partsRead)
        return false;
    if (filter.HasUntil && endDay * Day < filter.UntilUtcMs && !polls(endDay * Day, filter.UntilUtcMs))
        return false;
    return done();
}

bool THistoryStore::ReadToneChanges(const THistoryFilter& filter, std::vector<std::int64_t>& changesPerTone)
{
    return ReadChanges(filter, nullptr, changesPerTone);
}

bool THistoryStore::ReadToneChanges(const THistoryFilter& filter, const std::string& host,
                                    std::vector<std::int64_t>& changesPerTone)
{
    return ReadChanges(filter, &host, changesPerTone);
}
