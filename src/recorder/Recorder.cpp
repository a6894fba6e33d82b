#include "recorder/Recorder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <ostream>

#include "recorder/StopSignals.h"
#include "text/QtText.h"

namespace {

using Clock = std::chrono::steady_clock;

// The thread's pending events, user input aside (there is none here).
void HandlePendingEvents()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

TRecorder::TRecorder(const TRecorderSettings& settings, const std::string& password, std::ostream& log)
    : fSettings(settings), fLog(log), fView(TLoginFields{settings.Host, settings.User, password}, HandlePendingEvents),
      fSession(fView), fKeeper(settings.HistoryFile, log)
{
    fSession.SetRecorder(&fKeeper);
}

void TRecorder::PollOnce(const std::function<bool()>& stopRequested)
{
    TPollSettings settings;
    settings.Cancelled = stopRequested;
    fSession.SetPollSettings(settings);
    fSession.RequestPoll();
}

int TRecorder::Run(const TStopSignals& stop)
{
    const auto stopRequested = [&stop] { return stop.Received(); };
    const auto interval = std::chrono::seconds(fSettings.IntervalSeconds);

    QEventLoop loop;
    QSocketNotifier notifier(stop.WakeFd(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&loop, &notifier] {
        // The byte stays in the pipe (it says "stop" to every later look).
        notifier.setEnabled(false);
        loop.quit();
    });
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    // When the next poll is due: each one interval after the one before was
    // due, or at once after a poll that overran.
    Clock::time_point due = Clock::now();
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (stop.Received())
            return loop.quit();
        PollOnce(stopRequested);
        if (stop.Received())
            return loop.quit();
        due += interval;
        const Clock::time_point now = Clock::now();
        if (due < now)
            due = now;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now);
        timer.start(static_cast<int>(wait.count()));
    });
    if (!stop.Received()) {
        timer.start(0);
        loop.exec();
    }
    fKeeper.Finish();
    const std::int64_t kept = fKeeper.PollsKept();
    fLog << ("stopped; " + std::to_string(kept) + (kept == 1 ? " poll" : " polls") + " kept in this run\n")
         << std::flush;
    return 0;
}
