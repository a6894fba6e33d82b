#include "io/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool Fail(std::string& reason, int error)
{
    reason = std::strerror(error);
    return false;
}

// Writes all of bytes, going on after interrupted or partial writes.
bool WriteAll(int fd, std::string_view bytes, int& error)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Devices and pipes cannot be replaced by a rename: they are written as they are.
bool WriteInPlace(const std::string& path, std::string_view bytes, std::string& reason)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return Fail(reason, errno);
    int error = 0;
    const bool written = WriteAll(fd, bytes, error);
    if (::close(fd) != 0 && written)
        error = errno;
    return error == 0 ? true : Fail(reason, error);
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The mode a newly created file gets from the process' umask.
mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& reason)
{
    if (path.empty())
        return Fail(reason, ENOENT);

    // Replace what a symbolic link points to, not the link.
    std::string target = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr)
            target = resolved;
    }

    mode_t mode = NewFileMode();
    if (::stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return Fail(reason, EISDIR);
        if (!S_ISREG(info.st_mode))
            return WriteInPlace(target, bytes, reason);
        // Renaming over a file needs only the folder's permission, so a file
        // the user may not write (made read-only, or someone else's) would
        // be replaced without a word. It is refused as opening it for writing
        // would be: the system's own check for the effective user, which
        // takes access lists, read-only mounts and the superuser into
        // account, without opening the file (an open for writing tells file
        // watchers that it was written).
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
            return Fail(reason, errno);
        mode = info.st_mode & 07777;  // a replaced file keeps its permissions
    }

    const std::string folder = FolderOf(target);
    std::string pattern = folder + "/." + NameOf(target) + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return Fail(reason, errno);

    int error = 0;
    if (WriteAll(fd, bytes, error) && ::fchmod(fd, mode) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.data(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.data());
        return Fail(reason, error);
    }

    // Make the rename itself durable; the file is in place whatever this answers.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}
