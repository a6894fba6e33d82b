#pragma once
// The file under the line history and its connection: opening it, laying out
// a new one safely against other programs starting it at the same moment,
// the journal set-up, setting a damaged file aside for a new one, and opening
// a newer layout read-only, moving an older layout to this one (or reading
// it as it is when open read-only). What the rows hold is the row mappings'; what
// is read and written is THistoryStore's, which holds one of these.

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class QSqlDatabase;
class QSqlError;

struct THistoryStoreOptions {
    // How long a write waits for another connection's write to end.
    int BusyTimeoutMs = 1000;
    // Open for reading only: nothing is created, set aside or written.
    bool ReadOnly = false;
    // Largest size of the file in database pages (0: no limit); appends
    // beyond it fail as on a full disk.
    int MaxPageCount = 0;
    // Told while a store of an older layout is moved to this one at
    // opening: after each poll moved (moved of total, committed false), and
    // once when the new layout is committed, before the file is compacted
    // (committed true). For showing progress; the tests stop a move halfway.
    std::function<void(std::int64_t moved, std::int64_t total, bool committed)> OnMigration;
};

class THistoryStoreFile {
public:
    // The layout this version writes and reads; a store with a higher number
    // was written by a later version and is opened read-only.
    static constexpr int CurrentSchemaVersion = 2;
    // Marks the file as a history store, so that another program's database
    // is never taken for a damaged one.
    static constexpr int ApplicationId = 0x514D4831;  // "QMH1"

    // What a caller is about to do with the store.
    enum class TUse { Read, Write };

    THistoryStoreFile();
    ~THistoryStoreFile();
    THistoryStoreFile(const THistoryStoreFile&) = delete;
    THistoryStoreFile& operator=(const THistoryStoreFile&) = delete;

    // --- opening ---------------------------------------------------------------------------
    // Opens the file at path, creating it (and its folder) when it does not
    // exist. A file that is not a database or whose layout is broken is
    // renamed aside ("PATH.damaged-YYYYMMDD-HHMMSS", never deleted) and a new
    // store started; a store from a newer version is opened read-only. Both
    // are told in Notice(). A store of an older layout is moved to this one
    // (THistoryMigration), in one transaction, then compacted; opened
    // read-only, it is read as it is. False, with LastError(), when the store
    // cannot be used at all (another program's database, a folder, a file
    // that cannot be opened or set aside, an older layout that could not be
    // moved: locked, full).
    bool Open(const QString& path, const THistoryStoreOptions& options = {});
    void Close();
    // For a store found damaged while open: sets the file aside (Notice says
    // where) and starts a new one at the same path with the same options.
    // False, with LastError, and closed when that cannot be done.
    bool StartOverAside(const std::string& why);

    // --- checks and errors -----------------------------------------------------------------
    // The check before every read or write: false, with LastError, when no
    // store is open, or when writing to one open read-only.
    bool Ready(TUse use);
    // Records "what: SQLite's reason" as LastError; always false.
    bool Fail(const std::string& what, const QSqlError& error);
    void SetLastError(std::string error) { fLastError = std::move(error); }
    void ClearNotice() { fNotice.clear(); }
    // SQLite's own words ("database is locked"), or Qt's when SQLite gave none.
    static std::string Reason(const QSqlError& error);
    // Whether an error says that the file is damaged or no database at all.
    static bool IsDamage(const QSqlError& error);

    // --- getters ---------------------------------------------------------------------------
    bool IsOpen() const { return fOpen; }
    bool IsReadOnly() const { return fReadOnly; }
    const QString& Path() const { return fPath; }
    // The connection the store's queries run on.
    QSqlDatabase Database() const;
    // The layout version found in the file (CurrentSchemaVersion for a new
    // one); below it only for a store of an older layout open read-only.
    int FileSchemaVersion() const { return fFileSchemaVersion; }
    // Why the last failed call failed.
    const std::string& LastError() const { return fLastError; }
    // A damaged store set aside, or a newer one opened read-only (empty otherwise).
    const std::string& Notice() const { return fNotice; }
    // Where the last damaged store was moved (empty if none was).
    const QString& SetAsidePath() const { return fSetAsidePath; }

private:
    enum TProbe { prCurrent, prEmpty, prOlder, prNewer, prDamaged, prForeign, prFailed };

    bool Connect(bool readOnly);
    void Disconnect();
    // What the file holds, judged by its application id, its tables and its
    // layout version; why tells what is wrong with it.
    TProbe Probe(std::string& why);
    // Lays out an empty file in one write transaction that looks at the file
    // again first; found tells what it held then (prCurrent once laid out).
    bool CreateSchema(TProbe& found, std::string& why);
    // Moves a store of an older layout to this one in one write transaction
    // that looks at the file again first (another program may have moved
    // it); found tells what it held then (prCurrent once moved, prDamaged
    // with why when the move found damage). Then gives the space back.
    bool Migrate(TProbe& found, std::string& why);
    // Reads the layout version again while the store is of an older one,
    // which another program may move meanwhile.
    void FollowLayout();
    // CreateSchema on a file that must be new (after setting a damaged one aside).
    bool StartNewStore();
    bool SetAside(const std::string& why);
    // SetAside, then a new store in the old one's place.
    bool ReplaceDamaged(const std::string& why);
    // The journal and limits of a connection about to be used: the one place
    // they are set, whether the file was found or started anew.
    void Configure();

    // --- data ------------------------------------------------------------------------------
    QString fConnection;
    QString fPath;
    THistoryStoreOptions fOptions;
    bool fOpen = false;
    bool fReadOnly = false;
    int fFileSchemaVersion = 0;
    std::string fLastError;
    std::string fNotice;
    QString fSetAsidePath;
};
