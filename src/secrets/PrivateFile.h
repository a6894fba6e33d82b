#pragma once
// A file only its owner may read or write, for a secret kept on disk where no
// Secret Service answers (the recorder's password file).

#include <QString>
#include <string>

// Replaces the file at path by content. The file is created with mode 0600
// from the start (a temporary file in the same folder, never readable by
// anyone else, whatever the umask), flushed to disk and renamed over path;
// a symbolic link at path is replaced, not followed. Folders that do not
// exist are created with mode 0700. False, with error naming the path and
// the system's reason, when anything fails; path is then untouched and no
// temporary file is left.
bool WritePrivateFile(const QString& path, const std::string& content, QString& error);
