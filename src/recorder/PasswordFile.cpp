#include "recorder/PasswordFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// "root" or "uid 1234".
std::string UserName(uid_t uid)
{
    const passwd* entry = ::getpwuid(uid);
    return entry != nullptr ? std::string(entry->pw_name) : "uid " + std::to_string(uid);
}

std::string OctalMode(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Why the opened file may not hold the password, or "".
std::string JudgeFile(const struct stat& info, TPasswordFileRule rule)
{
    if (!S_ISREG(info.st_mode))
        return "is not a regular file";
    if (rule == TPasswordFileRule::pfrManaged)
        return "";
    if (info.st_uid != ::geteuid())
        return "belongs to " + UserName(info.st_uid) + ", not to " + UserName(::geteuid()) + " who runs the recorder";
    if ((info.st_mode & 077) != 0)
        return "may be read or written by others (mode " + OctalMode(info.st_mode) +
               "): make it yours alone with chmod 600";
    return "";
}

}  // namespace

bool ReadPasswordFile(const std::string& path, TPasswordFileRule rule, std::string& password, std::string& why)
{
    // O_NOFOLLOW: a link is refused, not followed to a file of someone
    // else's choosing. O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        why = error == ELOOP ? std::string("is a symbolic link (name the file itself)") : std::strerror(error);
        return false;
    }
    struct stat info {};
    std::string text;
    why.clear();
    if (::fstat(fd, &info) != 0)
        why = std::strerror(errno);
    else
        why = JudgeFile(info, rule);
    if (why.empty() && static_cast<std::size_t>(info.st_size) > MaxPasswordFileSize)
        why = "is larger than " + std::to_string(MaxPasswordFileSize) + " bytes: no password file";
    if (why.empty()) {
        char chunk[MaxPasswordFileSize + 1];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                why = std::strerror(errno);
            if (n <= 0)
                break;
            text.append(chunk, static_cast<std::size_t>(n));
            // The file may have grown since the size was looked at.
            if (text.size() > MaxPasswordFileSize) {
                why = "is larger than " + std::to_string(MaxPasswordFileSize) + " bytes: no password file";
                break;
            }
        }
    }
    ::close(fd);
    if (why.empty() && text.empty())
        why = "is empty";
    if (!why.empty())
        return false;
    if (text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
    }
    if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        why = "holds more than one line, or a NUL character: the password is the file's one line";
        return false;
    }
    password = std::move(text);
    return true;
}
