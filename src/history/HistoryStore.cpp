#include "history/HistoryStore.h"

#include "history/HistoryValues.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTimeZone>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <utility>

namespace {

// SQLite's primary result codes that the store reacts to.
constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADatabase = 26;

std::string Text(const QString& s)
{
    return s.toStdString();
}

// SQLite's own words ("database is locked"), or Qt's when SQLite gave none.
std::string Reason(const QSqlError& error)
{
    QString text = error.databaseText();
    if (text.isEmpty()) text = error.driverText();
    if (text.isEmpty()) text = QStringLiteral("unknown database error");
    return Text(text);
}

// The primary result code (the low byte of an extended code).
int ResultCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xFF) : -1;
}

bool IsDamage(const QSqlError& error)
{
    const int code = ResultCode(error);
    return code == SqliteCorrupt || code == SqliteNotADatabase;
}

// The columns that make a whole record, in the order RecordFromQuery reads them.
const char* const RecordColumns =
    "id, time_utc_ms, host, captured, failed_step, error_code, error_text, deadline_exceeded, "
    "first_tone, last_tone, CAST(tone_values AS BLOB)";

// Fills record from the current row of a query over RecordColumns. Anything
// a hostile file may hold in a column is checked before it is used.
bool RecordFromQuery(const QSqlQuery& q, THistoryRecord& record, std::string& reason)
{
    THistoryRecord r;
    bool ok = false;
    r.Id = q.value(0).toLongLong(&ok);
    if (!ok) {
        reason = "the record has no usable number";
        return false;
    }
    r.TimeUtcMs = q.value(1).toLongLong(&ok);
    if (!ok) {
        reason = "its time is not a number";
        return false;
    }
    r.Host = Text(q.value(2).toString());
    r.Outcome.Captured = q.value(3).toLongLong() != 0;
    // A step number beyond this version's steps (written by a later one)
    // reads as no step; whether the poll failed is the captured column's.
    const long long step = q.value(4).toLongLong();
    r.Outcome.FailedStep = (step >= 0 && step <= static_cast<long long>(LastPollStep))
                               ? static_cast<TPollStep>(step)
                               : TPollStep::psNone;
    const long long code = q.value(5).toLongLong();
    r.Outcome.ErrorCode = (code >= INT32_MIN && code <= INT32_MAX) ? static_cast<int>(code) : 0;
    r.Outcome.ErrorText = Text(q.value(6).toString());
    r.Outcome.DeadlineExceeded = q.value(7).toLongLong() != 0;
    const long long first = q.value(8).toLongLong(&ok);
    bool okLast = false;
    const long long last = q.value(9).toLongLong(&okLast);
    if (!ok || !okLast || first < 0 || last >= ToneCount || first > last) {
        reason = "its range " + Text(q.value(8).toString()).substr(0, 20) + " - " +
                 Text(q.value(9).toString()).substr(0, 20) + " is not a range of tones";
        return false;
    }
    r.FirstTone = static_cast<int>(first);
    r.LastTone = static_cast<int>(last);
    const QVariant values = q.value(10);
    if (values.isNull()) {
        reason = "it has no values";
        return false;
    }
    const QByteArray bytes = values.toByteArray();
    if (!DecodeToneValues(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), r.Bits,
                          reason))
        return false;
    record = std::move(r);
    return true;
}

std::string RefusalText(std::int64_t id, const std::string& reason)
{
    return "poll " + std::to_string(id) + " refused: " + reason;
}

// "time_utc_ms >= ?" for a filter, or nothing.
QString SinceClause(const THistoryFilter& filter, const char* joiner)
{
    return filter.HasSince ? QString::fromLatin1(joiner) + QStringLiteral("time_utc_ms >= :since") : QString();
}

// Whether the file starts with the 16 bytes every SQLite database starts with.
bool HasDatabaseHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return true;  // let SQLite say why it cannot be read
    static const QByteArray header("SQLite format 3\0", 16);
    return file.read(16) == header;
}

QString NextConnectionName()
{
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("quillmont-history-%1").arg(++counter);
}

}  // namespace

THistoryStore::THistoryStore() : fConnection(NextConnectionName()) {}

THistoryStore::~THistoryStore()
{
    Close();
}

// ---- opening ----------------------------------------------------------------------------------

bool THistoryStore::Connect(bool readOnly)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fConnection);
        if (!db.isValid()) {
            fLastError = "the SQLite driver of Qt is not installed";
            QSqlDatabase::removeDatabase(fConnection);
            return false;
        }
        db.setDatabaseName(fPath);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(std::max(0, fOptions.BusyTimeoutMs));
        if (readOnly) options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        if (db.open()) return true;
        fLastError = "cannot open " + Text(fPath) + ": " + Reason(db.lastError());
    }
    QSqlDatabase::removeDatabase(fConnection);
    return false;
}

void THistoryStore::Disconnect()
{
    if (!QSqlDatabase::contains(fConnection)) return;
    {
        QSqlDatabase db = QSqlDatabase::database(fConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(fConnection);
}

THistoryStore::TProbe THistoryStore::Probe(std::string& why)
{
    QSqlDatabase db = QSqlDatabase::database(fConnection, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // The first read of the file: a file that is no database fails here.
    if (!q.exec(QStringLiteral("PRAGMA application_id")) || !q.next()) {
        why = Reason(q.lastError());
        return IsDamage(q.lastError()) ? prDamaged : prFailed;
    }
    const bool ours = q.value(0).toLongLong() == ApplicationId;
    QStringList tables;
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        why = Reason(q.lastError());
        return IsDamage(q.lastError()) ? prDamaged : prFailed;
    }
    while (q.next()) tables << q.value(0).toString();
    if (q.lastError().isValid()) {
        why = Reason(q.lastError());
        return IsDamage(q.lastError()) ? prDamaged : prFailed;
    }
    if (tables.isEmpty()) return prEmpty;
    if (!tables.contains(QStringLiteral("schema_version"))) {
        why = ours ? "its table of versions is missing" : "it holds no history";
        return ours ? prDamaged : prForeign;
    }
    if (!q.exec(QStringLiteral("SELECT version FROM schema_version"))) {
        why = Reason(q.lastError());
        return IsDamage(q.lastError()) ? prDamaged : prFailed;
    }
    int rows = 0;
    long long version = 0;
    bool numeric = false;
    while (q.next()) {
        ++rows;
        version = q.value(0).toLongLong(&numeric);
    }
    if (rows != 1 || !numeric || version < 1 || version > 1000000) {
        why = "its layout version cannot be read";
        return prDamaged;
    }
    fFileSchemaVersion = static_cast<int>(version);
    if (version > CurrentSchemaVersion) return prNewer;
    if (!tables.contains(QStringLiteral("polls"))) {
        why = "its table of polls is missing";
        return prDamaged;
    }
    return prCurrent;
}

bool THistoryStore::CreateSchema(TProbe& found, std::string& why)
{
    QSqlDatabase db = QSqlDatabase::database(fConnection, false);
    QSqlQuery q(db);
    const auto failed = [&](const QSqlError& error) {
        q.finish();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        fLastError = "cannot start a history in " + Text(fPath) + ": " + Reason(error);
        return false;
    };
    // Another program may be starting the same store at this moment (polls
    // started together). The layout is made in one write transaction that
    // first looks again at what the file holds: whoever comes second waits
    // for the first one's commit and then finds its layout, and leaves it be.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) return failed(q.lastError());
    found = Probe(why);
    if (found != prEmpty) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return true;
    }
    const char* const statements[] = {
        "CREATE TABLE schema_version (version INTEGER NOT NULL)",
        "INSERT INTO schema_version (version) VALUES (1)",
        // One row per poll. The summary columns let the list show a poll
        // without decoding its values; tone_values holds all 513 numbers.
        "CREATE TABLE polls ("
        " id INTEGER PRIMARY KEY,"
        " time_utc_ms INTEGER NOT NULL,"
        " host TEXT NOT NULL,"
        " captured INTEGER NOT NULL,"
        " failed_step INTEGER NOT NULL,"
        " error_code INTEGER NOT NULL,"
        " error_text TEXT NOT NULL,"
        " deadline_exceeded INTEGER NOT NULL,"
        " outcome TEXT NOT NULL,"
        " first_tone INTEGER NOT NULL,"
        " last_tone INTEGER NOT NULL,"
        " total_bits INTEGER NOT NULL,"
        " zero_tones INTEGER NOT NULL,"
        " tone_values TEXT NOT NULL)",
        "CREATE INDEX polls_by_time ON polls (time_utc_ms)",
        "PRAGMA application_id = 1364019249",
        "COMMIT",
    };
    static_assert(ApplicationId == 1364019249);
    for (const char* statement : statements)
        if (!q.exec(QString::fromLatin1(statement))) return failed(q.lastError());
    found = prCurrent;
    fFileSchemaVersion = CurrentSchemaVersion;
    return true;
}

bool THistoryStore::StartNewStore()
{
    TProbe found = prFailed;
    std::string why;
    if (!CreateSchema(found, why)) return false;
    if (found == prCurrent) return true;
    fLastError = "cannot start a history in " + Text(fPath) + ": another program wrote there meanwhile" +
                 (why.empty() ? std::string() : " (" + why + ")");
    return false;
}

bool THistoryStore::SetAside(const std::string& why)
{
    Disconnect();
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = fPath + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(target) || QFileInfo::exists(target + QStringLiteral("-wal")); ++n)
        target = fPath + QStringLiteral(".damaged-") + stamp + QStringLiteral("-%1").arg(n);
    QFile file(fPath);
    if (!file.rename(target)) {
        fLastError = "the history store " + Text(fPath) + " is damaged (" + why + ") and cannot be moved aside: " +
                     Text(file.errorString());
        return false;
    }
    // The journal files belong to the old file; a new store must not replay them.
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        const QString side = fPath + QString::fromLatin1(suffix);
        if (QFileInfo::exists(side)) QFile::rename(side, target + QString::fromLatin1(suffix));
    }
    fSetAsidePath = target;
    fNotice = "The history store " + Text(fPath) + " was damaged (" + why + "); it was moved to " + Text(target) +
              " and a new one started.";
    return true;
}

bool THistoryStore::Open(const QString& path, const THistoryStoreOptions& options)
{
    Close();
    fPath = path;
    fOptions = options;
    fLastError.clear();
    fNotice.clear();
    fSetAsidePath.clear();
    fReadOnly = options.ReadOnly;
    fFileSchemaVersion = 0;

    const QFileInfo info(path);
    if (path.isEmpty()) {
        fLastError = "no file named for the history";
        return false;
    }
    if (info.exists() && !info.isFile()) {
        fLastError = Text(path) + " is not a file";
        return false;
    }
    if (!info.exists()) {
        if (fReadOnly) {
            fLastError = "no history yet: " + Text(path) + " does not exist";
            return false;
        }
        if (!QDir().mkpath(info.absolutePath())) {
            fLastError = "cannot make the folder " + Text(info.absolutePath());
            return false;
        }
    }
    // A file that does not start as a database does is set aside before
    // SQLite opens it, as SQLite would discard a journal lying beside it.
    std::string why;
    TProbe probe = prFailed;
    if (info.exists() && info.size() > 0 && !HasDatabaseHeader(path)) {
        why = "file is not a database";
        probe = prDamaged;
    } else {
        if (!Connect(fReadOnly)) return false;
        probe = Probe(why);
    }
    // What the layout's own transaction finds is taken as if found at first.
    if (probe == prEmpty && !fReadOnly && !CreateSchema(probe, why)) {
        Disconnect();
        return false;
    }
    switch (probe) {
    case prCurrent:
        break;
    case prEmpty:  // read-only: nothing is created
        fLastError = "no history yet in " + Text(path);
        Disconnect();
        return false;
    case prNewer:
        fNotice = "The history store " + Text(path) + " was written by a newer version of the monitor (layout " +
                  std::to_string(fFileSchemaVersion) + "; this one knows up to " +
                  std::to_string(CurrentSchemaVersion) + "): it is open read-only and no polls are added to it.";
        if (!fReadOnly) {
            Disconnect();
            fReadOnly = true;
            if (!Connect(true)) return false;
        }
        break;
    case prDamaged:
        if (fReadOnly) {
            fLastError = "the history store " + Text(path) + " is damaged: " + why;
            Disconnect();
            return false;
        }
        if (!SetAside(why) || !Connect(false) || !StartNewStore()) {
            Disconnect();
            return false;
        }
        break;
    case prForeign:
        fLastError = Text(path) + " is not a history store (" + why + "); it was left as it is";
        Disconnect();
        return false;
    case prFailed:
        fLastError = "cannot read the history store " + Text(path) + ": " + why;
        Disconnect();
        return false;
    }

    QSqlDatabase db = QSqlDatabase::database(fConnection, false);
    QSqlQuery q(db);
    if (!fReadOnly) {
        // Readers (the history window) never block the writer, and a commit
        // costs no flush of the whole file.
        q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        q.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    }
    if (fOptions.MaxPageCount > 0) q.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(fOptions.MaxPageCount));
    q.finish();
    fOpen = true;
    return true;
}

void THistoryStore::Close()
{
    Disconnect();
    fOpen = false;
}

bool THistoryStore::Fail(const std::string& what, const QSqlError& error)
{
    fLastError = what + ": " + Reason(error);
    return false;
}

// ---- writing ----------------------------------------------------------------------------------

bool THistoryStore::AppendOnce(THistoryRecord* records, std::size_t count, bool& damaged)
{
    damaged = false;
    QSqlDatabase db = QSqlDatabase::database(fConnection, false);
    QSqlQuery q(db);
    const auto failed = [&](const QSqlError& error) {
        damaged = IsDamage(error);
        q.finish();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        for (std::size_t i = 0; i < count; ++i) records[i].Id = 0;
        return Fail("the history could not be written", error);
    };
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) return failed(q.lastError());
    q.prepare(QStringLiteral(
        "INSERT INTO polls (time_utc_ms, host, captured, failed_step, error_code, error_text, deadline_exceeded,"
        " outcome, first_tone, last_tone, total_bits, zero_tones, tone_values)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (std::size_t i = 0; i < count; ++i) {
        THistoryRecord& record = records[i];
        q.addBindValue(static_cast<qlonglong>(record.TimeUtcMs));
        q.addBindValue(QString::fromStdString(record.Host));
        q.addBindValue(record.Outcome.Captured ? 1 : 0);
        q.addBindValue(static_cast<int>(record.Outcome.FailedStep));
        q.addBindValue(record.Outcome.ErrorCode);
        q.addBindValue(QString::fromStdString(record.Outcome.ErrorText));
        q.addBindValue(record.Outcome.DeadlineExceeded ? 1 : 0);
        q.addBindValue(QString::fromStdString(DescribeOutcome(record.Outcome)));
        q.addBindValue(record.FirstTone);
        q.addBindValue(record.LastTone);
        q.addBindValue(static_cast<qlonglong>(TotalBits(record.Bits)));
        q.addBindValue(ZeroTones(record.Bits));
        q.addBindValue(QString::fromStdString(EncodeToneValues(record.Bits)));
        if (!q.exec()) return failed(q.lastError());
        record.Id = q.lastInsertId().toLongLong();
    }
    q.finish();
    if (!q.exec(QStringLiteral("COMMIT"))) return failed(q.lastError());
    return true;
}

bool THistoryStore::AppendAll(std::vector<THistoryRecord>& records)
{
    fNotice.clear();
    if (!fOpen || fReadOnly) {
        fLastError = fOpen ? "the history could not be written: the store " + Text(fPath) + " is open read-only"
                           : "the history could not be written: no store is open";
        return false;
    }
    bool damaged = false;
    return AppendOnce(records.data(), records.size(), damaged);
}

bool THistoryStore::Append(THistoryRecord& record)
{
    fNotice.clear();
    if (!fOpen) {
        fLastError = "the history could not be written: no store is open";
        return false;
    }
    if (fReadOnly) {
        fLastError = "the history could not be written: the store " + Text(fPath) + " is open read-only";
        return false;
    }
    bool damaged = false;
    if (AppendOnce(&record, 1, damaged)) return true;
    if (!damaged) return false;
    // The file went bad under us: keep it for inspection and go on in a new one.
    const std::string why = fLastError.substr(fLastError.find(": ") + 2);
    fOpen = false;
    if (!SetAside(why) || !Connect(false) || !StartNewStore()) {
        Disconnect();
        return false;
    }
    {
        QSqlQuery q(QSqlDatabase::database(fConnection, false));
        q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        q.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    }
    fOpen = true;
    return AppendOnce(&record, 1, damaged);
}

// ---- reading ----------------------------------------------------------------------------------

std::int64_t THistoryStore::Count(const THistoryFilter& filter)
{
    if (!fOpen) {
        fLastError = "no history store is open";
        return -1;
    }
    QSqlQuery q(QSqlDatabase::database(fConnection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT count(*) FROM polls") + SinceClause(filter, " WHERE "));
    if (filter.HasSince) q.bindValue(QStringLiteral(":since"), static_cast<qlonglong>(filter.SinceUtcMs));
    if (!q.exec() || !q.next()) {
        Fail("cannot read the history", q.lastError());
        return -1;
    }
    return q.value(0).toLongLong();
}

bool THistoryStore::ReadPage(const THistoryFilter& filter, const THistoryPageKey* after, int limit,
                             std::vector<THistorySummary>& page)
{
    page.clear();
    if (!fOpen) {
        fLastError = "no history store is open";
        return false;
    }
    QString sql = QStringLiteral("SELECT id, time_utc_ms, captured, outcome, total_bits, zero_tones FROM polls");
    QStringList conditions;
    if (filter.HasSince) conditions << QStringLiteral("time_utc_ms >= :since");
    if (after) conditions << QStringLiteral("(time_utc_ms, id) < (:time, :id)");
    if (!conditions.isEmpty()) sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY time_utc_ms DESC, id DESC LIMIT :limit");
    QSqlQuery q(QSqlDatabase::database(fConnection, false));
    q.setForwardOnly(true);
    q.prepare(sql);
    if (filter.HasSince) q.bindValue(QStringLiteral(":since"), static_cast<qlonglong>(filter.SinceUtcMs));
    if (after) {
        q.bindValue(QStringLiteral(":time"), static_cast<qlonglong>(after->TimeUtcMs));
        q.bindValue(QStringLiteral(":id"), static_cast<qlonglong>(after->Id));
    }
    q.bindValue(QStringLiteral(":limit"), std::max(0, limit));
    if (!q.exec()) return Fail("cannot read the history", q.lastError());
    while (q.next()) {
        THistorySummary s;
        s.Id = q.value(0).toLongLong();
        s.TimeUtcMs = q.value(1).toLongLong();
        s.Captured = q.value(2).toLongLong() != 0;
        s.OutcomeText = Text(q.value(3).toString().left(500));
        s.TotalBits = q.value(4).toLongLong();
        s.ZeroTones = static_cast<int>(std::clamp<long long>(q.value(5).toLongLong(), 0, ToneCount));
        page.push_back(std::move(s));
    }
    if (q.lastError().isValid()) return Fail("cannot read the history", q.lastError());
    return true;
}

bool THistoryStore::ReadRecord(std::int64_t id, THistoryRecord& record)
{
    if (!fOpen) {
        fLastError = "no history store is open";
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(fConnection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM polls WHERE id = ?").arg(QString::fromLatin1(RecordColumns)));
    q.addBindValue(static_cast<qlonglong>(id));
    if (!q.exec()) return Fail("cannot read the history", q.lastError());
    if (!q.next()) {
        if (q.lastError().isValid()) return Fail("cannot read the history", q.lastError());
        fLastError = "poll " + std::to_string(id) + " is not in the history";
        return false;
    }
    std::string reason;
    if (!RecordFromQuery(q, record, reason)) {
        fLastError = RefusalText(id, reason);
        return false;
    }
    return true;
}

bool THistoryStore::ForEachRecord(const THistoryFilter& filter, const TRecordVisitor& visit,
                                  const TRefusalVisitor& refused)
{
    if (!fOpen) {
        fLastError = "no history store is open";
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(fConnection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM polls").arg(QString::fromLatin1(RecordColumns)) +
              SinceClause(filter, " WHERE ") + QStringLiteral(" ORDER BY time_utc_ms, id"));
    if (filter.HasSince) q.bindValue(QStringLiteral(":since"), static_cast<qlonglong>(filter.SinceUtcMs));
    if (!q.exec()) return Fail("cannot read the history", q.lastError());
    THistoryRecord record;
    std::string reason;
    while (q.next()) {
        if (RecordFromQuery(q, record, reason))
            visit(record);
        else if (refused)
            refused(q.value(0).toLongLong(), q.value(1).toLongLong(), RefusalText(q.value(0).toLongLong(), reason));
    }
    if (q.lastError().isValid()) return Fail("cannot read the history", q.lastError());
    return true;
}

bool THistoryStore::ForEachRecordOf(const std::vector<std::int64_t>& ids, const TRecordVisitor& visit,
                                    const TRefusalVisitor& refused)
{
    if (!fOpen) {
        fLastError = "no history store is open";
        return false;
    }
    constexpr std::size_t Chunk = 500;
    const auto inList = [](const std::vector<std::pair<std::int64_t, std::int64_t>>& keys, std::size_t from) {
        QStringList numbers;
        for (std::size_t i = from; i < std::min(keys.size(), from + Chunk); ++i)
            numbers << QString::number(keys[i].second);
        return numbers.join(QLatin1Char(','));
    };
    // Times first, so that the records can be visited oldest first chunk by chunk.
    std::vector<std::pair<std::int64_t, std::int64_t>> keys;  // (time, id)
    for (std::int64_t id : ids) keys.emplace_back(0, id);
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::vector<std::pair<std::int64_t, std::int64_t>> found;
    QSqlQuery q(QSqlDatabase::database(fConnection, false));
    q.setForwardOnly(true);
    for (std::size_t from = 0; from < keys.size(); from += Chunk) {
        if (!q.exec(QStringLiteral("SELECT time_utc_ms, id FROM polls WHERE id IN (%1)").arg(inList(keys, from))))
            return Fail("cannot read the history", q.lastError());
        while (q.next()) found.emplace_back(q.value(0).toLongLong(), q.value(1).toLongLong());
        if (q.lastError().isValid()) return Fail("cannot read the history", q.lastError());
    }
    std::sort(found.begin(), found.end());
    THistoryRecord record;
    std::string reason;
    for (std::size_t from = 0; from < found.size(); from += Chunk) {
        if (!q.exec(QStringLiteral("SELECT %1 FROM polls WHERE id IN (%2) ORDER BY time_utc_ms, id")
                        .arg(QString::fromLatin1(RecordColumns), inList(found, from))))
            return Fail("cannot read the history", q.lastError());
        while (q.next()) {
            if (RecordFromQuery(q, record, reason))
                visit(record);
            else if (refused)
                refused(q.value(0).toLongLong(), q.value(1).toLongLong(),
                        RefusalText(q.value(0).toLongLong(), reason));
        }
        if (q.lastError().isValid()) return Fail("cannot read the history", q.lastError());
    }
    return true;
}

bool THistoryStore::ReadTotalBits(const THistoryFilter& filter, std::vector<TTotalBitsPoint>& points)
{
    points.clear();
    if (!fOpen) {
        fLastError = "no history store is open";
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(fConnection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT id, time_utc_ms, total_bits, captured FROM polls") +
              SinceClause(filter, " WHERE ") + QStringLiteral(" ORDER BY time_utc_ms, id"));
    if (filter.HasSince) q.bindValue(QStringLiteral(":since"), static_cast<qlonglong>(filter.SinceUtcMs));
    if (!q.exec()) return Fail("cannot read the history", q.lastError());
    while (q.next())
        points.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                          q.value(3).toLongLong() != 0});
    if (q.lastError().isValid()) return Fail("cannot read the history", q.lastError());
    return true;
}
