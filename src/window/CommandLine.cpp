#include "window/CommandLine.h"

#include "window/Form1.h"

#include "Version.h"

#include <QCommandLineParser>
#include <QLineEdit>

namespace {

// The parser's options; help and version are handled by hand, so that they
// work without a display and without an application object.
struct TParserSetup {
    QCommandLineParser parser;
    QCommandLineOption host{QStringList{QStringLiteral("host")},
                            QStringLiteral("Router address, optionally with a port (default port 23)."),
                            QStringLiteral("HOST[:PORT]")};
    QCommandLineOption user{QStringList{QStringLiteral("user")}, QStringLiteral("User name for the router."),
                            QStringLiteral("NAME")};
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringList{QStringLiteral("version")}, QStringLiteral("Show the version and exit.")};

    TParserSetup()
    {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOption(host);
        parser.addOption(user);
        parser.addOption(help);
        parser.addOption(version);
    }
};

}  // namespace

TMonitorOptions ParseMonitorCommandLine(const QStringList& arguments)
{
    TParserSetup setup;
    TMonitorOptions options;
    if (!setup.parser.parse(arguments)) {
        options.Error = setup.parser.errorText();
        return options;
    }
    if (!setup.parser.positionalArguments().isEmpty()) {
        options.Error = QStringLiteral("Unexpected argument '%1'.").arg(setup.parser.positionalArguments().first());
        return options;
    }
    options.ShowHelp = setup.parser.isSet(setup.help);
    options.ShowVersion = setup.parser.isSet(setup.version);
    if (setup.parser.isSet(setup.host)) {
        const QStringList values = setup.parser.values(setup.host);
        options.Host = values.last();
        if (options.Host->trimmed().isEmpty())
            options.Error = QStringLiteral("The host must not be empty.");
    }
    if (setup.parser.isSet(setup.user))
        options.UserName = setup.parser.values(setup.user).last();
    return options;
}

QString MonitorUsageText()
{
    return QStringLiteral("Usage: quillmont-monitor [--host HOST[:PORT]] [--user NAME]\n"
                          "Shows the bit loading of a Quillmont ADSL router's line as a bar chart that\n"
                          "refreshes every 60 seconds once Plot is pressed.\n"
                          "\n"
                          "Options:\n"
                          "  --host HOST[:PORT]  Router address, optionally with a port (default port 23).\n"
                          "  --user NAME         User name for the router.\n"
                          "  -h, --help          Show this help and exit.\n"
                          "  --version           Show the version and exit.\n"
                          "\n"
                          "The password can be given in the environment variable QUILLMONT_PASSWORD.\n"
                          "Nothing is polled until Plot is pressed.\n");
}

QString MonitorVersionText()
{
    return QStringLiteral("quillmont-monitor " QM_VERSION "\n");
}

void ApplyMonitorOptions(TForm1& form, const TMonitorOptions& options, const std::optional<QString>& password)
{
    if (options.Host)
        form.edHost->setText(*options.Host);
    if (options.UserName)
        form.edUsername->setText(*options.UserName);
    if (password)
        form.edPassword->setText(*password);
}
