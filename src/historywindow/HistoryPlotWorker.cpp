#include "historywindow/HistoryPlotWorker.h"

#include "history/HistoryStore.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <string>

// One read of the plots on its own thread. What it reads is its own until
// the thread has ended; the worker takes it from there on its own thread.
class THistoryPlotWorker::TJob : public QThread {
public:
    TJob(THistoryPlotWorker& worker, std::uint64_t number, const QString& storePath, const THistoryFilter& filter,
         TJobHook hook)
        : fWorker(worker), fNumber(number), fStorePath(storePath), fFilter(filter), fHook(std::move(hook))
    {}
    ~TJob() override
    {
        Cancel();
        wait();
    }

    void Cancel() { fCancelled.store(true); }
    bool Cancelled() const { return fCancelled.load(); }
    std::uint64_t Number() const { return fNumber; }
    // Read once the thread has ended.
    bool Read() const { return fRead; }
    THistoryPlotData& Data() { return fData; }
    const std::string& Error() const { return fError; }

protected:
    void run() override
    {
        const std::function<bool()> cancelled = [this] { return Cancelled(); };
        THistoryStore store;
        THistoryStoreOptions options;
        options.ReadOnly = true;
        if (!store.Open(fStorePath, options)) {
            fError = store.LastError();
            return;
        }
        THistoryPlotWorker* worker = &fWorker;
        const std::uint64_t number = fNumber;
        const auto progress = [&](std::int64_t done, std::int64_t total) {
            // Delivered on the worker's thread, and dropped if the worker is gone.
            QMetaObject::invokeMethod(
                worker, [worker, number, done, total] { worker->JobProgress(number, done, total); },
                Qt::QueuedConnection);
            if (fHook)
                fHook(cancelled);
        };
        fRead = ReadHistoryPlotData(store, fFilter, fData, fError, progress, cancelled);
        store.Close();
    }

private:
    THistoryPlotWorker& fWorker;
    const std::uint64_t fNumber;
    const QString fStorePath;
    const THistoryFilter fFilter;
    const TJobHook fHook;
    std::atomic<bool> fCancelled{false};
    bool fRead = false;
    THistoryPlotData fData;
    std::string fError;
};

THistoryPlotWorker::THistoryPlotWorker(QObject* parent) : QObject(parent) {}

THistoryPlotWorker::~THistoryPlotWorker()
{
    // Every job is told first, so that they all stop at once, then joined.
    for (const auto& job : fJobs)
        job->Cancel();
    fJobs.clear();
}

void THistoryPlotWorker::Start(const QString& storePath, const THistoryFilter& filter)
{
    Cancel();
    auto job = std::make_unique<TJob>(*this, ++fStarted, storePath, filter, fJobHook);
    TJob* started = job.get();
    // Emitted on the job's thread at its end, handled on this one.
    connect(
        started, &QThread::finished, this, [this, started] { JobEnded(started); }, Qt::QueuedConnection);
    fJobs.push_back(std::move(job));
    fCurrent = started;
    started->start(QThread::LowPriority);
}

void THistoryPlotWorker::Cancel()
{
    if (fCurrent == nullptr)
        return;
    fCurrent->Cancel();
    fCurrent = nullptr;
    ++fCancelled;
}

void THistoryPlotWorker::JobProgress(std::uint64_t job, std::int64_t done, std::int64_t total)
{
    if (fCurrent != nullptr && fCurrent->Number() == job)
        emit Progress(done, total);
}

void THistoryPlotWorker::JobEnded(TJob* job)
{
    const auto found = std::find_if(fJobs.begin(), fJobs.end(), [job](const auto& j) { return j.get() == job; });
    if (found == fJobs.end())
        return;
    std::unique_ptr<TJob> ended = std::move(*found);
    fJobs.erase(found);
    ended->wait();
    if (ended.get() != fCurrent)
        return;  // cancelled: its result is stale
    fCurrent = nullptr;
    if (ended->Read())
        emit Ready(ended->Data());
    else
        emit Failed(QString::fromStdString(ended->Error()));
}
