#pragma once
// What the background recorder polls when it is started without a host on
// its command line: recorder.conf in the user's configuration folder, an INI
// file the window's "Record in the background..." dialog writes.
//
//   [recorder]
//   host=192.168.1.1
//   user=Administrator
//   interval=60
//   metrics=9478            (or 127.0.0.1:9478; empty: no metrics feed)
//   password_file=          (a file only the user may read; empty: none)
//   history=                (the store; empty: the window's own store)

#include <QString>

struct TRecorderConfig {
    QString Host;
    QString User;
    int IntervalSeconds = 60;
    QString Metrics;
    QString PasswordFile;
    QString History;

    bool operator==(const TRecorderConfig&) const = default;
};

// ~/.config/quillmont-monitor/recorder.conf (QStandardPaths::GenericConfigLocation).
QString DefaultRecorderConfigPath();

// Reads the file at path. False, with error, when it does not exist, cannot
// be read or names no host; an interval below 1 or not a number is refused too.
bool LoadRecorderConfig(const QString& path, TRecorderConfig& config, QString& error);
// Writes the file at path (creating its folder). False, with error, when it
// cannot be written.
bool SaveRecorderConfig(const QString& path, const TRecorderConfig& config, QString& error);
