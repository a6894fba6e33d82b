#include "recorder/RecorderSettings.h"

#include <QFileInfo>

#include "app/HostPort.h"
#include "recorder/RecorderConfig.h"
#include "text/QtText.h"

bool ResolveRecorderSettings(const TRecorderArguments& arguments, const QString& configPath,
                             const QString& defaultHistory, TRecorderSettings& settings, std::string& error)
{
    TRecorderSettings resolved;
    if (arguments.Host.empty()) {
        const std::string where = Utf8FromQString(configPath);
        if (!QFileInfo::exists(configPath)) {
            error = "no HOST given, and there is no " + where +
                    " to read it from (the window's History > Record in the background... writes one)";
            return false;
        }
        TRecorderConfig config;
        QString why;
        if (!LoadRecorderConfig(configPath, config, why)) {
            error = Utf8FromQString(why);
            return false;
        }
        resolved.ConfigFile = configPath;
        resolved.Host = Utf8FromQString(config.Host);
        const std::string port = SplitHostPort(resolved.Host).Port;
        if (!IsValidPort(port)) {
            error = where + ": bad port \"" + port + "\" in host " + resolved.Host + " (a number from 1 to 65535)";
            return false;
        }
        if (!config.User.isEmpty())
            resolved.User = Utf8FromQString(config.User);
        if (config.IntervalSeconds > MaxRecorderInterval) {
            error = where + ": the interval " + std::to_string(config.IntervalSeconds) + " is longer than " +
                    std::to_string(MaxRecorderInterval) + " s";
            return false;
        }
        resolved.IntervalSeconds = config.IntervalSeconds;
        if (!config.Metrics.isEmpty()) {
            TMetricsEndpoint endpoint;
            std::string why;
            if (!ParseMetricsEndpoint(Utf8FromQString(config.Metrics), endpoint, why)) {
                error = where + ": " + why;
                return false;
            }
            resolved.Metrics = endpoint;
        }
        resolved.PasswordFile = Utf8FromQString(config.PasswordFile);
        resolved.HistoryFile = config.History;
    } else {
        resolved.Host = arguments.Host;
        if (arguments.User)
            resolved.User = *arguments.User;
    }
    if (arguments.IntervalSeconds)
        resolved.IntervalSeconds = *arguments.IntervalSeconds;
    if (arguments.Metrics)
        resolved.Metrics = arguments.Metrics;
    if (arguments.PasswordFile)
        resolved.PasswordFile = *arguments.PasswordFile;
    if (arguments.HistoryFile)
        resolved.HistoryFile = QStringFromUtf8(*arguments.HistoryFile);
    if (resolved.HistoryFile.isEmpty())
        resolved.HistoryFile = defaultHistory;
    settings = resolved;
    return true;
}
