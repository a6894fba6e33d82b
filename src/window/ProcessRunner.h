#pragma once
// The command runner of the window: a QProcess per command, killed after a
// time-out; standard input is empty, so that nothing waits for an answer.

#include "window/CommandRunner.h"

#include <QObject>

class TProcessRunner : public QObject, public TCommandRunner {
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 15000;

    explicit TProcessRunner(int timeoutMs = DefaultTimeoutMs);
    // Kills what still runs; its done is not called.
    ~TProcessRunner() override;

    // --- TCommandRunner --------------------------------------------------------------------
    void Run(const QString& program, const QStringList& arguments, TDone done) override;
    int TimeoutMs() const override { return fTimeoutMs; }

private:
    // --- data ------------------------------------------------------------------------------
    int fTimeoutMs;
};
