#pragma once
// Runs a program for the window without blocking it: the result comes back
// later, through the event loop. The "Record in the background..." dialog
// runs systemctl through one; tests give it a runner of their own.

#include <QString>
#include <QStringList>
#include <functional>

// How a program ended.
struct TCommandResult {
    // False when the program could not be started at all (not installed);
    // Errors then says why.
    bool Started = false;
    // True when it was stopped for taking longer than the runner's time-out.
    bool TimedOut = false;
    // Its exit code (-1 when it did not exit by itself).
    int ExitCode = -1;
    QString Output;  // standard output
    QString Errors;  // standard error
};

class TCommandRunner {
public:
    using TDone = std::function<void(const TCommandResult&)>;

    virtual ~TCommandRunner() = default;

    // Starts program (searched on PATH) with arguments and returns at once;
    // done is called once, from the event loop, when the program has ended,
    // could not be started or was stopped after the time-out. Never after
    // the runner is gone.
    virtual void Run(const QString& program, const QStringList& arguments, TDone done) = 0;
    // How long a program may run.
    virtual int TimeoutMs() const = 0;
};
