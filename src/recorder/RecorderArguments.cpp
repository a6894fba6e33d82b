#include "recorder/RecorderArguments.h"

#include <QCommandLineParser>
#include <QStringList>

#include "Version.h"
#include "app/HostPort.h"
#include "text/QtText.h"

bool ParseRecorderInterval(const std::string& text, int& seconds)
{
    if (text.empty() || text.size() > 6)
        return false;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < MinRecorderInterval || value > MaxRecorderInterval)
        return false;
    seconds = value;
    return true;
}

std::string RecorderVersion()
{
    return "quillmont-recorder " QM_VERSION "\n";
}

std::string RecorderUsage()
{
    return "usage: quillmont-recorder [--history FILE] [--interval SECONDS] [--password-file FILE]\n"
           "                          [--metrics [ADDRESS:]PORT] [HOST[:PORT] [USER]]\n"
           "  polls the router every interval and keeps every poll in the line history, until SIGTERM or SIGINT;\n"
           "  without HOST, the host, user and the options not given come from recorder.conf\n"
           "  (~/.config/quillmont-monitor/recorder.conf; the window's History > Record in the background... writes "
           "it)\n"
           "  --history FILE          the store (default: the window's own, "
           "~/.local/share/quillmont-monitor/history.sqlite)\n"
           "  --interval SECONDS      from one poll's start to the next (default 60, 1 to 86400)\n"
           "  --password-file FILE    the password, from a file that only you may read or write (chmod 600)\n"
           "  --metrics [ADDRESS:]PORT  serve the line's metrics for Prometheus (loopback unless ADDRESS is given)\n"
           "  --help, --version       this text, or the program's version\n"
           "  the password, never on the command line, comes from the first of: $QUILLMONT_PASSWORD,\n"
           "  --password-file, $CREDENTIALS_DIRECTORY/quillmont-password (systemd's LoadCredential=),\n"
           "  the desktop's Secret Service\n";
}

TRecorderArgumentsResult ParseRecorderArguments(const std::vector<std::string>& args)
{
    TRecorderArgumentsResult result;
    TRecorderArguments& a = result.Arguments;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"help", "h"});
    const QCommandLineOption version("version");
    const QCommandLineOption history("history", "", "FILE");
    const QCommandLineOption interval("interval", "", "SECONDS");
    const QCommandLineOption passwordFile("password-file", "", "FILE");
    const QCommandLineOption metrics("metrics", "", "[ADDRESS:]PORT");
    // Named only to refuse them with a reason: a password on the command line
    // is visible to every user of the machine.
    const QCommandLineOption password(QStringList{"password", "p"}, "", "PASSWORD");
    const QCommandLineOption passwordStdin("password-stdin");
    parser.addOptions({help, version, history, interval, passwordFile, metrics, password, passwordStdin});

    QStringList arguments{"quillmont-recorder"};
    for (const std::string& arg : args)
        arguments << QString::fromStdString(arg);
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(password) || parser.unknownOptionNames().contains("password")) {
        result.Error = "the password is never taken from the command line: use QUILLMONT_PASSWORD, "
                       "--password-file FILE, systemd's LoadCredential= or the Secret Service";
        return result;
    }
    if (parser.isSet(passwordStdin)) {
        result.Error = "the recorder runs unattended and reads no standard input: use QUILLMONT_PASSWORD, "
                       "--password-file FILE, systemd's LoadCredential= or the Secret Service";
        return result;
    }
    if (!parsed) {
        result.Error = Utf8FromQString(parser.errorText());
        return result;
    }
    a.ShowHelp = parser.isSet(help);
    a.ShowVersion = parser.isSet(version);
    if (a.ShowHelp || a.ShowVersion)
        return result;

    const auto fileOption = [&](const QCommandLineOption& option, std::optional<std::string>& file) {
        if (!parser.isSet(option))
            return true;
        file = Utf8FromQString(parser.value(option));
        if (file->empty())
            result.Error = "--" + Utf8FromQString(option.names().front()) + " needs a file name";
        return result.Error.empty();
    };
    if (!fileOption(history, a.HistoryFile) || !fileOption(passwordFile, a.PasswordFile))
        return result;
    if (parser.isSet(interval)) {
        const std::string text = Utf8FromQString(parser.value(interval));
        int seconds = 0;
        if (!ParseRecorderInterval(text, seconds)) {
            result.Error = "bad interval \"" + text + "\" (whole seconds from " + std::to_string(MinRecorderInterval) +
                           " to " + std::to_string(MaxRecorderInterval) + ")";
            return result;
        }
        a.IntervalSeconds = seconds;
    }
    if (parser.isSet(metrics)) {
        TMetricsEndpoint endpoint;
        if (!ParseMetricsEndpoint(Utf8FromQString(parser.value(metrics)), endpoint, result.Error))
            return result;
        a.Metrics = endpoint;
    }

    const QStringList operands = parser.positionalArguments();
    if (operands.size() > 2) {
        result.Error = "too many arguments";
        return result;
    }
    if (operands.empty())
        return result;
    a.Host = Utf8FromQString(operands[0]);
    result.Error = HostOperandError(a.Host);
    if (!result.Error.empty())
        return result;
    if (operands.size() == 2)
        a.User = Utf8FromQString(operands[1]);
    return result;
}
