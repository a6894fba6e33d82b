#pragma once
// Writes the evidence report of a period on a thread of its own, with a
// read-only store of its own (a connection being its thread's), and tells
// the window on its thread when it is written or why not. One report at a
// time; the destructor cancels a report under way and joins its thread.

#include "history/HistorySummary.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <memory>

class TReportJob : public QObject {
    Q_OBJECT

public:
    explicit TReportJob(QObject* parent = nullptr);
    ~TReportJob() override;

    // --- actions ---------------------------------------------------------------------------
    // Starts writing the report of the store's polls the filter covers to
    // outPath; false while another report is being written.
    bool Start(const QString& storePath, const THistoryFilter& filter, const QString& outPath);
    // Waits until the report under way is done (for tests and closing).
    void Wait();

    // --- getters ---------------------------------------------------------------------------
    // A report is being written: Done has not come for it yet.
    bool Busy() const { return fWorking; }

signals:
    // On the window's thread: written (message names the file), or why not.
    void Done(bool written, const QString& message);

private:
    // --- data ------------------------------------------------------------------------------
    std::unique_ptr<QThread> fThread;
    std::shared_ptr<std::atomic<bool>> fCancelled;
    bool fWorking = false;
};
