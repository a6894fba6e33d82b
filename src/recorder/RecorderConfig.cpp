#include "recorder/RecorderConfig.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

QString DefaultRecorderConfigPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quillmont-monitor/recorder.conf");
}

bool LoadRecorderConfig(const QString& path, TRecorderConfig& config, QString& error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        error = QStringLiteral("%1 does not exist").arg(path);
        return false;
    }
    if (!info.isFile() || !info.isReadable()) {
        error = QStringLiteral("%1 cannot be read").arg(path);
        return false;
    }
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        error = QStringLiteral("%1 is not a settings file").arg(path);
        return false;
    }
    settings.beginGroup(QStringLiteral("recorder"));
    TRecorderConfig read;
    read.Host = settings.value(QStringLiteral("host")).toString().trimmed();
    read.User = settings.value(QStringLiteral("user")).toString();
    read.Metrics = settings.value(QStringLiteral("metrics")).toString().trimmed();
    read.PasswordFile = settings.value(QStringLiteral("password_file")).toString();
    read.History = settings.value(QStringLiteral("history")).toString();
    const QString interval = settings.value(QStringLiteral("interval"), QStringLiteral("60")).toString().trimmed();
    bool number = false;
    read.IntervalSeconds = interval.toInt(&number);
    if (read.Host.isEmpty()) {
        error = QStringLiteral("%1 names no host").arg(path);
        return false;
    }
    if (!number || read.IntervalSeconds < 1) {
        error = QStringLiteral("%1: the interval \"%2\" is not a whole number of seconds of at least 1")
                    .arg(path, interval);
        return false;
    }
    config = read;
    return true;
}

bool SaveRecorderConfig(const QString& path, const TRecorderConfig& config, QString& error)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        error = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("recorder"));
    settings.setValue(QStringLiteral("host"), config.Host);
    settings.setValue(QStringLiteral("user"), config.User);
    settings.setValue(QStringLiteral("interval"), config.IntervalSeconds);
    settings.setValue(QStringLiteral("metrics"), config.Metrics);
    settings.setValue(QStringLiteral("password_file"), config.PasswordFile);
    settings.setValue(QStringLiteral("history"), config.History);
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}
