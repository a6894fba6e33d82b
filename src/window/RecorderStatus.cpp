#include "window/RecorderStatus.h"

#include "text/QtText.h"
#include "window/RecordDesign.h"

#include <QRegularExpression>

namespace {

// A program's message on one line.
QString OneLine(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    return lines.join(QStringLiteral("; "));
}

QString ShellQuoted(const QString& word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:@%+=,-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

}  // namespace

QString DurationText(int ms)
{
    return ms % 1000 == 0 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms);
}

TRecorderStatus RecorderStatusFromIsActive(const TCommandResult& result, int timeoutMs)
{
    TRecorderStatus status;
    if (!result.Started) {
        status.State = TRecorderState::rsNoUserSystemd;
        status.Detail = QStringLiteral("systemctl cannot be run: %1").arg(OneLine(result.Errors));
        return status;
    }
    if (result.TimedOut) {
        status.State = TRecorderState::rsNoUserSystemd;
        status.Detail = QStringLiteral("systemctl --user did not answer within %1").arg(DurationText(timeoutMs));
        return status;
    }
    // A user manager that answers always names a state, "inactive" for a unit it does not know.
    const QString state = result.Output.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (state == QLatin1String("active") || state == QLatin1String("reloading"))
        status.State = TRecorderState::rsRunning;
    else if (state == QLatin1String("activating"))
        status.State = TRecorderState::rsStarting;
    else if (state == QLatin1String("deactivating"))
        status.State = TRecorderState::rsStopping;
    else if (state == QLatin1String("failed"))
        status.State = TRecorderState::rsFailed;
    else if (!state.isEmpty())
        status.State = TRecorderState::rsNotRunning;
    else {
        status.State = TRecorderState::rsNoUserSystemd;
        const QString said = OneLine(result.Errors);
        status.Detail =
            QStringLiteral("systemctl --user: %1")
                .arg(said.isEmpty() ? QStringLiteral("no answer (exit code %1)").arg(result.ExitCode) : said);
    }
    return status;
}

QString RecorderStatusText(const TRecorderStatus& status)
{
    switch (status.State) {
    case TRecorderState::rsAsking:
        return QStringLiteral("Asking systemd whether the recorder runs...");
    case TRecorderState::rsRunning:
        return QStringLiteral("The recorder is running.");
    case TRecorderState::rsStarting:
        return QStringLiteral("The recorder is starting.");
    case TRecorderState::rsStopping:
        return QStringLiteral("The recorder is stopping.");
    case TRecorderState::rsNotRunning:
        return QStringLiteral("The recorder is not running.");
    case TRecorderState::rsFailed:
        return QStringLiteral("The recorder is not running: it failed (journalctl --user -u %1 tells why).")
            .arg(QStringFromUtf8(design::RecorderUnit));
    case TRecorderState::rsNoUserSystemd:
        break;
    }
    return QStringLiteral("There is no user systemd here (%1). Run the recorder yourself instead, in a terminal or "
                          "from your session's autostart:")
        .arg(status.Detail);
}

QString CommandFailureText(const QString& command, const TCommandResult& result, int timeoutMs)
{
    if (!result.Started)
        return QStringLiteral("%1 cannot be run: %2").arg(command, OneLine(result.Errors));
    if (result.TimedOut)
        return QStringLiteral("%1 did not finish within %2").arg(command, DurationText(timeoutMs));
    if (result.ExitCode == 0)
        return QString();
    const QString said = OneLine(result.Errors);
    return said.isEmpty() ? QStringLiteral("%1 failed (exit code %2)").arg(command).arg(result.ExitCode)
                          : QStringLiteral("%1 failed: %2").arg(command, said);
}

QString ManualRecorderCommand(const TRecorderConfig& config, bool readsDefaultConfig)
{
    QStringList words{QStringFromUtf8(design::RecorderProgram)};
    if (readsDefaultConfig)
        return words.first();
    if (!config.History.isEmpty())
        words << QStringLiteral("--history") << ShellQuoted(config.History);
    words << QStringLiteral("--interval") << QString::number(config.IntervalSeconds);
    if (!config.PasswordFile.isEmpty())
        words << QStringLiteral("--password-file") << ShellQuoted(config.PasswordFile);
    if (!config.Metrics.isEmpty())
        words << QStringLiteral("--metrics") << ShellQuoted(config.Metrics);
    words << ShellQuoted(config.Host);
    if (!config.User.isEmpty())
        words << ShellQuoted(config.User);
    return words.join(QLatin1Char(' '));
}
