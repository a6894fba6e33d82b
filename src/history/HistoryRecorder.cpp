#include "history/HistoryRecorder.h"

#include "history/HistoryTime.h"

#include <QCoreApplication>
#include <QStandardPaths>

QString DefaultHistoryPath()
{
    const QString name = QStringLiteral("quillmont-monitor");
    const QString folder =
        QCoreApplication::applicationName() == name && QCoreApplication::organizationName().isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
            : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + name;
    return folder + QStringLiteral("/history.sqlite");
}

THistoryRecorder::THistoryRecorder(const QString& path, const THistoryStoreOptions& options)
    : fPath(path), fOptions(options)
{}

std::string THistoryRecorder::Record(THistoryRecord& record)
{
    std::string notice;
    if (!fStore.IsOpen()) {
        if (!fStore.Open(fPath, fOptions))
            return HistoryNotWrittenText(fStore.LastError());
        notice = fStore.Notice();
    }
    if (fStore.IsReadOnly()) {
        if (!fToldReadOnly) {
            fToldReadOnly = true;
            return notice.empty() ? HistoryNotWrittenText("the store is open read-only") : notice;
        }
        return HistoryNotWrittenText("the store " + fPath.toStdString() + " is read-only");
    }
    if (!fStore.Append(record))
        return HistoryNotWrittenText(fStore.LastError());
    if (!fStore.Notice().empty())
        notice = fStore.Notice();
    return notice;
}

std::string THistoryRecorder::KeepPoll(const TPollOutcome& outcome, const std::string& host, const ToneBits& bits,
                                       const tones::ToneRange& range)
{
    THistoryRecord record = MakeHistoryRecord(CurrentUtcMs(), host, outcome, range.FirstTone, range.LastTone, bits);
    record.Origin = fOrigin;
    const std::string note = Record(record);
    if (fOnKept)
        fOnKept();
    return note;
}

std::string HistoryNotWrittenText(const std::string& reason)
{
    const std::string prefix = "the history could not be written: ";
    const std::string why = reason.rfind(prefix, 0) == 0 ? reason.substr(prefix.size()) : reason;
    return "History not written: " + why;
}

std::string PastPollStatusText(const THistoryRecord& record)
{
    return "Showing a past poll of " + FormatLocalTime(record.TimeUtcMs).toStdString() + " (" +
           DescribeOutcome(record.Outcome) + "); the next poll or Plot returns to live data";
}
