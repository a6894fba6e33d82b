#pragma once

#include <QString>
#include <string>
#include <string_view>

// Design texts and the session's texts are UTF-8.
inline QString QStr(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string StdStr(const QString& text)
{
    return text.toStdString();
}
