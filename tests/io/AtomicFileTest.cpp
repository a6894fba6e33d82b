// The file writer replaces a file whole or not at all.
#include "io/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    static void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    // Names in the folder; a temporary file left behind shows up here.
    std::size_t EntryCount() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(fDir), {})); }

    fs::path fDir;
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
    rlimit saved {};
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

}  // namespace
