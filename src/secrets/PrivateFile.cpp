#include "secrets/PrivateFile.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

bool Fail(QString& error, const QString& what, int code)
{
    error = QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

bool WriteAll(int fd, std::string_view bytes, int& code)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            code = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Creates folder and the folders above it that are missing, each with mode
// 0700 (set after mkdir, which the umask could have narrowed further).
bool MakePrivateFolders(const std::string& folder, int& code)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return true;
        code = ENOTDIR;
        return false;
    }
    if (errno != ENOENT) {
        code = errno;
        return false;
    }
    const std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakePrivateFolders(folder.substr(0, slash), code))
        return false;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        code = errno;
        return false;
    }
    if (::chmod(folder.c_str(), 0700) != 0) {
        code = errno;
        return false;
    }
    return true;
}

}  // namespace

bool WritePrivateFile(const QString& path, const std::string& content, QString& error)
{
    if (path.isEmpty())
        return Fail(error, QStringLiteral("no file named"), ENOENT);
    const QFileInfo info(path);
    const std::string target = QFile::encodeName(info.absoluteFilePath()).toStdString();
    const std::string folder = QFile::encodeName(info.absolutePath()).toStdString();
    const QString shown = info.absoluteFilePath();

    int code = 0;
    if (!MakePrivateFolders(folder, code))
        return Fail(error, QStringLiteral("cannot create the folder of %1").arg(shown), code);

    // mkostemp creates the file for its owner alone (0600 before the umask);
    // fchmod makes it exactly 0600 before a byte is written.
    std::string pattern = folder + "/." + QFile::encodeName(info.fileName()).toStdString() + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return Fail(error, QStringLiteral("cannot write %1").arg(shown), errno);
    const auto abandon = [&](int failure) {
        ::close(fd);
        ::unlink(name.data());
        return Fail(error, QStringLiteral("cannot write %1").arg(shown), failure);
    };
    if (::fchmod(fd, 0600) != 0)
        return abandon(errno);
    if (!WriteAll(fd, content, code))
        return abandon(code);
    if (::fsync(fd) != 0)
        return abandon(errno);
    if (::close(fd) != 0) {
        code = errno;
        ::unlink(name.data());
        return Fail(error, QStringLiteral("cannot write %1").arg(shown), code);
    }
    if (::rename(name.data(), target.c_str()) != 0) {
        code = errno;
        ::unlink(name.data());
        return Fail(error, QStringLiteral("cannot write %1").arg(shown), code);
    }
    // The rename itself reaches the disk with the folder.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}
