#pragma once
// What the Secret Service tests share: a private home for the process (its
// settings and data folders, no desktop named), a search for a secret
// written in plain text anywhere under it, and a test main with a
// QCoreApplication.

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace secretstest {

// The regular files under root whose bytes hold text.
inline std::vector<std::string> FilesHolding(const std::string& root, const std::string& text)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (bytes.str().find(text) != std::string::npos)
            found.push_back(entry.path().string());
    }
    return found;
}

// Points HOME and the XDG folders into a temporary folder, and names no
// desktop (which one the environment names decides which keyring is asked).
class TPrivateHome {
public:
    TPrivateHome()
    {
        fRoot = fDir.path().toStdString();
        ::setenv("HOME", fRoot.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (fRoot + "/.config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (fRoot + "/.local/share").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (fRoot + "/.cache").c_str(), 1);
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "KDE_SESSION_VERSION",
                                 "GNOME_DESKTOP_SESSION_ID", "DISPLAY", "WAYLAND_DISPLAY"})
            ::unsetenv(name);
    }
    const std::string& Root() const { return fRoot; }

    // The files under the home whose bytes hold text.
    std::vector<std::string> FilesHolding(const std::string& text) const;

private:
    QTemporaryDir fDir;
    std::string fRoot;
};

inline std::vector<std::string> TPrivateHome::FilesHolding(const std::string& text) const
{
    return secretstest::FilesHolding(fRoot, text);
}

}  // namespace secretstest
