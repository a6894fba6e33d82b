// The built quillmont-recorder against the router simulator on loopback,
// polling every second into a store of the test's own: polls kept, a stop
// signal in the middle of a poll, a store locked by another connection, a
// router that goes away and comes back, recorder.conf without a host, the
// window writing the same store at once, and the errors that stop it before
// its first poll. Every wait is for a condition, with a generous time-out.
#include "RecorderTestFiles.h"
#include "Subprocess.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "history/HistoryRecorder.h"
#include "history/HistoryTime.h"
#include "recorder/RecorderConfig.h"
#include "routersim/RouterProfile.h"
#include "routersim/RouterSimulator.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// A port on loopback that nothing listens on right now.
int FreeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// One HTTP/1.1 GET on loopback: the answer's headers and as much body as its
// Content-Length says (the server keeps the connection open), or what came
// within seconds.
std::string HttpGet(int port, const std::string& path, double seconds = 10)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        const Clock::time_point start = Clock::now();
        char chunk[4096];
        while (SecondsSince(start) < seconds) {
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, 100) <= 0)
                continue;
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0)
                break;
            answer.append(chunk, static_cast<std::size_t>(n));
            const std::size_t headersEnd = answer.find("\r\n\r\n");
            const std::size_t lengthAt = answer.find("Content-Length: ");
            if (headersEnd != std::string::npos && lengthAt != std::string::npos && lengthAt < headersEnd &&
                answer.size() >= headersEnd + 4 + std::stoul(answer.substr(lengthAt + 16)))
                break;
        }
    }
    ::close(fd);
    return answer;
}

// One run of the recorder, its standard error read as it comes.
class TRecorderProcess {
public:
    TRecorderProcess(const std::vector<std::string>& args, const std::vector<std::string>& env)
    {
        int in = -1;
        fPid = StartProcess(QM_RECORDER_BINARY, args, env, in, fOut, fErr);
        ::close(in);
        ::fcntl(fOut, F_SETFL, O_NONBLOCK);
        ::fcntl(fErr, F_SETFL, O_NONBLOCK);
    }
    ~TRecorderProcess()
    {
        if (fPid > 0 && !fEnded) {
            ::kill(fPid, SIGKILL);
            ::waitpid(fPid, nullptr, 0);
        }
        ::close(fOut);
        ::close(fErr);
    }
    TRecorderProcess(const TRecorderProcess&) = delete;
    TRecorderProcess& operator=(const TRecorderProcess&) = delete;

    // Reads on until condition holds (true) or seconds have passed (false).
    bool WaitUntil(const std::function<bool()>& condition, double seconds = 30)
    {
        const Clock::time_point start = Clock::now();
        for (;;) {
            Read();
            if (condition())
                return true;
            if (fEnded || SecondsSince(start) > seconds)
                return false;
            pollfd entry{fErr, POLLIN, 0};
            ::poll(&entry, 1, 20);
            Reap();
        }
    }
    // Sends the signal and waits for the end: the exit code (-1 when it
    // ended by a signal or not at all within 30 s) and the time it took.
    int Stop(int signal, double& seconds)
    {
        const Clock::time_point start = Clock::now();
        ::kill(fPid, signal);
        WaitUntil([this] { return fEnded; });
        seconds = SecondsSince(start);
        Read();
        return fExitCode;
    }
    // What the recorder wrote on standard error so far.
    const std::string& Err()
    {
        Read();
        return fErrText;
    }
    std::vector<std::string> ErrLines()
    {
        std::vector<std::string> lines;
        std::istringstream in(Err());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    void Read()
    {
        char chunk[4096];
        for (int fd : {fOut, fErr}) {
            ssize_t n;
            while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
                if (fd == fErr)
                    fErrText.append(chunk, static_cast<std::size_t>(n));
        }
    }
    void Reap()
    {
        int status = 0;
        if (fEnded || ::waitpid(fPid, &status, WNOHANG) != fPid)
            return;
        fEnded = true;
        fExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t fPid = -1;
    int fOut = -1, fErr = -1;
    bool fEnded = false;
    int fExitCode = -1;
    std::string fErrText;
};

class RecorderProcessTest : public ::testing::Test {
protected:
    static constexpr uint32_t Seed = 9;

    void SetUp() override { StartRouter(); }

    void StartRouter(uint16_t port = 0, int stallAfter = -1)
    {
        TRouterSimulatorSettings settings;
        settings.Password = "pw";
        settings.Seed = Seed;
        settings.Port = port;
        settings.StallAfterReplies = stallAfter;
        router = std::make_unique<TRouterSimulator>(settings);
        host = "127.0.0.1:" + std::to_string(router->Start());
    }

    // The test's own home, configuration and data folders; extra on top.
    std::vector<std::string> Environment(const std::vector<std::string>& extra = {"QUILLMONT_PASSWORD=pw"}) const
    {
        std::vector<std::string> env;
        for (const std::string& variable : TestEnvironment({})) {
            const std::string name = variable.substr(0, variable.find('='));
            if (name != "HOME" && name != "CREDENTIALS_DIRECTORY" && name.rfind("XDG_", 0) != 0)
                env.push_back(variable);
        }
        env.push_back("HOME=" + dir / "home");
        env.push_back("XDG_CONFIG_HOME=" + dir / "config");
        env.push_back("XDG_DATA_HOME=" + dir / "data");
        env.insert(env.end(), extra.begin(), extra.end());
        return env;
    }
    std::string ConfigPath() const { return dir / "config/quillmont-monitor/recorder.conf"; }

    // The count in the recorder's last line ("stopped; N polls kept in this run").
    static std::size_t PollsKept(const std::vector<std::string>& lines)
    {
        const std::string prefix = "stopped; ";
        if (lines.empty() || lines.back().rfind(prefix, 0) != 0)
            return 0;
        return std::stoul(lines.back().substr(prefix.size()));
    }

    TTempDir dir;
    const std::string store = dir / "history.sqlite";
    std::unique_ptr<TRouterSimulator> router;
    std::string host;
};

TEST_F(RecorderProcessTest, KeepsEveryPollAsTheRecordersAndLogsNothingPerGoodPoll)
{
    TRecorderProcess recorder({"--interval", "1", "--history", store, host}, Environment());
    ASSERT_TRUE(recorder.WaitUntil([&] { return StoredPolls(store).size() >= 3; })) << recorder.Err();
    double seconds = 0;
    EXPECT_EQ(recorder.Stop(SIGTERM, seconds), 0);
    EXPECT_LT(seconds, 2.0);

    const std::vector<THistoryRecord> polls = StoredPolls(store);
    ASSERT_GE(polls.size(), 3u);
    for (std::size_t i = 0; i < polls.size(); ++i) {
        EXPECT_TRUE(polls[i].Outcome.Captured) << i;
        EXPECT_EQ(polls[i].Host, host);
        if (StoreKeepsOrigin()) {
            EXPECT_EQ(polls[i].Origin, TPollOrigin::poRecorder);
        }
        EXPECT_EQ(polls[i].Bits, SimulatedBitLoading(Seed, static_cast<uint32_t>(i))) << i;
        // A poll a second, start to start: never one right after the other.
        if (i > 0) {
            EXPECT_GT(polls[i].TimeUtcMs - polls[i - 1].TimeUtcMs, 500) << i;
        }
    }
    const std::vector<std::string> lines = recorder.ErrLines();
    EXPECT_EQ(lines,
              (std::vector<std::string>{"recording " + host + " as Administrator every 1 s into " + store +
                                            " (password from QUILLMONT_PASSWORD)",
                                        "stopped; " + std::to_string(polls.size()) + " polls kept in this run"}));
}

// The router hangs at the command of the second poll: SIGTERM cuts that
// poll's wait short, the recorder ends at once, and the poll is stored
// neither half nor as a failure (uncut, it would have failed after the
// wait's own time-out and been kept).
TEST_F(RecorderProcessTest, SigtermInTheMiddleOfAPollEndsItAtOnceAndKeepsNothingOfThatPoll)
{
    StartRouter(0, 1);
    TRecorderProcess recorder({"--interval", "1", "--history", store, host}, Environment());
    ASSERT_TRUE(recorder.WaitUntil([&] { return router->CommandsStalled() > 0; })) << recorder.Err();
    double seconds = 0;
    EXPECT_EQ(recorder.Stop(SIGTERM, seconds), 0);
    EXPECT_LT(seconds, 2.0);

    const std::vector<THistoryRecord> polls = StoredPolls(store);
    ASSERT_EQ(polls.size(), 1u);
    EXPECT_TRUE(polls[0].Outcome.Captured);
    const std::vector<std::string> lines = recorder.ErrLines();
    ASSERT_EQ(lines.size(), 2u) << recorder.Err();
    EXPECT_EQ(lines[1], "stopped; 1 poll kept in this run");
}

// The metrics feed answers while the recorder waits for a router that hangs
// at the command: the first poll's numbers are there (and no failed poll yet:
// the answer came while the second poll still waited), and any other path is
// not found.
TEST_F(RecorderProcessTest, TheMetricsFeedAnswersWhileAPollWaits)
{
    StartRouter(0, 1);
    const int port = FreeLoopbackPort();
    TRecorderProcess recorder({"--interval", "1", "--history", store, "--metrics", std::to_string(port), host},
                              Environment());
    ASSERT_TRUE(recorder.WaitUntil([&] { return router->CommandsStalled() > 0; })) << recorder.Err();
    const std::string answer = HttpGet(port, "/metrics");
    EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << answer.substr(0, 200);
    EXPECT_NE(answer.find("Content-Type: text/plain; version=0.0.4; charset=utf-8"), std::string::npos);
    EXPECT_NE(answer.find("\nquillmont_up 1\n"), std::string::npos);
    EXPECT_NE(answer.find("\nquillmont_polls_total{outcome=\"reading\"} 1\n"), std::string::npos);
    EXPECT_NE(answer.find("\nquillmont_polls_total{outcome=\"failed\"} 0\n"), std::string::npos);
    EXPECT_EQ(HttpGet(port, "/").rfind("HTTP/1.1 404", 0), 0u);
    double seconds = 0;
    EXPECT_EQ(recorder.Stop(SIGTERM, seconds), 0);
    EXPECT_LT(seconds, 2.0);
    EXPECT_NE(recorder.Err().find("metrics at http://127.0.0.1:" + std::to_string(port) + "/metrics"),
              std::string::npos);
}

// Another program holds the store (BEGIN EXCLUSIVE): one log line, polling
// goes on, and once the store is free every poll made meanwhile is in it.
TEST_F(RecorderProcessTest, AStoreLockedByAnotherConnectionCostsALineAndLosesNoPoll)
{
    {
        THistoryStore created;
        ASSERT_TRUE(created.Open(QString::fromStdString(store)));
    }
    std::unique_ptr<TRecorderProcess> started;
    {
        QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        locker.setDatabaseName(QString::fromStdString(store));
        ASSERT_TRUE(locker.open());
        QSqlQuery lock(locker);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN EXCLUSIVE"))) << lock.lastError().text().toStdString();
        started = std::make_unique<TRecorderProcess>(
            std::vector<std::string>{"--interval", "1", "--history", store, host}, Environment());
        TRecorderProcess& recorder = *started;
        // Two polls made while the store is held: the first one's trouble is told.
        ASSERT_TRUE(recorder.WaitUntil([&] {
            return recorder.Err().find("History not written: database is locked") != std::string::npos &&
                   router->PollsServed() >= 2;
        })) << recorder.Err();
        EXPECT_TRUE(StoredPolls(store).empty());
        ASSERT_TRUE(lock.exec(QStringLiteral("COMMIT")));
        lock.finish();
        locker.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    TRecorderProcess& recorder = *started;

    ASSERT_TRUE(recorder.WaitUntil([&] {
        return recorder.Err().find("the history is written again") != std::string::npos;
    })) << recorder.Err();
    double seconds = 0;
    EXPECT_EQ(recorder.Stop(SIGINT, seconds), 0);
    EXPECT_LT(seconds, 2.0);

    const std::vector<std::string> lines = recorder.ErrLines();
    EXPECT_EQ(Count(recorder.Err(), "History not written"), 1u) << recorder.Err();
    const std::vector<THistoryRecord> polls = StoredPolls(store);
    EXPECT_GE(polls.size(), 2u);
    EXPECT_EQ(polls.size(), PollsKept(lines)) << recorder.Err();
    for (std::size_t i = 0; i < polls.size(); ++i) {
        EXPECT_TRUE(polls[i].Outcome.Captured);
        EXPECT_EQ(polls[i].Bits, SimulatedBitLoading(Seed, static_cast<uint32_t>(i))) << i;
    }
}

// The router goes away and comes back on the same port: failed polls in
// between, one log line when it went, one no-reply event when it is back.
TEST_F(RecorderProcessTest, ARouterThatGoesAwayAndComesBackCostsFailedPollsAndTwoLines)
{
    const uint16_t port = router->Port();
    TRecorderProcess recorder({"--interval", "1", "--history", store, host}, Environment());
    ASSERT_TRUE(recorder.WaitUntil([&] { return !StoredPolls(store).empty(); })) << recorder.Err();
    router->Stop();
    const auto failures = [&] {
        const std::vector<THistoryRecord> polls = StoredPolls(store);
        return std::count_if(polls.begin(), polls.end(), [](const THistoryRecord& r) { return !r.Outcome.Captured; });
    };
    ASSERT_TRUE(recorder.WaitUntil([&] { return failures() >= 2; })) << recorder.Err();
    StartRouter(port);
    ASSERT_TRUE(recorder.WaitUntil([&] { return StoredPolls(store).back().Outcome.Captured; })) << recorder.Err();
    double seconds = 0;
    EXPECT_EQ(recorder.Stop(SIGTERM, seconds), 0);

    const std::vector<THistoryRecord> polls = StoredPolls(store);
    const long failed = failures();
    EXPECT_GE(failed, 2);
    EXPECT_TRUE(polls.front().Outcome.Captured);
    EXPECT_TRUE(polls.back().Outcome.Captured);
    const std::string err = recorder.Err();
    EXPECT_EQ(Count(err, "poll of " + host + " failed: connect failed: 10061 Connection refused"), 1u) << err;
    EXPECT_EQ(Count(err, "no-reply "), 1u) << err;
    EXPECT_NE(err.find(" (" + std::to_string(failed) + " polls): connect failed: 10061"), std::string::npos) << err;
}

// Started without a host, the recorder takes it from recorder.conf; the
// store is then the window's own unless the file or the command line names
// another, the command line winning.
TEST_F(RecorderProcessTest, WithoutAHostRecorderConfSaysWhatAndTheCommandLineWins)
{
    TRecorderConfig config;
    config.Host = QString::fromStdString(host);
    config.User = "Administrator";
    config.IntervalSeconds = 1;
    QString why;
    ASSERT_TRUE(SaveRecorderConfig(QString::fromStdString(ConfigPath()), config, why));
    ASSERT_EQ(::mkdir((dir / "credentials").c_str(), 0700), 0);
    {
        std::ofstream(dir / "credentials/quillmont-password") << "pw\n";
    }
    const std::string windowsStore = dir / "data/quillmont-monitor/history.sqlite";
    {
        TRecorderProcess recorder({}, Environment({"CREDENTIALS_DIRECTORY=" + dir / "credentials"}));
        ASSERT_TRUE(recorder.WaitUntil([&] { return !StoredPolls(windowsStore).empty(); })) << recorder.Err();
        double seconds = 0;
        EXPECT_EQ(recorder.Stop(SIGTERM, seconds), 0);
        EXPECT_EQ(recorder.ErrLines().front(), "recording " + host + " as Administrator every 1 s into " +
                                                   windowsStore + " (password from the credential " +
                                                   dir / "credentials" + "/quillmont-password, settings from " +
                                                   ConfigPath() + ")");
    }

    config.History = QString::fromStdString(dir / "conf.sqlite");
    config.PasswordFile = QString::fromStdString(dir / "password");
    ASSERT_TRUE(SaveRecorderConfig(QString::fromStdString(ConfigPath()), config, why));
    {
        std::ofstream(dir / "password") << "pw\n";
    }
    ASSERT_EQ(::chmod((dir / "password").c_str(), 0600), 0);
    TRecorderProcess recorder({"--history", store}, Environment({}));
    ASSERT_TRUE(recorder.WaitUntil([&] { return !StoredPolls(store).empty(); })) << recorder.Err();
    double seconds = 0;
    EXPECT_EQ(recorder.Stop(SIGTERM, seconds), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "conf.sqlite"));
    EXPECT_NE(recorder.ErrLines().front().find("(password from the password file " + dir / "password"),
              std::string::npos)
        << recorder.Err();
}

// The window keeps its polls in the same store while the recorder runs:
// both keep every one of theirs.
TEST_F(RecorderProcessTest, TheWindowAndTheRecorderWriteOneStoreAtOnce)
{
    TRecorderProcess recorder({"--interval", "1", "--history", store, host}, Environment());
    THistoryRecorder window(QString::fromStdString(store));
    window.SetOrigin(TPollOrigin::poWindow);
    int windowPolls = 0;
    std::string notWritten;
    ASSERT_TRUE(recorder.WaitUntil([&] {
        TPollOutcome outcome;
        outcome.Captured = true;
        const std::string note =
            window.KeepPoll(outcome, "window-host", SimulatedBitLoading(1, windowPolls), tones::RangeLow);
        if (!note.empty())
            notWritten = note;
        ++windowPolls;
        return router->PollsServed() >= 3 && windowPolls >= 20;
    })) << recorder.Err();
    double seconds = 0;
    EXPECT_EQ(recorder.Stop(SIGTERM, seconds), 0);
    EXPECT_EQ(notWritten, "");

    const std::vector<THistoryRecord> polls = StoredPolls(store);
    const long fromWindow =
        std::count_if(polls.begin(), polls.end(), [](const THistoryRecord& r) { return r.Host == "window-host"; });
    EXPECT_EQ(fromWindow, windowPolls);
    EXPECT_EQ(polls.size() - static_cast<std::size_t>(fromWindow), PollsKept(recorder.ErrLines())) << recorder.Err();
    EXPECT_EQ(Count(recorder.Err(), "not written"), 0u) << recorder.Err();
}

// What stops the recorder before its first poll: exit 2 and the reason.
TEST_F(RecorderProcessTest, UsageErrorsAndAMissingOrUnsafePasswordExitTwoSayingWhy)
{
    const auto run = [&](const std::vector<std::string>& args, const std::vector<std::string>& extra = {}) {
        return RunProcess(QM_RECORDER_BINARY, args, Environment(extra));
    };
    TProcessResult r = run({});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(r.Err, "quillmont-recorder: no HOST given, and there is no " + ConfigPath() +
                         " to read it from (the window's History > Record in the background... writes one)\n");
    r = run({"--interval", "0", host}, {"QUILLMONT_PASSWORD=pw"});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(r.Err.substr(0, 76), "quillmont-recorder: bad interval \"0\" (whole seconds from 1 to 86400)\nusage: ");
    r = run({"--password", "pw", host});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("the password is never taken from the command line"), std::string::npos);

    r = run({host});
    EXPECT_EQ(r.ExitCode, 2);
    for (const char* way : {"QUILLMONT_PASSWORD", "--password-file", "LoadCredential=", "Secret Service"})
        EXPECT_NE(r.Err.find(way), std::string::npos) << way << " in " << r.Err;
    {
        std::ofstream(dir / "shared") << "pw\n";
    }
    ASSERT_EQ(::chmod((dir / "shared").c_str(), 0644), 0);
    r = run({"--password-file", dir / "shared", host});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(r.Err, "quillmont-recorder: the password file " + dir / "shared" +
                         " may be read or written by others (mode 0644): make it yours alone with chmod 600\n");
    r = run({host}, {"QUILLMONT_PASSWORD=pw\nexit"});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(r.Err, "quillmont-recorder: the password contains a line break or NUL character (password from "
                     "QUILLMONT_PASSWORD)\n");
    EXPECT_EQ(router->ClientsAccepted(), 0u);
    EXPECT_FALSE(std::filesystem::exists(store));
}

}  // namespace
