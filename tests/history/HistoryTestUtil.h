#pragma once
// Generated polls for the history tests.

#include "history/HistoryRecord.h"
#include "history/HistoryStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <cstdint>

// A table that differs from poll to poll: tone t of poll n carries (t * 7 + n) % 16 bits.
inline ToneBits GeneratedBits(int n)
{
    ToneBits bits{};
    for (int tone = 0; tone < ToneCount; ++tone)
        bits[static_cast<std::size_t>(tone)] = (tone * 7 + n) % 16;
    return bits;
}

// Poll n at one minute past poll n-1, captured unless failed.
inline THistoryRecord GeneratedRecord(int n, bool captured = true)
{
    TPollOutcome outcome;
    outcome.Captured = captured;
    if (!captured) {
        outcome.FailedStep = TPollStep::psConnect;
        outcome.ErrorCode = 10061;
        outcome.ErrorText = "Connection refused";
    }
    return MakeHistoryRecord(1714532400000LL + 60000LL * n, "192.168.1.254", outcome, 0, 255,
                             captured ? GeneratedBits(n) : ToneBits{});
}

// A second connection to the same file, for what another process would do.
class TRawConnection {
public:
    explicit TRawConnection(const QString& path) : fName(QStringLiteral("raw-") + path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fName);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        db.open();
    }
    ~TRawConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(fName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(fName);
    }
    bool Exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(fName, false));
        return q.exec(sql);
    }
    // The first column of the first row, as text (empty when there is none).
    QString Value(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(fName, false));
        return q.exec(sql) && q.next() ? q.value(0).toString() : QString();
    }

private:
    QString fName;
};
