#pragma once
// Export of polls as CSV: time (ISO 8601 UTC), host, outcome, then the bits
// of tones 0 to 512, one poll per row, oldest first.

#include "history/HistoryRecord.h"
#include "history/HistorySummary.h"

#include <cstdint>
#include <string>
#include <vector>

class THistoryStore;

// A text as one CSV cell: quoted when it holds a comma, quote or line break;
// a text that a spreadsheet would run as a formula (starting with =, +, -, @,
// tab or CR) gets a leading apostrophe.
std::string HistoryCsvText(const std::string& text);

// "time,host,outcome,tone0,...,tone512" and a line end.
std::string HistoryCsvHeader();
// One row and its line end, the host and outcome as HistoryCsvText writes them.
std::string HistoryCsvRow(const THistoryRecord& record);

struct THistoryExport {
    // Polls written.
    int Written = 0;
    // Records left out because their values were refused, one line each.
    std::vector<std::string> Refused;
    // Why nothing was written (empty on success).
    std::string Error;
};

// Writes the polls the filter covers (or the chosen ids) to path, whole or
// not at all, through a temporary file renamed into place. False with
// result.Error when the store cannot be read or the file cannot be written.
bool ExportHistoryCsv(THistoryStore& store, const THistoryFilter& filter, const std::string& path,
                      THistoryExport& result);
bool ExportHistoryCsv(THistoryStore& store, const std::vector<std::int64_t>& ids, const std::string& path,
                      THistoryExport& result);
