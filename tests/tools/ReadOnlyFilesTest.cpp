// quillmont-poll run by an ordinary user on files that user made read-only,
// in a folder the user may write into: the pictures and the history export
// are refused with the system's reason, exit 1, and every file stays as it
// was. As the superuser (as CI runs) the command runs as "nobody".
#include "Subprocess.h"

#include "history/HistoryRecord.h"
#include "history/HistoryStore.h"
#include "poll/PollCommand.h"

#include <QString>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ReadOnlyFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quillmont-readonly-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        fDir = pattern;
        fAsRoot = ::geteuid() == 0;
        if (fAsRoot) {
            const passwd* nobody = ::getpwnam("nobody");
            ASSERT_NE(nobody, nullptr) << "no user nobody";
            fUid = nobody->pw_uid;
            fGid = nobody->pw_gid;
            for (const char* runuser : {"/usr/sbin/runuser", "/sbin/runuser", "/usr/bin/runuser"})
                if (::access(runuser, X_OK) == 0) {
                    fRunuser = runuser;
                    break;
                }
            ASSERT_FALSE(fRunuser.empty()) << "runuser (util-linux) is needed to run the command as nobody";
        } else {
            fUid = ::geteuid();
            fGid = ::getegid();
        }
        // The user's own copy of the command, so that it runs wherever the build tree lies.
        fs::copy_file(QM_POLL_BINARY, fDir / "quillmont-poll");

        std::ostringstream table;
        ToneBits bits{};
        for (int tone = 0; tone < ToneCount; ++tone)
            bits[static_cast<std::size_t>(tone)] = tone % 16;
        WriteToneBitsCsv(table, bits);
        std::ofstream(fDir / "table.csv") << table.str();

        THistoryStore store;
        ASSERT_TRUE(store.Open(QString::fromStdString((fDir / "history.sqlite").string())));
        THistoryRecord record = MakeHistoryRecord(1714532400000LL, "192.168.1.254", TPollOutcome{}, 0, 512, bits);
        ASSERT_TRUE(store.Append(record));
        store.Close();
    }
    void TearDown() override { fs::remove_all(fDir); }

    // Gives the folder and everything in it to the user, with mode for the given files.
    void GiveToUser(const std::vector<std::string>& files, mode_t mode) const
    {
        for (const std::string& name : files) {
            std::ofstream(fDir / name) << "the " << name << " of yesterday";
            ASSERT_EQ(::chmod((fDir / name).c_str(), mode), 0);
        }
        ASSERT_EQ(::chown(fDir.c_str(), fUid, fGid), 0);
        for (const auto& entry : fs::directory_iterator(fDir))
            ASSERT_EQ(::chown(entry.path().c_str(), fUid, fGid), 0);
    }

    TProcessResult RunAsUser(std::vector<std::string> args) const
    {
        const std::string command = (fDir / "quillmont-poll").string();
        const std::vector<std::string> env = TestEnvironment({"QT_QPA_PLATFORM=offscreen"});
        if (!fAsRoot)
            return RunProcess(command, args, env);
        args.insert(args.begin(), {"-u", "nobody", "--", command});
        return RunProcess(fRunuser, args, env);
    }

    // The names in the folder but the store's own side files (a reader leaves them).
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(fDir))
            if (entry.path().filename().string().rfind("history.sqlite-", 0) != 0)
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string P(const char* name) const { return (fDir / name).string(); }

    fs::path fDir;
    bool fAsRoot = false;
    std::string fRunuser;
    uid_t fUid = 0;
    gid_t fGid = 0;
};

TEST_F(ReadOnlyFilesTest, PicturesAndExportsOverReadOnlyFilesAreRefusedAndTheFilesKept)
{
    const std::vector<std::string> targets = {"chart.png", "chart.svg", "chart.jpg", "polls.csv"};
    GiveToUser(targets, 0444);
    const std::vector<std::string> before = Entries();

    const TProcessResult pictures = RunAsUser(
        {"--table", P("table.csv"), "--png", P("chart.png"), "--svg", P("chart.svg"), "--jpeg", P("chart.jpg")});
    EXPECT_EQ(pictures.ExitCode, PollExitFailed);
    EXPECT_EQ(pictures.Err, "quillmont-poll: cannot write " + P("chart.png") + ": Permission denied\n" +
                                "quillmont-poll: cannot write " + P("chart.svg") + ": Permission denied\n" +
                                "quillmont-poll: Cannot create file \"" + P("chart.jpg") + "\". Permission denied\n");
    const TProcessResult exported = RunAsUser({"--history", P("history.sqlite"), "--export-csv", P("polls.csv")});
    EXPECT_EQ(exported.ExitCode, PollExitFailed);
    EXPECT_EQ(exported.Err, "quillmont-poll: cannot write " + P("polls.csv") + ": Permission denied\n");

    for (const std::string& name : targets) {
        EXPECT_EQ(Read(fDir / name), "the " + name + " of yesterday") << name;
        struct stat info {};
        ASSERT_EQ(::stat((fDir / name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0444u) << name;
    }
    EXPECT_EQ(Entries(), before);  // no temporary file left

    // The same files made writable again are replaced: the folder lets the user.
    for (const std::string& name : targets)
        ASSERT_EQ(::chmod((fDir / name).c_str(), 0644), 0);
    const TProcessResult again = RunAsUser(
        {"--table", P("table.csv"), "--png", P("chart.png"), "--svg", P("chart.svg"), "--jpeg", P("chart.jpg")});
    EXPECT_EQ(again.ExitCode, PollExitCaptured) << again.Err;
    const TProcessResult exportedAgain = RunAsUser({"--history", P("history.sqlite"), "--export-csv", P("polls.csv")});
    EXPECT_EQ(exportedAgain.ExitCode, PollExitCaptured) << exportedAgain.Err;
    EXPECT_EQ(Read(fDir / "chart.png").substr(1, 3), "PNG");
    EXPECT_EQ(Read(fDir / "chart.jpg").substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(Read(fDir / "polls.csv").rfind("time,host,outcome,tone0,", 0), 0u);
    EXPECT_NE(Read(fDir / "chart.svg").find("<svg"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(ReadOnlyFilesTest, WaterfallOverAReadOnlyFileIsRefusedAndTheFileKept)
{
    GiveToUser({"waterfall.png"}, 0444);
    const std::vector<std::string> before = Entries();
    const TProcessResult refused = RunAsUser({"--history", P("history.sqlite"), "--waterfall", P("waterfall.png")});
    EXPECT_EQ(refused.ExitCode, PollExitFailed);
    EXPECT_EQ(refused.Err, "quillmont-poll: cannot write " + P("waterfall.png") + ": Permission denied\n");
    EXPECT_EQ(Read(fDir / "waterfall.png"), "the waterfall.png of yesterday");
    EXPECT_EQ(Entries(), before);
    ASSERT_EQ(::chmod((fDir / "waterfall.png").c_str(), 0644), 0);
    const TProcessResult again =
        RunAsUser({"--history", P("history.sqlite"), "--waterfall", P("waterfall.png"), "--size", "300x200"});
    EXPECT_EQ(again.ExitCode, PollExitCaptured) << again.Err;
    EXPECT_EQ(Read(fDir / "waterfall.png").substr(1, 3), "PNG");
}

}  // namespace
