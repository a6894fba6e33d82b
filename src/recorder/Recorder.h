#pragma once
// The background recorder: the monitor session without a window, polling on
// a schedule of its own and keeping every finished poll, until it is told to
// stop.
//
// The schedule runs start to start: a poll begins every IntervalSeconds after
// the one before began; a poll that overruns its interval is followed at once
// by the next. Between polls and inside them (at each heartbeat of a wait)
// the thread's Qt events are handled, so that a metrics feed in the same
// thread answers while a poll waits.

#include "app/MonitorSession.h"
#include "recorder/RecorderKeeper.h"
#include "recorder/RecorderSettings.h"
#include "recorder/RecorderView.h"

#include <functional>
#include <iosfwd>
#include <string>

class TStopSignals;

class TRecorder {
public:
    // Polls settings.Host as settings.User with password, keeping the polls
    // in settings.HistoryFile; the log gets one line per failure and event.
    TRecorder(const TRecorderSettings& settings, const std::string& password, std::ostream& log);

    // --- running ---------------------------------------------------------------------------
    // One poll now; it is called off at once when stopRequested answers true
    // (and then kept nowhere).
    void PollOnce(const std::function<bool()>& stopRequested = {});
    // Polls on the schedule until a stop signal comes, also in the middle of
    // a poll (whose wait is cut short; such a poll is not kept); then gives
    // the polls still waiting for the store their last try. Needs a
    // QCoreApplication. Returns the exit code: 0.
    int Run(const TStopSignals& stop);

    // --- setters ---------------------------------------------------------------------------
    // Called after each poll kept (the metrics feed's seam); empty: nothing is called.
    void SetOnPollKept(TPollKeptHook hook) { fKeeper.SetOnPollKept(std::move(hook)); }

    // --- getters ---------------------------------------------------------------------------
    const TRecorderSettings& Settings() const { return fSettings; }
    TMonitorSession& Session() { return fSession; }
    TRecorderKeeper& Keeper() { return fKeeper; }

private:
    // --- data ------------------------------------------------------------------------------
    TRecorderSettings fSettings;
    std::ostream& fLog;
    TRecorderView fView;
    TMonitorSession fSession;
    TRecorderKeeper fKeeper;
};
