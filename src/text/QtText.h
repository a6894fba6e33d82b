#pragma once
// Conversions between the project's 8-bit texts and QString. Which encoding a
// text is in is part of each helper's name:
// - UTF-8: design texts, the session's and the history's texts, file names,
//   command-line arguments (everything outside the chart engine);
// - Latin-1: the chart engine's texts, whose 8-bit characters each stand for
//   one character of the code page the chart was designed with (any byte
//   0-255 maps to one character and back).

#include <QLocale>
#include <QString>

#include <string>
#include <string_view>

inline QString QStringFromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string Utf8FromQString(const QString& text)
{
    return text.toStdString();
}

inline QString QStringFromLatin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Characters beyond Latin-1 become "?".
inline std::string Latin1FromQString(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// "129,600": a count with English thousands separators, whatever the user's locale.
inline QString GroupedNumber(long long n)
{
    return QLocale(QLocale::English).toString(n);
}
