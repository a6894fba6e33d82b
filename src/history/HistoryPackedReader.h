#pragma once
// Reads whole records of layout 2: the fields of a row, the host's name from
// the table of hosts, and the values unpacked, following a change back
// through the polls it is made against to whole values. The values of polls
// read lately are kept, so that visiting polls in order follows no chain
// (each poll's values are made against the one before). A chain longer than
// MaxChain, one that leads to a missing poll or to refused values is refused.
// One reader serves one query or one transaction on one connection.

#include "history/HistoryRecord.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class THistoryPackedReader {
public:
    // Longest chain of changes read back (the writer starts a whole record
    // well before); beyond it a file is taken for hostile.
    static constexpr int MaxChain = 1024;

    explicit THistoryPackedReader(const QSqlDatabase& db);

    // --- reading ---------------------------------------------------------------------------
    // The record in the current row of a vwRecord query. False with the
    // reason when the row is refused, or when reading the file failed
    // (Failed() then tells why and the whole read should stop).
    bool Read(const QSqlQuery& row, THistoryRecord& record, std::string& reason);
    // The values of poll id and how many changes lead to them from whole
    // values (0 for whole values).
    bool ValuesOf(std::int64_t id, ToneBits& bits, int& depth, std::string& reason);
    // The id of a host in the table of hosts (0 when it has none yet).
    std::int64_t HostIdOf(const std::string& host);

    // --- getters ---------------------------------------------------------------------------
    // Why reading the file failed (empty when it did not): not a refusal.
    const std::string& Failed() const { return fFailed; }

private:
    struct TKnown {
        ToneBits Bits;
        int Depth = 0;
    };

    // The values of a row (id, base id, packed values) as read.
    bool Unpack(std::int64_t id, const QVariant& base, const QByteArray& packed, ToneBits& bits, int& depth,
                std::string& reason);
    void Remember(std::int64_t id, const ToneBits& bits, int depth);
    bool LoadHosts();

    // --- data ------------------------------------------------------------------------------
    QSqlDatabase fDb;
    QSqlQuery fValuesQuery;
    bool fValuesQueryReady = false;
    std::unordered_map<std::int64_t, std::string> fHostNames;
    bool fHostsLoaded = false;
    // Values read lately, by poll id; at most KeptValues, the oldest dropped first.
    static constexpr std::size_t KeptValues = 128;
    std::unordered_map<std::int64_t, TKnown> fKnown;
    std::vector<std::int64_t> fKnownOrder;
    std::size_t fKnownNext = 0;
    std::string fFailed;
};
