#pragma once
// What the main window needs to keep every poll: a store opened on first use
// at the default location (or a given path), one call per poll, and the
// texts for the status line.

#include "app/PollRecorder.h"
#include "history/HistoryRecord.h"
#include "history/HistoryStore.h"

#include <QString>
#include <functional>
#include <string>

// The default store: "history.sqlite" in the user's data folder of the
// application "quillmont-monitor" (QStandardPaths::AppDataLocation when the
// application carries that name, the same folder otherwise).
QString DefaultHistoryPath();

class THistoryRecorder : public TPollRecorder {
public:
    explicit THistoryRecorder(const QString& path = DefaultHistoryPath(), const THistoryStoreOptions& options = {});

    // Appends one poll. Never throws and never blocks longer than the store's
    // busy time-out. Answers "" when the poll was written and there is
    // nothing to tell; otherwise one sentence for the status line: why the
    // history could not be written, or that a damaged store was set aside
    // (and where) or a newer one opened read-only. A store that could not be
    // opened is tried again at the next poll.
    std::string Record(THistoryRecord& record);
    // A poll of a session, kept at the current time; then the kept-callback.
    std::string KeepPoll(const TPollOutcome& outcome, const std::string& host, const ToneBits& bits,
                         const tones::ToneRange& range) override;

    // --- setters ---------------------------------------------------------------------------
    // Called after each poll a session handed over, written or not.
    void SetOnKept(std::function<void()> onKept) { fOnKept = std::move(onKept); }
    // Who makes the polls a session hands over (KeepPoll stores it with each).
    void SetOrigin(TPollOrigin origin) { fOrigin = origin; }

    // --- getters ---------------------------------------------------------------------------
    const QString& Path() const { return fPath; }
    THistoryStore& Store() { return fStore; }

private:
    // --- data ------------------------------------------------------------------------------
    QString fPath;
    THistoryStoreOptions fOptions;
    THistoryStore fStore;
    // A read-only store is told about once; later polls just say "not written".
    bool fToldReadOnly = false;
    std::function<void()> fOnKept;
    TPollOrigin fOrigin = TPollOrigin::poUnknown;
};

// "History not written: REASON" — the status line's note when a poll could
// not be kept.
std::string HistoryNotWrittenText(const std::string& reason);

// The status line while the main chart shows a poll chosen in the history:
// "Showing a past poll of 2024-05-01 05:12:44 (reply captured); the next poll
// or Plot returns to live data".
std::string PastPollStatusText(const THistoryRecord& record);
