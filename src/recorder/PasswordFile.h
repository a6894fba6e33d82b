#pragma once
// Reading a password kept in a file, with the care a key file gets: the file
// is opened once, without following a link, and judged by what was opened.

#include <cstddef>
#include <string>

// A password file far larger than this holds no password.
constexpr std::size_t MaxPasswordFileSize = 4096;

// Whose file a password file may be.
enum class TPasswordFileRule {
    // It must belong to the effective user, and no one else may read or write
    // it (mode & 077 == 0), as ssh demands of a private key: a file others
    // can read has given the password away, one they can write lets them
    // choose it.
    pfrPrivate,
    // Any owner and mode: a file the service manager set up for this process
    // (systemd's credentials), readable only by it.
    pfrManaged,
};

// Reads the password in the file at path: the whole file less one line end
// at its end ("\n" or "\r\n"). False, with why in words for the user, when
// the file cannot be opened, is a symbolic link, is not a regular file,
// breaks the rule, is empty, larger than MaxPasswordFileSize, or holds a
// line break or NUL within the password (which would reach the router as a
// line of its own). A FIFO or device is never waited on.
bool ReadPasswordFile(const std::string& path, TPasswordFileRule rule, std::string& password, std::string& why);
