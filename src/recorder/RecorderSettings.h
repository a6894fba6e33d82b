#pragma once
// What one run of the recorder does: the command line completed from
// recorder.conf when it names no host.

#include <QString>
#include <optional>
#include <string>

#include "recorder/MetricsEndpoint.h"
#include "recorder/RecorderArguments.h"

struct TRecorderSettings {
    std::string Host;
    std::string User = "Administrator";
    int IntervalSeconds = 60;
    // The store; DefaultHistoryPath() unless the command line or the file names one.
    QString HistoryFile;
    // Empty: no password file.
    std::string PasswordFile;
    std::optional<TMetricsEndpoint> Metrics;
    // The recorder.conf read (empty when the command line named the host).
    QString ConfigFile;
};

// With a host on the command line: the arguments alone, recorder.conf is not
// read. Without: host, user, interval, metrics, password file and store from
// the file at configPath, each option given on the command line winning over
// the file. The store defaults to defaultHistory. False, with error, when the
// file is needed and missing or unusable (no host, a bad port, interval or
// metrics address).
bool ResolveRecorderSettings(const TRecorderArguments& arguments, const QString& configPath,
                             const QString& defaultHistory, TRecorderSettings& settings, std::string& error);
