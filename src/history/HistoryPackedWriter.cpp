#include "history/HistoryPackedWriter.h"

#include "history/HistoryPackedValues.h"

#include <QVariant>

#include <tuple>

namespace {

using M = THistoryPackedRowMapping;

QByteArray Bytes(const std::string& bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

THistoryPackedWriter::THistoryPackedWriter(const QSqlDatabase& db, THostStates& states)
    : fDb(db), fStates(states), fReader(db), fDays(db), fInsert(db)
{
    fInsert.prepare(M::InsertSql());
}

bool THistoryPackedWriter::Fail(const QSqlError& error)
{
    fError = error;
    return false;
}

bool THistoryPackedWriter::Fail(const std::string& reason)
{
    return Fail(QSqlError(QString(), QString::fromStdString(reason), QSqlError::UnknownError));
}

bool THistoryPackedWriter::Host(const std::string& host, THostState*& state)
{
    state = &fStates[host];
    if (fHostsSeen.count(host))
        return true;
    const QString name = QString::fromStdString(host);
    QSqlQuery q(fDb);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT id, last_poll_id FROM %1 WHERE name = ?").arg(QLatin1String(M::HostsTable)));
    q.addBindValue(name);
    if (!q.exec())
        return Fail(q.lastError());
    if (q.next()) {
        const std::int64_t id = q.value(0).toLongLong();
        const std::int64_t last = q.value(1).toLongLong();
        q.finish();
        // What the store kept from its last transaction holds while the file
        // names the same poll; otherwise another program wrote since.
        if (state->HostId != id || state->LastPollId != last || last <= 0) {
            *state = THostState{};
            state->HostId = id;
            state->LastPollId = last;
            std::string reason;
            if (last > 0)
                state->HasValues = fReader.ValuesOf(last, state->Bits, state->Depth, reason);
            if (!fReader.Failed().empty())
                return Fail(fReader.Failed());
        }
    } else {
        if (q.lastError().isValid())
            return Fail(q.lastError());
        q.finish();
        QSqlQuery add(fDb);
        add.prepare(QStringLiteral("INSERT INTO %1 (name) VALUES (?)").arg(QLatin1String(M::HostsTable)));
        add.addBindValue(name);
        if (!add.exec())
            return Fail(add.lastError());
        *state = THostState{};
        state->HostId = add.lastInsertId().toLongLong();
    }
    fHostsSeen[host] = true;
    return true;
}

bool THistoryPackedWriter::Insert(M::TRow& row, const std::string& host, const THistoryRecord* record, std::int64_t& id)
{
    THostState* state = nullptr;
    if (!Host(host, state))
        return false;
    row[M::coHostId] = static_cast<qlonglong>(state->HostId);
    int depth = 0;
    if (record) {
        const bool changeAllowed = state->HasValues && state->Depth + 1 < WholeEvery;
        const std::string packed = EncodePackedValues(record->Bits, changeAllowed ? &state->Bits : nullptr);
        const bool change = PackedFrameOf(packed) == TPackedFrame::pfChange;
        depth = change ? state->Depth + 1 : 0;
        row[M::coBaseId] = change ? QVariant(static_cast<qlonglong>(state->LastPollId)) : QVariant();
        row[M::coToneValues] = Bytes(packed);
    }
    M::BindRow(fInsert, row);
    if (!fInsert.exec())
        return Fail(fInsert.lastError());
    id = row[M::coId].isNull() ? fInsert.lastInsertId().toLongLong() : row[M::coId].toLongLong();
    if (!record)
        return true;
    state->LastPollId = id;
    state->HasValues = true;
    state->Bits = record->Bits;
    state->Depth = depth;
    fLastPollOfHost[state->HostId] = id;
    return AddToDay(state->HostId, *record, id) && AddToDay(THistoryToneDays::AllHosts, *record, id);
}

bool THistoryPackedWriter::Add(THistoryRecord& record)
{
    M::TRow row = M::RowOf(record, 0, 0, std::string());
    row[M::coId] = QVariant();  // a new poll, whatever the record held
    std::int64_t id = 0;
    if (!Insert(row, record.Host, &record, id))
        return false;
    record.Id = id;
    return true;
}

bool THistoryPackedWriter::AddMoved(M::TRow& row, const std::string& host, const THistoryRecord* record,
                                    const QByteArray& refusedValues)
{
    if (!record) {
        // Bytes that layout 1 refused and that would read as a packed frame
        // here are kept refused: a byte that is no mark, and that the text
        // reader names alike ("?"), in place of the first.
        QByteArray kept = refusedValues;
        if (PackedFrameOf(std::string_view(kept.constData(), static_cast<std::size_t>(kept.size()))) !=
            TPackedFrame::pfText)
            kept[0] = '\x7f';
        row[M::coBaseId] = QVariant();
        row[M::coToneValues] = kept;
    }
    std::int64_t id = 0;
    return Insert(row, host, record, id);
}

bool THistoryPackedWriter::AddToDay(std::int64_t series, const THistoryRecord& record, std::int64_t id)
{
    if (!record.Outcome.Captured)
        return true;
    const std::int64_t dayNumber = THistoryToneDays::DayOf(record.TimeUtcMs);
    const auto key = std::make_pair(series, dayNumber);
    auto pending = fPendingDays.find(key);
    if (pending == fPendingDays.end()) {
        TPendingDay day;
        bool found = false;
        bool unreadable = false;
        if (!fDays.Load(series, dayNumber, day.Day, found, unreadable))
            return Fail(fDays.Error());
        day.Recount = unreadable;
        pending = fPendingDays.emplace(key, std::move(day)).first;
    }
    TPendingDay& day = pending->second;
    if (day.Recount)
        return true;
    if (day.Day.Span.CapturedPolls() > 0 &&
        std::tie(record.TimeUtcMs, id) < std::tie(day.Day.LastTimeUtcMs, day.Day.LastId)) {
        day.Recount = true;
        return true;
    }
    day.Day.Span.Add(true, record.Bits);
    day.Day.LastTimeUtcMs = record.TimeUtcMs;
    day.Day.LastId = id;
    return true;
}

bool THistoryPackedWriter::Recount(THistoryToneDay& day)
{
    QString sql = M::SelectSql(M::vwRecord) + QStringLiteral(" WHERE time_utc_ms >= ? AND time_utc_ms < ?");
    if (day.HostId != THistoryToneDays::AllHosts)
        sql += QStringLiteral(" AND host_id = ?");
    sql += QStringLiteral(" ORDER BY time_utc_ms, id");
    QSqlQuery q(fDb);
    q.setForwardOnly(true);
    q.prepare(sql);
    q.addBindValue(static_cast<qlonglong>(day.Day * THistoryToneDays::DayMs));
    q.addBindValue(static_cast<qlonglong>((day.Day + 1) * THistoryToneDays::DayMs));
    if (day.HostId != THistoryToneDays::AllHosts)
        q.addBindValue(static_cast<qlonglong>(day.HostId));
    if (!q.exec())
        return Fail(q.lastError());
    day.Span = TToneChangeSpan();
    THistoryRecord record;
    std::string reason;
    while (q.next()) {
        // Refused polls are left out, as every reader leaves them out.
        if (!fReader.Read(q, record, reason)) {
            if (!fReader.Failed().empty())
                return Fail(fReader.Failed());
            continue;
        }
        if (!record.Outcome.Captured)
            continue;
        day.Span.Add(true, record.Bits);
        day.LastTimeUtcMs = record.TimeUtcMs;
        day.LastId = record.Id;
    }
    if (q.lastError().isValid())
        return Fail(q.lastError());
    return true;
}

bool THistoryPackedWriter::Finish()
{
    QSqlQuery q(fDb);
    q.prepare(QStringLiteral("UPDATE %1 SET last_poll_id = ? WHERE id = ?").arg(QLatin1String(M::HostsTable)));
    for (const auto& [host, last] : fLastPollOfHost) {
        q.bindValue(0, static_cast<qlonglong>(last));
        q.bindValue(1, static_cast<qlonglong>(host));
        if (!q.exec())
            return Fail(q.lastError());
    }
    fLastPollOfHost.clear();
    for (auto& [key, pending] : fPendingDays) {
        if (pending.Recount && !Recount(pending.Day))
            return false;
        if (!fDays.Save(pending.Day))
            return Fail(fDays.Error());
    }
    fPendingDays.clear();
    return true;
}
