#pragma once
// The line history: one SQLite file with one record per poll, written in one
// transaction each. A store that cannot be written never stops a poll: Append
// answers false with the reason and the caller goes on. The queries are
// here; the file's lifecycle is THistoryStoreFile's, the columns of a row
// THistoryPackedRowMapping's (layout 2, written and read) and
// THistoryRowMapping's (layout 1, read while a store of it is open read-only),
// and the packing of values and the day summaries THistoryPackedWriter's.

#include "history/HistoryPackedWriter.h"
#include "history/HistoryRecord.h"
#include "history/HistoryStoreFile.h"
#include "history/HistorySummary.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QSqlError;
class QSqlQuery;

class THistoryStore {
public:
    // The layout this version writes and reads; a store with a higher number
    // was written by a later version and is opened read-only.
    static constexpr int CurrentSchemaVersion = THistoryStoreFile::CurrentSchemaVersion;
    // Marks the file as a history store, so that another program's database
    // is never taken for a damaged one.
    static constexpr int ApplicationId = THistoryStoreFile::ApplicationId;

    using TRecordVisitor = std::function<void(const THistoryRecord&)>;
    // A record whose values were refused: its id, time and the reason.
    using TRefusalVisitor = std::function<void(std::int64_t id, std::int64_t timeUtcMs, const std::string& reason)>;

    THistoryStore() = default;
    THistoryStore(const THistoryStore&) = delete;
    THistoryStore& operator=(const THistoryStore&) = delete;

    // --- opening ---------------------------------------------------------------------------
    // Opens the store at path, creating the file (and its folder) when it
    // does not exist. A file that is not a database or whose layout is
    // broken is renamed aside ("PATH.damaged-YYYYMMDD-HHMMSS", never deleted)
    // and a new store started; a store from a newer version is opened
    // read-only. Both are told in Notice(). False, with LastError(), when the
    // store cannot be used at all (another program's database, a folder, a
    // file that cannot be opened or set aside).
    bool Open(const QString& path, const THistoryStoreOptions& options = {})
    {
        fHostStates.clear();
        return fFile.Open(path, options);
    }
    void Close()
    {
        fHostStates.clear();
        fFile.Close();
    }

    // --- getters ---------------------------------------------------------------------------
    bool IsOpen() const { return fFile.IsOpen(); }
    bool IsReadOnly() const { return fFile.IsReadOnly(); }
    const QString& Path() const { return fFile.Path(); }
    // The layout version found in the file (CurrentSchemaVersion for a new one).
    int FileSchemaVersion() const { return fFile.FileSchemaVersion(); }
    // Why the last failed call failed.
    const std::string& LastError() const { return fFile.LastError(); }
    // What the last Open or Append had to do that the user should know:
    // a damaged store set aside, or a newer one opened read-only. Empty otherwise.
    const std::string& Notice() const { return fFile.Notice(); }
    // Where the last damaged store was moved (empty if none was).
    const QString& SetAsidePath() const { return fFile.SetAsidePath(); }

    // --- writing ---------------------------------------------------------------------------
    // Adds one poll in one transaction and gives the record its Id. A store
    // found damaged while writing is set aside and the poll written to a new
    // one (Notice says so). False, with LastError, when the store is locked,
    // full, read-only or otherwise unwritable; nothing is then half written.
    bool Append(THistoryRecord& record);
    // Adds many polls in one transaction (all or none), giving each its Id.
    bool AppendAll(std::vector<THistoryRecord>& records);

    // --- reading ---------------------------------------------------------------------------
    // Number of polls the filter covers, or -1 when the store cannot be read.
    std::int64_t Count(const THistoryFilter& filter);
    // Up to limit summaries, newest first, starting strictly after the key
    // (from the newest poll when after is null). False when the store cannot be read.
    bool ReadPage(const THistoryFilter& filter, const THistoryPageKey* after, int limit,
                  std::vector<THistorySummary>& page);
    // The whole record. False when there is no such poll, the store cannot
    // be read, or the record's values are refused (LastError tells which).
    bool ReadRecord(std::int64_t id, THistoryRecord& record);
    // Every record the filter covers, oldest first; records whose values are
    // refused go to refused instead (which may be empty).
    bool ForEachRecord(const THistoryFilter& filter, const TRecordVisitor& visit, const TRefusalVisitor& refused);
    // The records with the given ids, oldest first.
    bool ForEachRecordOf(const std::vector<std::int64_t>& ids, const TRecordVisitor& visit,
                         const TRefusalVisitor& refused);
    // Time and total bits of every poll the filter covers, oldest first.
    bool ReadTotalBits(const THistoryFilter& filter, std::vector<TTotalBitsPoint>& points);
    // How often each tone's bits changed (513 counts) between consecutive
    // captured polls of those the filter covers, taken in time order whatever
    // their host, as the history window counts them: the same as
    // CountToneChanges over ForEachRecord of the filter, for one host or
    // several (two names of one router count as one line; two routers add
    // the differences between them wherever their polls alternate). Whole
    // UTC days come from the day summaries kept at append time, only the
    // part days at the edges of the period from their polls, so the cost
    // does not grow with the period. False when the store cannot be read.
    bool ReadToneChanges(const THistoryFilter& filter, std::vector<std::int64_t>& changesPerTone);
    // The same over one host's polls alone (all zeros for a host without polls).
    bool ReadToneChanges(const THistoryFilter& filter, const std::string& host,
                         std::vector<std::int64_t>& changesPerTone);

private:
    // Inserts count records in one transaction. On failure nothing is kept,
    // the ids are 0 again, and damage holds SQLite's reason when the failure
    // says the file is damaged (empty otherwise).
    bool AppendOnce(THistoryRecord* records, std::size_t count, std::string& damage);
    // Visits the rows of a record query that has run, reading layout 2's
    // through reader (null for layout 1); false when reading fails.
    bool VisitRecords(QSqlQuery& query, THistoryPackedReader* reader, const TRecordVisitor& visit,
                      const TRefusalVisitor& refused);
    // The change count of one host's polls (all hosts' when host is null).
    bool ReadChanges(const THistoryFilter& filter, const std::string* host, std::vector<std::int64_t>& changes);
    // The change span of the polls a filter covers, counted from the polls.
    bool SpanOfPolls(const THistoryFilter& filter, const std::string* host, TToneChangeSpan& span);
    // Whether the open store is of layout 1 (open read-only, read as it is).
    bool Layout1() const { return fFile.FileSchemaVersion() < THistoryStoreFile::CurrentSchemaVersion; }
    QString SelectSql(int view) const;
    bool ReadFailed(const QSqlError& error);
    bool ReadFailed(const std::string& reason);

    // --- data ------------------------------------------------------------------------------
    THistoryStoreFile fFile;
    // What each host's next poll is packed against, between appends.
    THistoryPackedWriter::THostStates fHostStates;
};
