#pragma once
// Generated polls for the history tests.

#include "history/HistoryRecord.h"
#include "history/HistoryRowMapping.h"
#include "history/HistoryStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <vector>

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

// A store of layout 1 as the versions before layout 2 wrote it (through the
// layout-1 row mapping they used), holding records with ids 1, 2, ...
inline bool MakeLayout1Store(const QString& path, std::vector<THistoryRecord>& records)
{
    const QString name = QStringLiteral("layout1-") + path;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery q(db);
        QStringList statements{QStringLiteral("PRAGMA journal_mode = WAL"), QStringLiteral("BEGIN"),
                               QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"),
                               QStringLiteral("INSERT INTO schema_version (version) VALUES (1)")};
        statements << THistoryRowMapping::LayoutStatements();
        statements << QStringLiteral("PRAGMA application_id = %1").arg(THistoryStore::ApplicationId);
        for (const QString& statement : statements)
            ok = ok && q.exec(statement);
        ok = ok && q.prepare(THistoryRowMapping::InsertSql());
        for (THistoryRecord& record : records) {
            THistoryRowMapping::BindRecord(q, record);
            ok = ok && q.exec();
            record.Id = q.lastInsertId().toLongLong();
            record.Origin = TPollOrigin::poUnknown;  // layout 1 does not keep it
        }
        ok = ok && q.exec(QStringLiteral("COMMIT"));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// Whether two records are the same poll, field by field.
inline bool SameRecord(const THistoryRecord& a, const THistoryRecord& b)
{
    return a.Id == b.Id && a.TimeUtcMs == b.TimeUtcMs && a.Host == b.Host && a.Outcome.Captured == b.Outcome.Captured &&
           a.Outcome.FailedStep == b.Outcome.FailedStep && a.Outcome.ErrorCode == b.Outcome.ErrorCode &&
           a.Outcome.ErrorText == b.Outcome.ErrorText && a.Outcome.DeadlineExceeded == b.Outcome.DeadlineExceeded &&
           a.FirstTone == b.FirstTone && a.LastTone == b.LastTone && a.Origin == b.Origin && a.Bits == b.Bits;
}
