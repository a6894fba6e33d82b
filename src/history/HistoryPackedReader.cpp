#include "history/HistoryPackedReader.h"
#include "text/QtText.h"

#include "history/HistoryPackedRowMapping.h"
#include "history/HistoryPackedValues.h"
#include "history/HistoryStoreFile.h"

#include <QSqlError>
#include <QVariant>

#include <string_view>

namespace {

using M = THistoryPackedRowMapping;

std::string_view View(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// A link of a chain of changes: a poll and what it holds.
struct TLink {
    std::int64_t Id = 0;
    QVariant Base;
    QByteArray Packed;
};

}  // namespace

THistoryPackedReader::THistoryPackedReader(const QSqlDatabase& db) : fDb(db), fValuesQuery(db)
{
    fValuesQuery.setForwardOnly(true);
}

bool THistoryPackedReader::LoadHosts()
{
    fHostNames.clear();
    QSqlQuery q(fDb);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT id, name FROM %1").arg(QLatin1String(M::HostsTable)))) {
        fFailed = THistoryStoreFile::Reason(q.lastError());
        return false;
    }
    while (q.next())
        fHostNames[q.value(0).toLongLong()] = Utf8FromQString(q.value(1).toString());
    if (q.lastError().isValid()) {
        fFailed = THistoryStoreFile::Reason(q.lastError());
        return false;
    }
    fHostsLoaded = true;
    return true;
}

std::int64_t THistoryPackedReader::HostIdOf(const std::string& host)
{
    if (!LoadHosts())
        return 0;
    // As a name comes back from the file: through Qt's text, as it went in.
    const std::string stored = Utf8FromQString(QString::fromStdString(host));
    for (const auto& [id, name] : fHostNames)
        if (name == stored)
            return id;
    return 0;
}

void THistoryPackedReader::Remember(std::int64_t id, const ToneBits& bits, int depth)
{
    auto found = fKnown.find(id);
    if (found != fKnown.end()) {
        found->second = {bits, depth};
        return;
    }
    if (fKnownOrder.size() < KeptValues) {
        fKnownOrder.push_back(id);
    } else {
        fKnown.erase(fKnownOrder[fKnownNext]);
        fKnownOrder[fKnownNext] = id;
        fKnownNext = (fKnownNext + 1) % KeptValues;
    }
    fKnown.emplace(id, TKnown{bits, depth});
}

bool THistoryPackedReader::Unpack(std::int64_t id, const QVariant& base, const QByteArray& packed, ToneBits& bits,
                                  int& depth, std::string& reason)
{
    // Back from the poll to whole values (or values read lately), then forward again.
    std::vector<TLink> chain{{id, base, packed}};
    const TKnown* root = nullptr;
    while (PackedFrameOf(View(chain.back().Packed)) == TPackedFrame::pfChange) {
        const QVariant& link = chain.back().Base;
        bool numeric = false;
        const std::int64_t baseId = link.isNull() ? 0 : link.toLongLong(&numeric);
        if (!numeric)
            break;  // the change is refused below for having no record to change
        const auto known = fKnown.find(baseId);
        if (known != fKnown.end()) {
            root = &known->second;
            break;
        }
        if (static_cast<int>(chain.size()) > MaxChain) {
            reason = "its values are more than " + std::to_string(MaxChain) + " changes away from whole values";
            return false;
        }
        if (!fValuesQueryReady) {
            fValuesQuery.prepare(M::SelectSql(M::vwValues) + QStringLiteral(" WHERE id = ?"));
            fValuesQueryReady = true;
        }
        fValuesQuery.bindValue(0, static_cast<qlonglong>(baseId));
        if (!fValuesQuery.exec()) {
            fFailed = reason = THistoryStoreFile::Reason(fValuesQuery.lastError());
            return false;
        }
        if (!fValuesQuery.next()) {
            if (fValuesQuery.lastError().isValid()) {
                fFailed = reason = THistoryStoreFile::Reason(fValuesQuery.lastError());
                return false;
            }
            reason = "its values are made against poll " + std::to_string(baseId) + ", which is not in the history";
            return false;
        }
        chain.push_back({baseId, M::Value(fValuesQuery, M::vwValues, M::coBaseId),
                         M::Value(fValuesQuery, M::vwValues, M::coToneValues).toByteArray()});
        fValuesQuery.finish();
    }
    ToneBits values = root ? root->Bits : ToneBits{};
    int steps = root ? root->Depth : -1;
    for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
        const bool first = !root && link == chain.rbegin();
        ToneBits next{};
        std::string why;
        if (!DecodePackedValues(View(link->Packed), first ? nullptr : &values, next, why)) {
            reason = link->Id == id ? why
                                    : "its values are made against poll " + std::to_string(link->Id) +
                                          ", whose values are refused: " + why;
            return false;
        }
        values = next;
        steps = PackedFrameOf(View(link->Packed)) == TPackedFrame::pfChange ? steps + 1 : 0;
        Remember(link->Id, values, steps);
    }
    bits = values;
    depth = steps;
    return true;
}

bool THistoryPackedReader::ValuesOf(std::int64_t id, ToneBits& bits, int& depth, std::string& reason)
{
    const auto known = fKnown.find(id);
    if (known != fKnown.end()) {
        bits = known->second.Bits;
        depth = known->second.Depth;
        return true;
    }
    QSqlQuery q(fDb);
    q.setForwardOnly(true);
    q.prepare(M::SelectSql(M::vwValues) + QStringLiteral(" WHERE id = ?"));
    q.addBindValue(static_cast<qlonglong>(id));
    if (!q.exec()) {
        fFailed = reason = THistoryStoreFile::Reason(q.lastError());
        return false;
    }
    if (!q.next()) {
        if (q.lastError().isValid())
            fFailed = reason = THistoryStoreFile::Reason(q.lastError());
        else
            reason = "poll " + std::to_string(id) + " is not in the history";
        return false;
    }
    const QVariant base = M::Value(q, M::vwValues, M::coBaseId);
    const QByteArray packed = M::Value(q, M::vwValues, M::coToneValues).toByteArray();
    q.finish();
    return Unpack(id, base, packed, bits, depth, reason);
}

bool THistoryPackedReader::Read(const QSqlQuery& row, THistoryRecord& record, std::string& reason)
{
    THistoryRecord r;
    if (!M::ReadFields(row, r, reason))
        return false;
    const std::int64_t hostId = M::Value(row, M::vwRecord, M::coHostId).toLongLong();
    auto host = fHostNames.find(hostId);
    if (host == fHostNames.end() && LoadHosts())
        host = fHostNames.find(hostId);
    if (host == fHostNames.end()) {
        reason = fFailed.empty() ? "its host " + std::to_string(hostId) + " is not in the table of hosts" : fFailed;
        return false;
    }
    r.Host = host->second;
    const QVariant packed = M::Value(row, M::vwRecord, M::coToneValues);
    if (packed.isNull()) {
        reason = "it has no values";
        return false;
    }
    int depth = 0;
    if (!Unpack(r.Id, M::Value(row, M::vwRecord, M::coBaseId), packed.toByteArray(), r.Bits, depth, reason))
        return false;
    record = std::move(r);
    return true;
}
