#pragma once
// The monitor's command line, a convenience for trying it out:
//   quillmont-monitor [--host HOST[:PORT]] [--user NAME] [--help] [--version]
// fills the entry fields before the window shows. The password never comes
// from the command line; QUILLMONT_PASSWORD may fill it. Nothing polls until
// the user acts.

#include <QString>
#include <QStringList>
#include <optional>

class TForm1;

struct TMonitorOptions {
    std::optional<QString> Host;
    std::optional<QString> UserName;
    bool ShowHelp = false;
    bool ShowVersion = false;
    // Bad usage: what was wrong (the program then prints it and the usage, and exits 2).
    QString Error;
};

// arguments as main receives them, program name first.
TMonitorOptions ParseMonitorCommandLine(const QStringList& arguments);
QString MonitorUsageText();
QString MonitorVersionText();

// The environment variable that may hold the router password.
inline constexpr const char* PasswordVariable = "QUILLMONT_PASSWORD";

// Fills Host, Username and Password from the options and the password text.
void ApplyMonitorOptions(TForm1& form, const TMonitorOptions& options, const std::optional<QString>& password);
