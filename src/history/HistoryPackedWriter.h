#pragma once
// Writes polls into a store of layout 2 inside a transaction its caller
// holds: each host once in the table of hosts, each poll's values packed
// against the host's poll before (whole again at least every WholeEvery
// polls of the host, so that reading one poll follows a short chain), and
// the day summaries brought up to date: a day whose last captured poll comes
// after the new one (a poll kept late) is counted again from its polls.
// Nothing is final until the caller commits; after a failure the caller
// rolls back and drops the host states.

#include "history/HistoryPackedReader.h"
#include "history/HistoryPackedRowMapping.h"
#include "history/HistoryRecord.h"
#include "history/HistoryToneDays.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

class THistoryPackedWriter {
public:
    // Whole values at least every this many polls of a host.
    static constexpr int WholeEvery = 64;

    // What a host's next poll is packed against, kept by the store between
    // its transactions; used only while the file still names the same poll.
    struct THostState {
        std::int64_t HostId = 0;
        std::int64_t LastPollId = 0;
        bool HasValues = false;
        ToneBits Bits{};
        int Depth = 0;
    };
    using THostStates = std::map<std::string, THostState>;

    THistoryPackedWriter(const QSqlDatabase& db, THostStates& states);

    // --- writing ---------------------------------------------------------------------------
    // Adds a record as a new poll and gives it its Id.
    bool Add(THistoryRecord& record);
    // Adds a row of layout 1 as it was (its id, and every column but the
    // host, the base and the values, already in row). record is the row as
    // layout 1 read it, or null when its values were refused there: the
    // refused bytes are then kept as they were, to be refused alike.
    bool AddMoved(THistoryPackedRowMapping::TRow& row, const std::string& host, const THistoryRecord* record,
                  const QByteArray& refusedValues);
    // Writes what is kept per host and per day. Call once, after the last Add.
    bool Finish();

    // --- getters ---------------------------------------------------------------------------
    // Why the last call failed.
    const QSqlError& Error() const { return fError; }

private:
    struct TPendingDay {
        THistoryToneDay Day;
        // Counted again from its polls at Finish.
        bool Recount = false;
    };

    bool Insert(THistoryPackedRowMapping::TRow& row, const std::string& host, const THistoryRecord* record,
                std::int64_t& id);
    // The state of a host, loaded from the file (and the host added) at first use.
    bool Host(const std::string& host, THostState*& state);
    bool AddToDay(std::int64_t series, const THistoryRecord& record, std::int64_t id);
    bool Recount(THistoryToneDay& day);
    bool Fail(const QSqlError& error);
    bool Fail(const std::string& reason);

    // --- data ------------------------------------------------------------------------------
    QSqlDatabase fDb;
    THostStates& fStates;
    THistoryPackedReader fReader;
    THistoryToneDays fDays;
    QSqlQuery fInsert;
    // Hosts looked up in the file in this transaction, and those with a new last poll.
    std::map<std::string, bool> fHostsSeen;
    std::map<std::int64_t, std::int64_t> fLastPollOfHost;
    std::map<std::pair<std::int64_t, std::int64_t>, TPendingDay> fPendingDays;
    QSqlError fError;
};
