#include "history/HistoryToneDays.h"

#include "history/HistoryPackedRowMapping.h"
#include "history/HistoryPackedValues.h"

#include <QSqlQuery>
#include <QVariant>

#include <string_view>

namespace {

constexpr const char* Columns = "host_id, day, captured_polls, last_time_utc_ms, last_id, CAST(changes AS BLOB),"
                                " CAST(first_values AS BLOB), CAST(last_values AS BLOB)";

std::string_view View(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QByteArray Bytes(const std::string& bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The current row of a query that selects Columns; false when a hostile file
// made it unreadable.
bool ReadDay(const QSqlQuery& q, THistoryToneDay& day)
{
    bool okHost = false, okDay = false, okCount = false, okTime = false, okId = false;
    day.HostId = q.value(0).toLongLong(&okHost);
    day.Day = q.value(1).toLongLong(&okDay);
    const std::int64_t captured = q.value(2).toLongLong(&okCount);
    day.LastTimeUtcMs = q.value(3).toLongLong(&okTime);
    day.LastId = q.value(4).toLongLong(&okId);
    ToneCountTotals changes{};
    ToneBits first{}, last{};
    std::string reason;
    if (!okHost || !okDay || !okCount || !okTime || !okId || captured < 1 ||
        !DecodeToneCounts(View(q.value(5).toByteArray()), changes, reason) ||
        !DecodePackedValues(View(q.value(6).toByteArray()), nullptr, first, reason) ||
        !DecodePackedValues(View(q.value(7).toByteArray()), nullptr, last, reason))
        return false;
    day.Span.Set(captured, changes, first, last);
    return true;
}

}  // namespace

std::int64_t THistoryToneDays::DayOf(std::int64_t timeUtcMs)
{
    const std::int64_t day = timeUtcMs / DayMs;
    return (timeUtcMs % DayMs < 0) ? day - 1 : day;
}

bool THistoryToneDays::Load(std::int64_t hostId, std::int64_t dayNumber, THistoryToneDay& day, bool& found,
                            bool& unreadable)
{
    found = unreadable = false;
    QSqlQuery q(fDb);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE host_id = ? AND day = ?")
                  .arg(QLatin1String(Columns), QLatin1String(THistoryPackedRowMapping::ToneDaysTable)));
    q.addBindValue(static_cast<qlonglong>(hostId));
    q.addBindValue(static_cast<qlonglong>(dayNumber));
    if (!q.exec()) {
        fError = q.lastError();
        return false;
    }
    if (!q.next()) {
        if (q.lastError().isValid()) {
            fError = q.lastError();
            return false;
        }
        day = THistoryToneDay{hostId, dayNumber, {}, 0, 0};
        return true;
    }
    found = true;
    unreadable = !ReadDay(q, day);
    day.HostId = hostId;
    day.Day = dayNumber;
    return true;
}

bool THistoryToneDays::ForEachDay(std::int64_t hostId, std::int64_t fromDay, std::int64_t toDay,
                                  const TDayVisitor& visit)
{
    QSqlQuery q(fDb);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE host_id = ? AND day >= ? AND day < ? ORDER BY day")
                  .arg(QLatin1String(Columns), QLatin1String(THistoryPackedRowMapping::ToneDaysTable)));
    q.addBindValue(static_cast<qlonglong>(hostId));
    q.addBindValue(static_cast<qlonglong>(fromDay));
    q.addBindValue(static_cast<qlonglong>(toDay));
    if (!q.exec()) {
        fError = q.lastError();
        return false;
    }
    while (q.next()) {
        THistoryToneDay day;
        const bool readable = ReadDay(q, day);
        day.HostId = hostId;
        day.Day = q.value(1).toLongLong();
        if (!visit(day, !readable))
            return true;
    }
    if (q.lastError().isValid()) {
        fError = q.lastError();
        return false;
    }
    return true;
}

bool THistoryToneDays::Save(const THistoryToneDay& day)
{
    QSqlQuery q(fDb);
    if (day.Span.CapturedPolls() == 0) {
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE host_id = ? AND day = ?")
                      .arg(QLatin1String(THistoryPackedRowMapping::ToneDaysTable)));
        q.addBindValue(static_cast<qlonglong>(day.HostId));
        q.addBindValue(static_cast<qlonglong>(day.Day));
    } else {
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO %1 (host_id, day, captured_polls, last_time_utc_ms, last_id,"
                                 " changes, first_values, last_values) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
                      .arg(QLatin1String(THistoryPackedRowMapping::ToneDaysTable)));
        q.addBindValue(static_cast<qlonglong>(day.HostId));
        q.addBindValue(static_cast<qlonglong>(day.Day));
        q.addBindValue(static_cast<qlonglong>(day.Span.CapturedPolls()));
        q.addBindValue(static_cast<qlonglong>(day.LastTimeUtcMs));
        q.addBindValue(static_cast<qlonglong>(day.LastId));
        q.addBindValue(Bytes(EncodeToneCounts(day.Span.Changes())));
        q.addBindValue(Bytes(EncodeWholeFrame(day.Span.First())));
        q.addBindValue(Bytes(EncodeWholeFrame(day.Span.Last())));
    }
    if (!q.exec()) {
        fError = q.lastError();
        return false;
    }
    return true;
}
