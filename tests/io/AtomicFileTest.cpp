// The file writer replaces a file whole or not at all.
#include "io/AtomicFile.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/atomicfile-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        fDir = pattern;
    }
    void TearDown() override { fs::remove_all(fDir); }

    std::string Path(const std::string& name) const { return (fDir / name).string(); }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void Write(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    // Names in the folder; a temporary file left behind shows up here.
    std::size_t EntryCount() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(fDir), {})); }

    fs::path fDir;
};

// Permission rules are tested as an ordinary user: as "nobody" when the
// tests run as the superuser (who may write anything), as the caller otherwise.
class AtomicFileAsUserTest : public AtomicFileTest {
protected:
    void SetUp() override
    {
        AtomicFileTest::SetUp();
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            ASSERT_NE(nobody, nullptr) << "no user nobody";
            fUid = nobody->pw_uid;
            fGid = nobody->pw_gid;
        } else {
            fUid = ::geteuid();
            fGid = ::getegid();
        }
        GiveToUser(fDir.string());  // the user may create and rename files in it
    }

    // Makes path the user's own, as a file the user made would be.
    void GiveToUser(const std::string& path) const { ASSERT_EQ(::lchown(path.c_str(), fUid, fGid), 0) << path; }

    struct TResult {
        bool Written = false;
        std::string Reason;
    };

    // WriteFileAtomically in a child process that runs as the user.
    TResult WriteAsUser(const std::string& path, const std::string& bytes) const
    {
        int answer[2];
        if (::pipe(answer) != 0)
            return {false, "no pipe"};
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(answer[0]);
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(fGid) != 0 || ::setuid(fUid) != 0))
                ::_exit(3);
            std::string reason;
            const std::string message = (WriteFileAtomically(path, bytes, reason) ? "1" : "0") + reason;
            (void)!::write(answer[1], message.data(), message.size());
            ::_exit(0);
        }
        ::close(answer[1]);
        std::string message;
        char chunk[256];
        for (ssize_t n; (n = ::read(answer[0], chunk, sizeof chunk)) > 0;)
            message.append(chunk, static_cast<std::size_t>(n));
        ::close(answer[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || message.empty())
            return {false, "the child failed with status " + std::to_string(status)};
        return {message[0] == '1', message.substr(1)};
    }

    uid_t fUid = 0;
    gid_t fGid = 0;
};

TEST_F(AtomicFileTest, CreatesAndReplacesWholeFilesKeepingPermissions)
{
    std::string reason;
    const std::string path = Path("chart.png");
    ASSERT_TRUE(WriteFileAtomically(path, std::string("\0first", 6), reason)) << reason;
    EXPECT_EQ(Read(path), std::string("\0first", 6));

    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(path, "second, longer", reason)) << reason;
    EXPECT_EQ(Read(path), "second, longer");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    ASSERT_TRUE(WriteFileAtomically(path, "", reason)) << reason;
    EXPECT_EQ(Read(path), "");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(AtomicFileTest, FollowsASymbolicLinkAndKeepsIt)
{
    std::string reason;
    const std::string real = Path("real.svg");
    const std::string link = Path("link.svg");
    Write(real, "old");
    fs::create_symlink(real, link);
    ASSERT_TRUE(WriteFileAtomically(link, "new", reason)) << reason;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(real), "new");
    EXPECT_EQ(EntryCount(), 2u);
}

// A write that runs out of room fails with the system's reason and leaves the
// old file as it was. The file size limit stands in for a full disk.
TEST_F(AtomicFileTest, AFailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    const std::string path = Path("chart.png");
    Write(path, "good old picture");

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string reason;
    const bool written = WriteFileAtomically(path, std::string(5000, 'x'), reason);
    ::setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_FALSE(written);
    EXPECT_EQ(reason, "File too large");
    EXPECT_EQ(Read(path), "good old picture");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(AtomicFileTest, RefusesFoldersMissingFoldersAndFullDevices)
{
    std::string reason;
    EXPECT_FALSE(WriteFileAtomically(fDir.string(), "x", reason));
    EXPECT_EQ(reason, "Is a directory");
    EXPECT_FALSE(WriteFileAtomically(Path("missing/chart.png"), "x", reason));
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_FALSE(WriteFileAtomically("", "x", reason));
    EXPECT_EQ(EntryCount(), 0u);

    // A device is written in place, never replaced by a rename.
    if (fs::exists("/dev/full")) {
        EXPECT_FALSE(WriteFileAtomically("/dev/full", "x", reason));
        EXPECT_EQ(reason, "No space left on device");
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }
    EXPECT_TRUE(WriteFileAtomically("/dev/null", "x", reason)) << reason;
}

// A file the user made read-only in a folder the user may write into: a
// rename would replace it, yet it is refused as an open for writing would be,
// and left as it was. The check follows links, reads access lists, and lets
// the superuser write what he may open.
TEST_F(AtomicFileAsUserTest, AFileTheUserMayNotWriteIsRefusedAndLeftAsItWas)
{
    const std::string path = Path("chart.png");
    Write(path, "the picture of yesterday");
    GiveToUser(path);
    ::chmod(path.c_str(), 0644);
    TResult r = WriteAsUser(path, "today");
    ASSERT_TRUE(r.Written) << r.Reason;  // the user may write here
    EXPECT_EQ(Read(path), "today");

    ::chmod(path.c_str(), 0444);
    r = WriteAsUser(path, "tomorrow");
    EXPECT_FALSE(r.Written);
    EXPECT_EQ(r.Reason, "Permission denied");
    EXPECT_EQ(Read(path), "today");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
    EXPECT_EQ(info.st_uid, fUid);

    // Through a link the user may write: the file it points to decides.
    const std::string link = Path("latest.png");
    fs::create_symlink(path, link);
    GiveToUser(link);
    r = WriteAsUser(link, "tomorrow");
    EXPECT_FALSE(r.Written);
    EXPECT_EQ(r.Reason, "Permission denied");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(path), "today");
    EXPECT_EQ(EntryCount(), 2u);  // no temporary file left

    if (::geteuid() != 0)
        return;
    // The superuser may write the read-only file, as he may open it for writing.
    std::string reason;
    EXPECT_TRUE(WriteFileAtomically(path, "by the superuser", reason)) << reason;
    EXPECT_EQ(Read(path), "by the superuser");
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);

    // Someone else's file that every user may write by its mode bits, with
    // an access list that lets this user only read it.
    const std::string shared = Path("shared.png");
    Write(shared, "theirs");
    ::chmod(shared.c_str(), 0666);
    struct Entry {
        std::uint16_t Tag, Perm;
        std::uint32_t Id;
    };
    const std::uint32_t version = 2;
    const Entry entries[] = {{0x01, 6, 0xFFFFFFFF},
                             {0x02, 4, fUid},
                             {0x04, 6, 0xFFFFFFFF},
                             {0x10, 6, 0xFFFFFFFF},
                             {0x20, 6, 0xFFFFFFFF}};  // owner, user, group, mask, other
    std::string acl(reinterpret_cast<const char*>(&version), sizeof version);
    acl.append(reinterpret_cast<const char*>(entries), sizeof entries);
    if (::setxattr(shared.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
        std::cout << "access lists are not supported here (" << std::strerror(errno) << "); not tested\n";
        return;
    }
    r = WriteAsUser(shared, "mine");
    EXPECT_FALSE(r.Written);
    EXPECT_EQ(r.Reason, "Permission denied");
    EXPECT_EQ(Read(shared), "theirs");
}

}  // namespace
