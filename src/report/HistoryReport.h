#pragma once
// The evidence report of a period: one PDF (A4, text as text, plots as
// vectors) with the host, the period, the figures, the total bits over time,
// the waterfall, the changes per tone, every line event, and the main chart of
// the latest reading and of the reading before the largest loss. Times are
// in the given zone, which the report names.

#include "history/HistoryStore.h"
#include "story/HistorySliceReads.h"

#include <QString>
#include <QTimeZone>
#include <cstdint>
#include <functional>

struct THistoryReportOptions {
    QTimeZone Zone = QTimeZone::systemTimeZone();
    THistoryReadProgress Progress;
    THistoryReadCancelled Cancelled;
    // When the report is written (the clock by default).
    std::function<std::int64_t()> NowUtcMs;
};

// Reads the period from store and writes the report to outPath, whole or not
// at all (an existing file the user may not write is refused). False with
// error when the store cannot be read, the read was cancelled or the file
// cannot be written.
bool WriteHistoryReport(THistoryStore& store, const THistoryFilter& filter, const QString& outPath,
                        const THistoryReportOptions& options, QString& error);

// The PDF's bytes for the same, without writing them anywhere.
bool ComposeHistoryReport(THistoryStore& store, const THistoryFilter& filter, const THistoryReportOptions& options,
                          QByteArray& pdf, QString& error);
