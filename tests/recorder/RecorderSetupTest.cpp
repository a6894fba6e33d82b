// The recorder up to its first poll, in process: its command line and the
// metrics address, recorder.conf when no host is given, where the password
// comes from (the password file's rules checked as an ordinary user, also
// when the suite runs as the superuser), and the stop signals' pipe.
#include "AsOrdinaryUser.h"
#include "RecorderTestFiles.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "recorder/MetricsEndpoint.h"
#include "recorder/PasswordFile.h"
#include "recorder/RecorderArguments.h"
#include "recorder/RecorderConfig.h"
#include "recorder/RecorderPassword.h"
#include "recorder/RecorderSettings.h"
#include "recorder/StopSignals.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& text, mode_t mode)
{
    std::ofstream(path, std::ios::binary) << text;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

std::string ArgumentError(const std::vector<std::string>& args)
{
    return ParseRecorderArguments(args).Error;
}

}  // namespace

TEST(RecorderArguments, OptionsAndOperandsAreReadAndEveryBadOneIsRefusedWithItsReason)
{
    TRecorderArgumentsResult r = ParseRecorderArguments(
        {"--interval", "5", "192.168.1.1:2323", "--history", "/tmp/h.sqlite", "admin", "--metrics", "9478"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Arguments.Host, "192.168.1.1:2323");
    EXPECT_EQ(r.Arguments.User, "admin");
    EXPECT_EQ(r.Arguments.IntervalSeconds, 5);
    EXPECT_EQ(r.Arguments.HistoryFile, "/tmp/h.sqlite");
    EXPECT_EQ(r.Arguments.Metrics, (TMetricsEndpoint{"127.0.0.1", 9478}));
    EXPECT_FALSE(r.Arguments.PasswordFile.has_value());

    // Nothing at all: recorder.conf says it all.
    r = ParseRecorderArguments({"--password-file", "/home/u/pw"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Arguments.Host, "");
    EXPECT_FALSE(r.Arguments.User.has_value());
    EXPECT_FALSE(r.Arguments.IntervalSeconds.has_value());
    EXPECT_EQ(r.Arguments.PasswordFile, "/home/u/pw");

    EXPECT_EQ(ParseRecorderArguments({"--interval", "86400", "h"}).Arguments.IntervalSeconds, 86400);
    for (const char* interval : {"0", "-1", "1.5", "abc", "", "86401", "99999999999"})
        EXPECT_EQ(ArgumentError({"--interval", interval, "h"}),
                  "bad interval \"" + std::string(interval) + "\" (whole seconds from 1 to 86400)");
    EXPECT_EQ(ArgumentError({"--password", "secret", "h"}).substr(0, 50),
              "the password is never taken from the command line:");
    EXPECT_EQ(ArgumentError({"-p", "secret", "h"}).substr(0, 50), "the password is never taken from the command line:");
    EXPECT_EQ(ArgumentError({"--password-stdin", "h"}).substr(0, 57),
              "the recorder runs unattended and reads no standard input:");
    EXPECT_EQ(ArgumentError({"h", "u", "extra"}), "too many arguments");
    EXPECT_EQ(ArgumentError({"h:0"}), "bad port \"0\" in h:0 (a number from 1 to 65535)");
    EXPECT_EQ(ArgumentError({""}), "empty HOST");
    EXPECT_EQ(ArgumentError({"--history", "", "h"}), "--history needs a file name");
    EXPECT_EQ(ArgumentError({"--password-file", ""}), "--password-file needs a file name");
    EXPECT_EQ(ArgumentError({"--metrics", "localhost:9478", "h"}),
              "\"localhost:9478\" is not [ADDRESS:]PORT: \"localhost\" is not an IP address (such as 127.0.0.1, "
              "0.0.0.0 or [::1])");
    EXPECT_EQ(ArgumentError({"--frobnicate", "h"}), "Unknown option 'frobnicate'.");
    EXPECT_TRUE(ParseRecorderArguments({"--version"}).Arguments.ShowVersion);
    EXPECT_TRUE(ParseRecorderArguments({"--help", "--interval", "0"}).Error.empty());
}

TEST(MetricsEndpoint, APortAloneIsLoopbackAndAddressesAreLiteralsWithIPv6InBrackets)
{
    const auto parse = [](const std::string& text) {
        TMetricsEndpoint endpoint;
        std::string error;
        EXPECT_TRUE(ParseMetricsEndpoint(text, endpoint, error)) << text << ": " << error;
        return MetricsEndpointText(endpoint);
    };
    EXPECT_EQ(parse("9478"), "127.0.0.1:9478");
    EXPECT_EQ(parse("0.0.0.0:80"), "0.0.0.0:80");
    EXPECT_EQ(parse("192.168.1.20:65535"), "192.168.1.20:65535");
    EXPECT_EQ(parse("[::1]:9478"), "[::1]:9478");
    EXPECT_EQ(parse("[::]:1"), "[::]:1");
    for (const char* bad : {"", "0", "65536", "abc", "9478x", "::1:9478", "::1", "localhost:9478", "1.2.3:80", "[::1]",
                            "[zz]:9478", "[1.2.3.4]:9478", "127.0.0.1:", ":9478", " 9478"}) {
        TMetricsEndpoint endpoint{"untouched", 1};
        std::string error;
        EXPECT_FALSE(ParseMetricsEndpoint(bad, endpoint, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_EQ(endpoint, (TMetricsEndpoint{"untouched", 1})) << bad;
    }
}

TEST(RecorderSettings, WithoutHostTheFileIsReadAndEachOptionGivenWinsOverIt)
{
    TTempDir dir;
    const QString conf = QString::fromStdString(dir / "recorder.conf");
    const QString defaultStore = QStringLiteral("/default/history.sqlite");
    TRecorderConfig config;
    config.Host = "10.0.0.138:2323";
    config.User = "admin";
    config.IntervalSeconds = 30;
    config.Metrics = "[::1]:9100";
    config.PasswordFile = "/home/u/.router-password";
    config.History = "/conf/history.sqlite";
    QString why;
    ASSERT_TRUE(SaveRecorderConfig(conf, config, why)) << why.toStdString();

    TRecorderSettings settings;
    std::string error;
    ASSERT_TRUE(ResolveRecorderSettings({}, conf, defaultStore, settings, error)) << error;
    EXPECT_EQ(settings.Host, "10.0.0.138:2323");
    EXPECT_EQ(settings.User, "admin");
    EXPECT_EQ(settings.IntervalSeconds, 30);
    EXPECT_EQ(settings.Metrics, (TMetricsEndpoint{"::1", 9100}));
    EXPECT_EQ(settings.PasswordFile, "/home/u/.router-password");
    EXPECT_EQ(settings.HistoryFile, "/conf/history.sqlite");
    EXPECT_EQ(settings.ConfigFile, conf);

    TRecorderArguments options = ParseRecorderArguments({"--interval", "1", "--history", "/cli/h.sqlite", "--metrics",
                                                         "9478", "--password-file", "/cli/pw"})
                                     .Arguments;
    ASSERT_TRUE(ResolveRecorderSettings(options, conf, defaultStore, settings, error)) << error;
    EXPECT_EQ(settings.Host, "10.0.0.138:2323");
    EXPECT_EQ(settings.IntervalSeconds, 1);
    EXPECT_EQ(settings.HistoryFile, "/cli/h.sqlite");
    EXPECT_EQ(settings.Metrics, (TMetricsEndpoint{"127.0.0.1", 9478}));
    EXPECT_EQ(settings.PasswordFile, "/cli/pw");

    // With a host on the command line the file is not read at all.
    ASSERT_TRUE(ResolveRecorderSettings(ParseRecorderArguments({"192.168.1.1"}).Arguments, conf, defaultStore, settings,
                                        error));
    EXPECT_EQ(settings.Host, "192.168.1.1");
    EXPECT_EQ(settings.User, "Administrator");
    EXPECT_EQ(settings.IntervalSeconds, 60);
    EXPECT_FALSE(settings.Metrics.has_value());
    EXPECT_EQ(settings.PasswordFile, "");
    EXPECT_EQ(settings.HistoryFile, defaultStore);
    EXPECT_TRUE(settings.ConfigFile.isEmpty());

    // Empty keys: the default user and store, no metrics feed.
    config.User.clear();
    config.History.clear();
    config.Metrics.clear();
    ASSERT_TRUE(SaveRecorderConfig(conf, config, why));
    ASSERT_TRUE(ResolveRecorderSettings({}, conf, defaultStore, settings, error)) << error;
    EXPECT_EQ(settings.User, "Administrator");
    EXPECT_EQ(settings.HistoryFile, defaultStore);
    EXPECT_FALSE(settings.Metrics.has_value());

    // A file that cannot be used says where and why; so does its absence.
    const std::string where = conf.toStdString();
    const auto refusal = [&](const TRecorderConfig& bad) {
        EXPECT_TRUE(SaveRecorderConfig(conf, bad, why));
        TRecorderSettings untouched;
        untouched.Host = "untouched";
        EXPECT_FALSE(ResolveRecorderSettings({}, conf, defaultStore, untouched, error));
        EXPECT_EQ(untouched.Host, "untouched");
        return error;
    };
    TRecorderConfig bad = config;
    bad.Metrics = "localhost:9100";
    EXPECT_EQ(refusal(bad).substr(0, where.size() + 18), where + ": \"localhost:9100\"");
    bad = config;
    bad.Host = "router:99999";
    EXPECT_EQ(refusal(bad), where + ": bad port \"99999\" in host router:99999 (a number from 1 to 65535)");
    bad = config;
    bad.IntervalSeconds = 86401;
    EXPECT_EQ(refusal(bad), where + ": the interval 86401 is longer than 86400 s");
    bad = config;
    bad.Host.clear();
    EXPECT_EQ(refusal(bad), where + " names no host");
    fs::remove(where);
    EXPECT_FALSE(ResolveRecorderSettings({}, conf, defaultStore, settings, error));
    EXPECT_EQ(error.substr(0, 42 + where.size()), "no HOST given, and there is no " + where + " to read it");
}

// The four sources, each one tried only when those before it have nothing;
// a source the user named but that cannot be used ends the search.
TEST(RecorderPassword, TheFirstSourceThatHasOneGivesThePassword)
{
    TTempDir dir;
    WriteFile(dir / "pw", "from-file\n", 0600);
    ASSERT_EQ(::mkdir((dir / "credentials").c_str(), 0700), 0);
    // The service manager's credential: any mode will do.
    WriteFile(dir / "credentials/quillmont-password", "from-credential", 0644);
    std::vector<std::string> asked;
    TPasswordSources sources;
    sources.Variable = "from-variable";
    sources.PasswordFile = dir / "pw";
    const std::string credentials = dir / "credentials";
    sources.CredentialsDirectory = credentials.c_str();
    std::string secret = "from-secret-service";
    sources.SecretService = [&](const std::string& host, const std::string& user, std::string& password,
                                std::string& why) {
        asked.push_back(host + " " + user);
        if (secret.empty()) {
            why = "nothing stored for " + host;
            return false;
        }
        password = secret;
        return true;
    };
    const auto find = [&] { return FindRecorderPassword(sources, "192.168.1.1", "admin"); };

    TPasswordFound found = find();
    EXPECT_EQ(found.Source, TPasswordSource::psVariable);
    EXPECT_EQ(found.Password, "from-variable");
    sources.Variable = "";  // set but empty is still set
    EXPECT_EQ(find().Source, TPasswordSource::psVariable);
    EXPECT_EQ(find().Password, "");
    sources.Variable = nullptr;
    found = find();
    EXPECT_EQ(found.Source, TPasswordSource::psPasswordFile);
    EXPECT_EQ(found.Password, "from-file");
    EXPECT_EQ(PasswordSourceText(sources, found.Source), "the password file " + sources.PasswordFile);
    sources.PasswordFile.clear();
    found = find();
    EXPECT_EQ(found.Source, TPasswordSource::psCredential);
    EXPECT_EQ(found.Password, "from-credential");
    EXPECT_EQ(PasswordSourceText(sources, found.Source), "the credential " + credentials + "/quillmont-password");
    EXPECT_TRUE(asked.empty());

    fs::remove(dir / "credentials/quillmont-password");
    found = find();
    EXPECT_EQ(found.Source, TPasswordSource::psSecretService);
    EXPECT_EQ(found.Password, "from-secret-service");
    EXPECT_EQ(asked, std::vector<std::string>{"192.168.1.1 admin"});

    // None: the message names all four ways, and what the Secret Service said.
    secret.clear();
    found = find();
    EXPECT_EQ(found.Source, TPasswordSource::psNone);
    EXPECT_EQ(found.Password, "");
    for (const char* way : {"QUILLMONT_PASSWORD", "--password-file FILE", "LoadCredential=quillmont-password:FILE",
                            "Secret Service", "; the Secret Service: nothing stored for 192.168.1.1"})
        EXPECT_NE(found.Error.find(way), std::string::npos) << way << " in: " << found.Error;
    sources.SecretService = nullptr;
    EXPECT_NE(find().Error.find("; this recorder cannot ask a Secret Service"), std::string::npos);

    // A named file that is refused, or a credential that is there but
    // unusable, is not passed over for the next source.
    sources.SecretService = [&](const std::string&, const std::string&, std::string& password, std::string&) {
        password = "never";
        return true;
    };
    WriteFile(dir / "shared-pw", "x\n", 0640);
    sources.PasswordFile = dir / "shared-pw";
    found = find();
    EXPECT_EQ(found.Source, TPasswordSource::psNone);
    EXPECT_EQ(found.Error, "the password file " + sources.PasswordFile +
                               " may be read or written by others (mode 0640): make it yours alone with chmod 600");
    sources.PasswordFile.clear();
    ASSERT_EQ(::mkdir((dir / "credentials/quillmont-password").c_str(), 0700), 0);
    found = find();
    EXPECT_EQ(found.Source, TPasswordSource::psNone);
    EXPECT_EQ(found.Error, "the credential " + credentials + "/quillmont-password is not a regular file");
}

// What a password file must be, checked as an ordinary user on files of his
// own, one of another user's and a few that are no files at all.
TEST(PasswordFile, OnlyAFileTheUserAloneMayReadOrWriteIsRead)
{
    TTempDir dir;
    const bool asRoot = ::geteuid() == 0;
    // Made before the switch: the superuser's file, readable by everybody.
    WriteFile(dir / "roots", "not yours\n", 0644);
    TAsOrdinaryUser::GiveToUser(dir.Path());
    TAsOrdinaryUser user;

    const auto read = [](const std::string& path, TPasswordFileRule rule = TPasswordFileRule::pfrPrivate) {
        std::string password = "untouched", why;
        const bool ok = ReadPasswordFile(path, rule, password, why);
        EXPECT_EQ(ok, why.empty()) << path;
        if (ok)
            return "read: " + password;
        EXPECT_EQ(password, "untouched") << path;
        return why;
    };
    WriteFile(dir / "lf", "s3cret\n", 0600);
    EXPECT_EQ(read(dir / "lf"), "read: s3cret");
    WriteFile(dir / "crlf", "s3cret\r\n", 0400);
    EXPECT_EQ(read(dir / "crlf"), "read: s3cret");
    WriteFile(dir / "bare", "with spaces and \xc3\xa9", 0600);
    EXPECT_EQ(read(dir / "bare"), "read: with spaces and \xc3\xa9");
    WriteFile(dir / "empty-line", "\n", 0600);
    EXPECT_EQ(read(dir / "empty-line"), "read: ");

    for (const mode_t mode : {0640, 0604, 0620, 0602, 0660, 0644, 0666, 0610}) {
        WriteFile(dir / "open", "s3cret\n", mode);
        char octal[8];
        std::snprintf(octal, sizeof octal, "%04o", static_cast<unsigned>(mode));
        EXPECT_EQ(read(dir / "open"), "may be read or written by others (mode " + std::string(octal) +
                                          "): make it yours alone with chmod 600");
    }
    WriteFile(dir / "two-lines", "s3cret\nls\n", 0600);
    EXPECT_EQ(read(dir / "two-lines"),
              "holds more than one line, or a NUL character: the password is the file's one line");
    WriteFile(dir / "nul", std::string("s3\0cret", 7), 0600);
    EXPECT_EQ(read(dir / "nul"), "holds more than one line, or a NUL character: the password is the file's one line");
    WriteFile(dir / "empty", "", 0600);
    EXPECT_EQ(read(dir / "empty"), "is empty");
    WriteFile(dir / "large", std::string(MaxPasswordFileSize + 1, 'x'), 0600);
    EXPECT_EQ(read(dir / "large"), "is larger than 4096 bytes: no password file");
    WriteFile(dir / "largest", std::string(MaxPasswordFileSize, 'x'), 0600);
    EXPECT_EQ(read(dir / "largest"), "read: " + std::string(MaxPasswordFileSize, 'x'));

    // A link is refused, even to a good file; so are a folder and a FIFO
    // (which is not waited on for a writer that never comes).
    fs::create_symlink(dir / "lf", dir / "link");
    EXPECT_EQ(read(dir / "link"), "is a symbolic link (name the file itself)");
    ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0700), 0);
    EXPECT_EQ(read(dir / "folder"), "is not a regular file");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(read(dir / "fifo"), "is not a regular file");
    EXPECT_EQ(read(dir / "missing"), "No such file or directory");

    if (asRoot) {
        EXPECT_EQ(read(dir / "roots"), "belongs to root, not to nobody who runs the recorder");
        // The service manager's credentials answer to no owner.
        EXPECT_EQ(read(dir / "roots", TPasswordFileRule::pfrManaged), "read: not yours");
    }
    EXPECT_EQ(read(dir / "open", TPasswordFileRule::pfrManaged), "read: s3cret");
    EXPECT_EQ(read(dir / "fifo", TPasswordFileRule::pfrManaged), "is not a regular file");
}

TEST(StopSignals, TermAndIntAreSeenThroughThePipeUntilTheEnd)
{
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    {
        TStopSignals stop;
        EXPECT_THROW(TStopSignals(), std::runtime_error);
        EXPECT_FALSE(stop.Received());
        ASSERT_EQ(::raise(SIGTERM), 0);
        EXPECT_TRUE(stop.Received());
        EXPECT_TRUE(stop.Received());  // nothing is taken from the pipe
        pollfd entry{stop.WakeFd(), POLLIN, 0};
        EXPECT_EQ(::poll(&entry, 1, 0), 1);
    }
    {
        TStopSignals stop;
        EXPECT_FALSE(stop.Received());
        ASSERT_EQ(::raise(SIGINT), 0);
        EXPECT_TRUE(stop.Received());
    }
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}
