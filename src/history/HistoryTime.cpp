#include "history/HistoryTime.h"

#include <QDateTime>
#include <QTimeZone>

std::int64_t CurrentUtcMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

std::string FormatUtcIso(std::int64_t utcMs)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs, QTimeZone::utc())
        .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"))
        .toStdString();
}

QString FormatLocalTime(std::int64_t utcMs)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString FormatTimeIn(std::int64_t utcMs, const QTimeZone& zone)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs, zone).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool ParseIsoTime(const std::string& text, std::int64_t& utcMs)
{
    const QString s = QString::fromStdString(text).trimmed();
    if (s.isEmpty() || s.size() > 40)
        return false;
    QDateTime time = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (!time.isValid()) {
        const QDate date = s.size() == 10 ? QDate::fromString(s, Qt::ISODate) : QDate();
        if (!date.isValid())
            return false;
        time = QDateTime(date, QTime(0, 0), QTimeZone::utc());
    } else if (time.timeSpec() == Qt::LocalTime) {
        // No zone given: the stored times are UTC, so is this one.
        time = QDateTime(time.date(), time.time(), QTimeZone::utc());
    }
    utcMs = time.toMSecsSinceEpoch();
    return true;
}
