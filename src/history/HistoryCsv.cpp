#include "history/HistoryCsv.h"

#include "history/HistoryStore.h"
#include "history/HistoryTime.h"
#include "io/AtomicFile.h"

#include <functional>

std::string HistoryCsvText(const std::string& text)
{
    std::string cell = text;
    if (!cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos)
        cell.insert(cell.begin(), '\'');
    if (cell.find_first_of(",\"\r\n") == std::string::npos)
        return cell;
    std::string quoted = "\"";
    for (char c : cell) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

namespace {

bool Export(
    THistoryStore& store, const std::string& path, THistoryExport& result,
    const std::function<bool(const THistoryStore::TRecordVisitor&, const THistoryStore::TRefusalVisitor&)>& read)
{
    result = THistoryExport{};
    std::string csv = HistoryCsvHeader();
    int written = 0;
    const bool ok = read(
        [&](const THistoryRecord& record) {
            csv += HistoryCsvRow(record);
            ++written;
        },
        [&](std::int64_t, std::int64_t, const std::string& reason) { result.Refused.push_back(reason); });
    if (!ok) {
        result.Error = store.LastError();
        return false;
    }
    std::string reason;
    if (!WriteFileAtomically(path, csv, reason)) {
        result.Error = "cannot write " + path + ": " + reason;
        return false;
    }
    result.Written = written;
    return true;
}

}  // namespace

std::string HistoryCsvHeader()
{
    std::string header = "time,host,outcome";
    for (int tone = 0; tone < ToneCount; ++tone)
        header += ",tone" + std::to_string(tone);
    return header + "\n";
}

std::string HistoryCsvRow(const THistoryRecord& record)
{
    std::string row = FormatUtcIso(record.TimeUtcMs) + "," + HistoryCsvText(record.Host) + "," +
                      HistoryCsvText(DescribeOutcome(record.Outcome));
    for (std::int32_t bits : record.Bits)
        row += "," + std::to_string(bits);
    return row + "\n";
}

bool ExportHistoryCsv(THistoryStore& store, const THistoryFilter& filter, const std::string& path,
                      THistoryExport& result)
{
    return Export(store, path, result,
                  [&](const auto& visit, const auto& refused) { return store.ForEachRecord(filter, visit, refused); });
}

bool ExportHistoryCsv(THistoryStore& store, const std::vector<std::int64_t>& ids, const std::string& path,
                      THistoryExport& result)
{
    return Export(store, path, result,
                  [&](const auto& visit, const auto& refused) { return store.ForEachRecordOf(ids, visit, refused); });
}
