#pragma once
// Waiting in the history window's tests for what the plot worker's thread
// does: the window's thread runs its events until a condition holds, and a
// job can be held at its first progress report until it is cancelled or let go.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>

// Runs this thread's events until done() holds; false after timeoutMs.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 60000)
{
    QElapsedTimer clock;
    clock.start();
    // Wakes the loop now and then, so that the time-out is seen without events.
    QTimer wake;
    wake.start(10);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// A job hook (THistoryPlotWorker::TJobHook) that holds the first job to
// report until that job is cancelled or LetGo is called, and notes the
// thread the jobs run on.
class THeldJob {
public:
    // The hook to give the worker; the holder must outlive the jobs.
    std::function<void(const std::function<bool()>&)> Hook()
    {
        return [this](const std::function<bool()>& cancelled) {
            fJobThread.store(QThread::currentThread());
            if (fHeld.exchange(true))
                return;
            fReached.release();
            while (!cancelled() && !fLetGo.tryAcquire(1, 5)) {
            }
        };
    }
    // Waits until the first job is held.
    bool Reached(int timeoutMs = 60000) { return fReached.tryAcquire(1, timeoutMs); }
    void LetGo() { fLetGo.release(); }
    QThread* JobThread() const { return fJobThread.load(); }

private:
    std::atomic<bool> fHeld{false};
    std::atomic<QThread*> fJobThread{nullptr};
    QSemaphore fReached;
    QSemaphore fLetGo;
};
