#include "window/DialogFilter.h"

#include "text/QtText.h"

#include <QStringList>

QString QtFileFilter(std::string_view designFilter)
{
    const QStringList parts = QStringFromUtf8(designFilter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            pattern = pattern.trimmed();
        patterns.removeAll(QString());
        if (patterns.isEmpty())
            continue;
        const QString joined = patterns.join(QLatin1Char(' '));
        const QString named = QLatin1Char('(') + joined + QLatin1Char(')');
        if (description.endsWith(named))
            entries << description;
        else if (description.isEmpty())
            entries << named;
        else
            entries << description + QLatin1Char(' ') + named;
    }
    return entries.join(QStringLiteral(";;"));
}

QString DialogDefaultSuffix(std::string_view extension)
{
    QString suffix = QStringFromUtf8(extension);
    while (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    return suffix;
}
