#include "history/HistoryStoreFile.h"
#include "text/QtText.h"

#include "history/HistoryMigration.h"
#include "history/HistoryPackedRowMapping.h"
#include "history/HistoryRowMapping.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace {

// SQLite's primary result codes that the store reacts to.
constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADatabase = 26;
constexpr int SqliteReadOnly = 8;

// The primary result code (the low byte of an extended code).
int ResultCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xFF) : -1;
}

// Whether the file starts with the 16 bytes every SQLite database starts with.
bool HasDatabaseHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;  // let SQLite say why it cannot be read
    static const QByteArray header("SQLite format 3\0", 16);
    return file.read(16) == header;
}

QString NextConnectionName()
{
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("quillmont-history-%1").arg(++counter);
}

}  // namespace

THistoryStoreFile::THistoryStoreFile() : fConnection(NextConnectionName()) {}

THistoryStoreFile::~THistoryStoreFile()
{
    Close();
}

// ---- checks and errors ------------------------------------------------------------------------

std::string THistoryStoreFile::Reason(const QSqlError& error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.driverText();
    if (text.isEmpty())
        text = QStringLiteral("unknown database error");
    return Utf8FromQString(text);
}

bool THistoryStoreFile::IsDamage(const QSqlError& error)
{
    const int code = ResultCode(error);
    return code == SqliteCorrupt || code == SqliteNotADatabase;
}

bool THistoryStoreFile::Ready(TUse use)
{
    if (fOpen && fFileSchemaVersion < CurrentSchemaVersion)
        FollowLayout();
    if (use == TUse::Read) {
        if (!fOpen)
            fLastError = "no history store is open";
        return fOpen;
    }
    if (!fOpen) {
        fLastError = "the history could not be written: no store is open";
        return false;
    }
    if (fReadOnly) {
        fLastError = "the history could not be written: the store " + Utf8FromQString(fPath) + " is open read-only";
        return false;
    }
    return true;
}

bool THistoryStoreFile::Fail(const std::string& what, const QSqlError& error)
{
    fLastError = what + ": " + Reason(error);
    return false;
}

QSqlDatabase THistoryStoreFile::Database() const
{
    return QSqlDatabase::database(fConnection, false);
}

// ---- the connection ---------------------------------------------------------------------------

bool THistoryStoreFile::Connect(bool readOnly)
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
        if (readOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        if (db.open())
            return true;
        fLastError = "cannot open " + Utf8FromQString(fPath) + ": " + Reason(db.lastError());
    }
    QSqlDatabase::removeDatabase(fConnection);
    return false;
}

void THistoryStoreFile::Disconnect()
{
    if (!QSqlDatabase::contains(fConnection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(fConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(fConnection);
}

void THistoryStoreFile::Configure()
{
    QSqlQuery q(Database());
    if (!fReadOnly) {
        // Readers (the history window) never block the writer, and a commit
        // costs no flush of the whole file.
        q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        q.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    }
    if (fOptions.MaxPageCount > 0)
        q.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(fOptions.MaxPageCount));
    q.finish();
}

// ---- the layout -------------------------------------------------------------------------------

THistoryStoreFile::TProbe THistoryStoreFile::Probe(std::string& why)
{
    QSqlDatabase db = Database();
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
    while (q.next())
        tables << q.value(0).toString();
    if (q.lastError().isValid()) {
        why = Reason(q.lastError());
        return IsDamage(q.lastError()) ? prDamaged : prFailed;
    }
    if (tables.isEmpty())
        return prEmpty;
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
    if (version > CurrentSchemaVersion)
        return prNewer;
    if (!tables.contains(QLatin1String(THistoryRowMapping::Table))) {
        why = "its table of polls is missing";
        return prDamaged;
    }
    if (version < CurrentSchemaVersion)
        return prOlder;
    if (!tables.contains(QLatin1String(THistoryPackedRowMapping::HostsTable)) ||
        !tables.contains(QLatin1String(THistoryPackedRowMapping::ToneDaysTable))) {
        why = "its table of hosts or of days is missing";
        return prDamaged;
    }
    return prCurrent;
}

bool THistoryStoreFile::CreateSchema(TProbe& found, std::string& why)
{
    QSqlDatabase db = Database();
    QSqlQuery q(db);
    const auto failed = [&](const QSqlError& error) {
        q.finish();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        fLastError = "cannot start a history in " + Utf8FromQString(fPath) + ": " + Reason(error);
        return false;
    };
    // Another program may be starting the same store at this moment (polls
    // started together). The layout is made in one write transaction that
    // first looks again at what the file holds: whoever comes second waits
    // for the first one's commit and then finds its layout, and leaves it be.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failed(q.lastError());
    found = Probe(why);
    if (found != prEmpty) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return true;
    }
    // The version table and the application id frame every layout; the
    // tables of this one come from the row mapping.
    QStringList statements{
        QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"),
        QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(CurrentSchemaVersion),
    };
    statements << THistoryPackedRowMapping::LayoutStatements();
    statements << QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId) << QStringLiteral("COMMIT");
    for (const QString& statement : statements)
        if (!q.exec(statement))
            return failed(q.lastError());
    found = prCurrent;
    fFileSchemaVersion = CurrentSchemaVersion;
    return true;
}

bool THistoryStoreFile::StartNewStore()
{
    TProbe found = prFailed;
    std::string why;
    if (!CreateSchema(found, why))
        return false;
    if (found == prCurrent)
        return true;
    fLastError = "cannot start a history in " + Utf8FromQString(fPath) + ": another program wrote there meanwhile" +
                 (why.empty() ? std::string() : " (" + why + ")");
    return false;
}

bool THistoryStoreFile::Migrate(TProbe& found, std::string& why)
{
    QSqlDatabase db = Database();
    QSqlQuery q(db);
    QSqlError error;
    const auto failed = [&](const QSqlError& e) {
        q.finish();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        if (IsDamage(e)) {
            found = prDamaged;
            why = Reason(e);
            return true;
        }
        // A file the user may only read is read as it is, as a newer one is.
        if (ResultCode(e) == SqliteReadOnly) {
            fNotice = "The history store " + Utf8FromQString(fPath) + " is of an older layout and cannot be moved to " +
                      "this one (" + Reason(e) + "): it is open read-only and no polls are added to it.";
            Disconnect();
            fReadOnly = true;
            if (!Connect(true))
                return false;
            found = prOlder;
            return true;
        }
        fLastError = "the history store " + Utf8FromQString(fPath) + " of layout " +
                     std::to_string(fFileSchemaVersion) + " could not be moved to layout " +
                     std::to_string(CurrentSchemaVersion) + ": " + Reason(e);
        return false;
    };
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failed(q.lastError());
    found = Probe(why);
    if (found != prOlder) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return true;
    }
    const auto& told = fOptions.OnMigration;
    std::int64_t polls = 0;
    const auto progress = [&](std::int64_t moved, std::int64_t total) {
        polls = total;
        if (told)
            told(moved, total, false);
    };
    if (!THistoryMigration::FromLayout1(db, progress, error))
        return failed(error);
    if (!q.exec(QStringLiteral("COMMIT")))
        return failed(q.lastError());
    found = prCurrent;
    fFileSchemaVersion = CurrentSchemaVersion;
    if (told)
        told(polls, polls, true);
    // The old rows' pages back to the file system. A compaction that fails
    // (no room for its copy, a reader in the way) leaves a good store that
    // is only larger than it needs to be.
    q.exec(QStringLiteral("VACUUM"));
    q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    q.finish();
    return true;
}

void THistoryStoreFile::FollowLayout()
{
    QSqlQuery q(Database());
    q.setForwardOnly(true);
    if (q.exec(QStringLiteral("SELECT version FROM schema_version")) && q.next()) {
        const long long version = q.value(0).toLongLong();
        if (version >= CurrentSchemaVersion && version <= 1000000)
            fFileSchemaVersion = static_cast<int>(version);
    }
}

// ---- a damaged file ---------------------------------------------------------------------------

bool THistoryStoreFile::SetAside(const std::string& why)
{
    Disconnect();
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = fPath + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(target) || QFileInfo::exists(target + QStringLiteral("-wal")); ++n)
        target = fPath + QStringLiteral(".damaged-") + stamp + QStringLiteral("-%1").arg(n);
    QFile file(fPath);
    if (!file.rename(target)) {
        fLastError = "the history store " + Utf8FromQString(fPath) + " is damaged (" + why +
                     ") and cannot be moved aside: " + Utf8FromQString(file.errorString());
        return false;
    }
    // The journal files belong to the old file; a new store must not replay them.
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        const QString side = fPath + QString::fromLatin1(suffix);
        if (QFileInfo::exists(side))
            QFile::rename(side, target + QString::fromLatin1(suffix));
    }
    fSetAsidePath = target;
    fNotice = "The history store " + Utf8FromQString(fPath) + " was damaged (" + why + "); it was moved to " +
              Utf8FromQString(target) + " and a new one started.";
    return true;
}

bool THistoryStoreFile::ReplaceDamaged(const std::string& why)
{
    if (SetAside(why) && Connect(false) && StartNewStore())
        return true;
    Disconnect();
    return false;
}

bool THistoryStoreFile::StartOverAside(const std::string& why)
{
    fOpen = false;
    if (!ReplaceDamaged(why))
        return false;
    Configure();
    fOpen = true;
    return true;
}

// ---- opening ----------------------------------------------------------------------------------

bool THistoryStoreFile::Open(const QString& path, const THistoryStoreOptions& options)
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
        fLastError = Utf8FromQString(path) + " is not a file";
        return false;
    }
    if (!info.exists()) {
        if (fReadOnly) {
            fLastError = "no history yet: " + Utf8FromQString(path) + " does not exist";
            return false;
        }
        if (!QDir().mkpath(info.absolutePath())) {
            fLastError = "cannot make the folder " + Utf8FromQString(info.absolutePath());
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
        if (!Connect(fReadOnly))
            return false;
        probe = Probe(why);
    }
    // What the layout's own transaction finds is taken as if found at first.
    if (probe == prEmpty && !fReadOnly && !CreateSchema(probe, why)) {
        Disconnect();
        return false;
    }
    if (probe == prOlder && !fReadOnly && !Migrate(probe, why)) {
        Disconnect();
        return false;
    }
    switch (probe) {
    case prCurrent:
    case prOlder:  // read-only: read as it is
        break;
    case prEmpty:  // read-only: nothing is created
        fLastError = "no history yet in " + Utf8FromQString(path);
        Disconnect();
        return false;
    case prNewer:
        fNotice = "The history store " + Utf8FromQString(path) +
                  " was written by a newer version of the monitor (layout " + std::to_string(fFileSchemaVersion) +
                  "; this one knows up to " + std::to_string(CurrentSchemaVersion) +
                  "): it is open read-only and no polls are added to it.";
        if (!fReadOnly) {
            Disconnect();
            fReadOnly = true;
            if (!Connect(true))
                return false;
        }
        break;
    case prDamaged:
        if (fReadOnly) {
            fLastError = "the history store " + Utf8FromQString(path) + " is damaged: " + why;
            Disconnect();
            return false;
        }
        if (!ReplaceDamaged(why))
            return false;
        break;
    case prForeign:
        fLastError = Utf8FromQString(path) + " is not a history store (" + why + "); it was left as it is";
        Disconnect();
        return false;
    case prFailed:
        fLastError = "cannot read the history store " + Utf8FromQString(path) + ": " + why;
        Disconnect();
        return false;
    }
    Configure();
    fOpen = true;
    return true;
}

void THistoryStoreFile::Close()
{
    Disconnect();
    fOpen = false;
}
