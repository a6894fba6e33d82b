// The password file that stands in for the Secret Service: only its owner
// may read it from the moment it exists, whatever the umask, and a failed
// write leaves what was there. Checked as an ordinary user.
#include "secrets/PrivateFile.h"
#include "AsOrdinaryUser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// Restores the process' umask when it goes.
class TUmask {
public:
    explicit TUmask(mode_t mask) : fOld(::umask(mask)) {}
    ~TUmask() { ::umask(fOld); }

private:
    mode_t fOld;
};

mode_t ModeOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode;
}

std::string ContentOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> NamesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

QString Q(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

// A folder the ordinary user owns.
struct TUserFolder {
    QTemporaryDir dir;
    fs::path root{dir.path().toStdString()};
    TUserFolder() { TAsOrdinaryUser::GiveToUser(root); }
};

}  // namespace

TEST(PrivateFile, IsTheOwnersAloneWhateverTheUmaskAndSoAreTheFoldersItMakes)
{
    TUserFolder f;
    const mode_t rootMode = ModeOf(f.root) & 07777;
    const fs::path file = f.root / "config" / "quillmont-monitor" / "recorder-password";
    {
        TAsOrdinaryUser user;
        // Nothing the process would normally take away: the file's mode is
        // set by the writer, not inherited from the umask.
        TUmask open(0);
        QString error;
        ASSERT_TRUE(WritePrivateFile(Q(file), "pass word\xc3\xa4", error)) << error.toStdString();
        EXPECT_EQ(ModeOf(file) & 07777, 0600u);
        EXPECT_TRUE(S_ISREG(ModeOf(file)));
        EXPECT_EQ(ModeOf(file.parent_path()) & 07777, 0700u);
        EXPECT_EQ(ModeOf(file.parent_path().parent_path()) & 07777, 0700u);
        EXPECT_EQ(ContentOf(file), "pass word\xc3\xa4");  // as given, no line end added
        EXPECT_EQ(NamesIn(file.parent_path()), std::vector<std::string>{"recorder-password"});

        // A umask that would take the owner's own rights away changes nothing either.
        TUmask narrow(0377);
        ASSERT_TRUE(WritePrivateFile(Q(file), "second", error)) << error.toStdString();
        EXPECT_EQ(ModeOf(file) & 07777, 0600u);
        EXPECT_EQ(ContentOf(file), "second");

        struct stat info {};
        ASSERT_EQ(::stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, ::geteuid());
    }
    // A folder that was there keeps its mode.
    EXPECT_EQ(ModeOf(f.root) & 07777, rootMode);
}

TEST(PrivateFile, ReplacesAReadableFileAndALinkInsteadOfWritingThroughIt)
{
    TUserFolder f;
    const fs::path file = f.root / "recorder-password";
    const fs::path elsewhere = f.root / "elsewhere";
    const fs::path link = f.root / "link";
    {
        std::ofstream(file) << "old";
        std::ofstream(elsewhere) << "not a password";
        fs::permissions(file, fs::perms(0644));
        fs::create_symlink(elsewhere, link);
        for (const fs::path& p : {file, elsewhere, link})
            TAsOrdinaryUser::GiveToUser(p);
    }
    TAsOrdinaryUser user;
    QString error;
    ASSERT_TRUE(WritePrivateFile(Q(file), "new", error)) << error.toStdString();
    EXPECT_EQ(ModeOf(file) & 07777, 0600u);
    EXPECT_EQ(ContentOf(file), "new");

    ASSERT_TRUE(WritePrivateFile(Q(link), "secret", error)) << error.toStdString();
    EXPECT_TRUE(S_ISREG(ModeOf(link)));
    EXPECT_EQ(ModeOf(link) & 07777, 0600u);
    EXPECT_EQ(ContentOf(link), "secret");
    EXPECT_EQ(ContentOf(elsewhere), "not a password");
    EXPECT_EQ(NamesIn(f.root), (std::vector<std::string>{"elsewhere", "link", "recorder-password"}));
}

TEST(PrivateFile, AFailureSaysWhyAndLeavesTheOldFileAndNoTemporaryFile)
{
    TUserFolder f;
    // A folder of the superuser's that the ordinary user may read, not write
    // (as CI runs as root; run as yourself, the folder is your own but read-only).
    const fs::path locked = f.root / "locked";
    fs::create_directory(locked);
    std::ofstream(locked / "recorder-password") << "old";
    fs::permissions(locked, fs::perms(0555));
    const fs::path notAFolder = f.root / "plain-file";
    std::ofstream(notAFolder) << "x";
    TAsOrdinaryUser::GiveToUser(notAFolder);

    {
        TAsOrdinaryUser user;
        QString error;
        EXPECT_FALSE(WritePrivateFile(Q(locked / "recorder-password"), "new", error));
        EXPECT_EQ(error.toStdString(),
                  "cannot write " + (locked / "recorder-password").string() + ": Permission denied");
        EXPECT_EQ(ContentOf(locked / "recorder-password"), "old");
        EXPECT_EQ(NamesIn(locked), std::vector<std::string>{"recorder-password"});

        EXPECT_FALSE(WritePrivateFile(Q(notAFolder / "recorder-password"), "new", error));
        EXPECT_EQ(error.toStdString(),
                  "cannot create the folder of " + (notAFolder / "recorder-password").string() + ": Not a directory");
        EXPECT_FALSE(WritePrivateFile(QString(), "new", error));
    }
    fs::permissions(locked, fs::perms(0755));
}
