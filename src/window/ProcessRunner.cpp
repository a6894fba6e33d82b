#include "window/ProcessRunner.h"

#include <QProcess>
#include <QTimer>
#include <memory>

TProcessRunner::TProcessRunner(int timeoutMs) : fTimeoutMs(timeoutMs) {}

TProcessRunner::~TProcessRunner()
{
    for (QProcess* process : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        process->disconnect(this);
        process->kill();
        process->waitForFinished(1000);
        delete process;
    }
}

void TProcessRunner::Run(const QString& program, const QStringList& arguments, TDone done)
{
    auto* process = new QProcess(this);
    process->setStandardInputFile(QProcess::nullDevice());
    auto* timer = new QTimer(process);
    timer->setSingleShot(true);

    // Shared by the handlers below: the result is handed on once.
    struct TState {
        TDone Done;
        bool TimedOut = false;
        bool Reported = false;
    };
    const auto state = std::make_shared<TState>();
    state->Done = std::move(done);
    const auto report = [process, state](TCommandResult result) {
        if (state->Reported)
            return;
        state->Reported = true;
        process->deleteLater();
        const TDone handOn = std::move(state->Done);
        handOn(result);
    };

    connect(process, &QProcess::finished, this, [process, state, report](int code, QProcess::ExitStatus status) {
        TCommandResult result;
        result.Started = true;
        result.TimedOut = state->TimedOut;
        result.ExitCode = status == QProcess::NormalExit ? code : -1;
        result.Output = QString::fromLocal8Bit(process->readAllStandardOutput());
        result.Errors = QString::fromLocal8Bit(process->readAllStandardError());
        report(result);
    });
    connect(process, &QProcess::errorOccurred, this, [this, process, report](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;  // the end comes through finished
        TCommandResult result;
        result.Errors = process->errorString();
        // This may come from inside start(): the caller hears of it from the event loop.
        QTimer::singleShot(0, this, [report, result] { report(result); });
    });
    connect(timer, &QTimer::timeout, this, [process, state] {
        state->TimedOut = true;
        process->kill();  // finished follows
    });
    timer->start(fTimeoutMs);
    process->start(program, arguments);
}
