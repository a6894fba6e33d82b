#pragma once
// Reads the history window's plots on a thread of their own, so that a
// period of a hundred thousand polls never holds up the window. Each job
// opens its own read-only connection to the store (a connection belongs to
// the thread that opened it). Starting a job cancels the one before; a
// cancelled job stops at its next slice and its result is dropped. The
// worker's signals come on the thread that owns it.

#include "history/HistorySummary.h"
#include "story/HistoryPlotData.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class THistoryPlotWorker : public QObject {
    Q_OBJECT

public:
    // Runs on a job's thread after each progress report, with the job's
    // cancellation: lets a test hold a job at a known point until it is
    // cancelled or let go.
    using TJobHook = std::function<void(const std::function<bool()>& cancelled)>;

    explicit THistoryPlotWorker(QObject* parent = nullptr);
    // Cancels every job and waits for its thread to end.
    ~THistoryPlotWorker() override;

    // --- actions ---------------------------------------------------------------------------
    // Reads the plots of the period from the store at storePath; the job
    // running before is cancelled.
    void Start(const QString& storePath, const THistoryFilter& filter);
    // Cancels the running job: nothing more comes of it.
    void Cancel();

    // --- setters ---------------------------------------------------------------------------
    void SetJobHook(TJobHook hook) { fJobHook = std::move(hook); }

    // --- getters ---------------------------------------------------------------------------
    // A job runs whose result will come.
    bool Busy() const { return fCurrent != nullptr; }
    // Threads not ended yet, cancelled ones included.
    int RunningThreads() const { return static_cast<int>(fJobs.size()); }
    // Jobs started, and jobs cancelled before their result came.
    std::uint64_t StartedJobs() const { return fStarted; }
    std::uint64_t CancelledJobs() const { return fCancelled; }

signals:
    // Polls read so far of the running job and polls of its period.
    void Progress(qint64 done, qint64 total);
    // The running job has read both plots.
    void Ready(const THistoryPlotData& data);
    // The running job could not read the store.
    void Failed(const QString& why);

private:
    class TJob;
    void JobProgress(std::uint64_t job, std::int64_t done, std::int64_t total);
    void JobEnded(TJob* job);

    // --- data ------------------------------------------------------------------------------
    // Every job whose thread has not been joined yet, the current one last.
    std::vector<std::unique_ptr<TJob>> fJobs;
    TJob* fCurrent = nullptr;
    std::uint64_t fStarted = 0;
    std::uint64_t fCancelled = 0;
    TJobHook fJobHook;
};
