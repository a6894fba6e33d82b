#include <gtest/gtest.h>

#include <sstream>

#include "SimulatedRouter.h"
#include "Subprocess.h"
#include "poll/PollArguments.h"
#include "poll/PollCommand.h"
#include "routersim/RouterProfile.h"
#include "routersim/RouterSimulator.h"

namespace {

std::string ExpectedCsv(const ToneBits& bits)
{
    std::string csv = "tone,bits\n";
    for (int tone = 0; tone < ToneCount; ++tone)
        csv += std::to_string(tone) + "," + std::to_string(bits[tone]) + "\n";
    return csv;
}

TEST(PollArguments, OperandsAndOptions)
{
    TPollArgumentsResult r = ParsePollArguments({"10.0.0.138"});
    EXPECT_EQ(r.Error, "");
    EXPECT_EQ(r.Arguments.Host, "10.0.0.138");
    EXPECT_EQ(r.Arguments.User, "Administrator");
    EXPECT_FALSE(r.Arguments.PasswordFromStdin);

    r = ParsePollArguments({"router:2323", "--password-stdin", "admin"});
    EXPECT_EQ(r.Error, "");
    EXPECT_EQ(r.Arguments.Host, "router:2323");
    EXPECT_EQ(r.Arguments.User, "admin");
    EXPECT_TRUE(r.Arguments.PasswordFromStdin);

    r = ParsePollArguments({"--", "host", "-user-"});
    EXPECT_EQ(r.Error, "");
    EXPECT_EQ(r.Arguments.User, "-user-");

    EXPECT_TRUE(ParsePollArguments({"--help"}).Arguments.ShowHelp);
}

TEST(PollArguments, BadUsage)
{
    EXPECT_NE(ParsePollArguments({}).Error, "");
    EXPECT_NE(ParsePollArguments({""}).Error, "");
    EXPECT_NE(ParsePollArguments({"host", "user", "secret"}).Error, "");
    EXPECT_NE(ParsePollArguments({"host", "--verbose"}).Error, "");
    EXPECT_NE(ParsePollArguments({"host", "--password-stdin=yes"}).Error, "");
    const std::string error = ParsePollArguments({"host", "--password", "secret"}).Error;
    EXPECT_NE(error.find("never taken from the command line"), std::string::npos);
    EXPECT_EQ(error.find("secret"), std::string::npos);
    EXPECT_NE(ParsePollArguments({"host", "--password=secret"}).Error, "");
}

class PollCommandTest : public ::testing::Test {
protected:
    TSimulatedRouter simulator{TSimulatedRouter::Settings("s3cret", 23, 1)};
    std::string host = simulator.Host();
};

TEST_F(PollCommandTest, InProcessPasswordFromVariableOrStdin)
{
    std::istringstream in("s3cret\r\nignored\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunPollCommand({host, "--password-stdin"}, in, out, err, "wrong"), PollExitCaptured);
    EXPECT_EQ(out.str(), ExpectedCsv(SimulatedBitLoading(23, 0)));
    EXPECT_EQ(err.str(), "");

    std::istringstream none;
    std::ostringstream out2, err2;
    EXPECT_EQ(RunPollCommand({host, "Administrator"}, none, out2, err2, "s3cret"), PollExitCaptured);
    EXPECT_EQ(out2.str(), ExpectedCsv(SimulatedBitLoading(23, 1)));
}

TEST_F(PollCommandTest, CommandEndToEnd)
{
    const TProcessResult ok = RunProcess(QM_POLL_BINARY, {host}, TestEnvironment({"QUILLMONT_PASSWORD=s3cret"}));
    EXPECT_EQ(ok.ExitCode, 0);
    EXPECT_EQ(ok.Out, ExpectedCsv(SimulatedBitLoading(23, 0)));
    EXPECT_EQ(ok.Err, "");

    const TProcessResult piped =
        RunProcess(QM_POLL_BINARY, {"--password-stdin", host, "Administrator"}, TestEnvironment({}), "s3cret\n");
    EXPECT_EQ(piped.ExitCode, 0);
    EXPECT_EQ(piped.Out, ExpectedCsv(SimulatedBitLoading(23, 1)));

    // The wrong password: the zero table, exit 1, one line naming the step and the error.
    const TProcessResult wrong = RunProcess(QM_POLL_BINARY, {host}, TestEnvironment({"QUILLMONT_PASSWORD=nope"}));
    EXPECT_EQ(wrong.ExitCode, 1);
    EXPECT_EQ(wrong.Out, ExpectedCsv(ToneBits{}));
    EXPECT_EQ(wrong.Err, "quillmont-poll: wait for \"=>\" failed: 10054 Connection reset by peer\n");

    // A password on the command line is refused and never used.
    const TProcessResult argv = RunProcess(QM_POLL_BINARY, {host, "--password", "s3cret"}, TestEnvironment({}));
    EXPECT_EQ(argv.ExitCode, 2);
    EXPECT_EQ(argv.Out, "");
    EXPECT_NE(argv.Err.find("usage: quillmont-poll"), std::string::npos);
    const TProcessResult third = RunProcess(QM_POLL_BINARY, {host, "Administrator", "s3cret"}, TestEnvironment({}));
    EXPECT_EQ(third.ExitCode, 2);
    EXPECT_EQ(simulator->PollsServed(), 2u);
}

// Input that would do harm is refused before anything is connected: a line
// break in a credential would reach the router as a command of its own.
TEST_F(PollCommandTest, HostileInputIsAUsageError)
{
    const struct {
        std::vector<std::string> Args;
        std::string Stdin;
        const char* Variable;
        std::string Err;
    } cases[] = {
        {{host}, "", "s3cret\nexit", "quillmont-poll: the password contains a line break or NUL character\n"},
        {{"--password-stdin", host},
         "s3cret\rexit\n",
         nullptr,
         "quillmont-poll: the password contains a line break or NUL character\n"},
        {{host, "Admin\nexit"}, "", "s3cret", "quillmont-poll: the user name contains a line break or NUL character\n"},
        {{"--password-stdin", host}, std::string(5000, 'x'), nullptr, "quillmont-poll: password line too long\n"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.Stdin);
        std::ostringstream out, err;
        EXPECT_EQ(RunPollCommand(c.Args, in, out, err, c.Variable), PollExitUsage);
        EXPECT_EQ(err.str(), c.Err);
        EXPECT_EQ(out.str(), "");
    }
    // A password line of 4096 characters is still taken.
    std::istringstream longest(std::string(4096, 'x') + "\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunPollCommand({"--password-stdin", host}, longest, out, err, nullptr), PollExitFailed);
    EXPECT_EQ(err.str().find("too long"), std::string::npos) << err.str();
    EXPECT_EQ(simulator->ClientsAccepted(), 1u);

    const std::string port = host.substr(host.find(':') + 1);
    for (const std::string& bad : {std::to_string(std::stoi(port) + 65536), std::string("-1"), std::string("0x10")}) {
        const TPollArgumentsResult r = ParsePollArguments({"127.0.0.1:" + bad});
        EXPECT_EQ(r.Error, "bad port \"" + bad + "\" in 127.0.0.1:" + bad + " (a number from 1 to 65535)");
    }
    EXPECT_EQ(ParsePollArguments({"[::1]:23"}).Error, "");
}

// A router that answers the command with an error and its prompt: exit 1,
// the reason on standard error, the table still printed as read.
TEST(PollCommand, ReplyWithoutTheBitLoadingExitsOne)
{
    TRouterSimulatorSettings settings;
    settings.KnowsBitLoading = false;
    TRouterSimulator simulator(settings);
    const std::string host = "127.0.0.1:" + std::to_string(simulator.Start());
    const TProcessResult r = RunProcess(QM_POLL_BINARY, {host}, TestEnvironment({"QUILLMONT_PASSWORD="}));
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out, ExpectedCsv(ToneBits{}));
    EXPECT_EQ(r.Err, "quillmont-poll: No bit loading in the router's reply: Error : unknown command\n");
    EXPECT_EQ(simulator.ClientsAccepted(), 1u);
}

TEST(PollCommand, HelpAndVersion)
{
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(RunPollCommand({"--version"}, in, out, err, nullptr), PollExitCaptured);
    EXPECT_EQ(out.str().rfind("quillmont-poll ", 0), 0u);
    std::ostringstream out2;
    EXPECT_EQ(RunPollCommand({"-h"}, in, out2, err, nullptr), PollExitCaptured);
    EXPECT_EQ(out2.str(), PollUsage());
    EXPECT_EQ(err.str(), "");
}

TEST(PollCommand, NothingListeningExitsOne)
{
    const TProcessResult r = RunProcess(QM_POLL_BINARY, {"127.0.0.1:1"}, TestEnvironment({}));
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out, ExpectedCsv(ToneBits{}));
    EXPECT_EQ(r.Err.rfind("quillmont-poll: connect failed: 10061 ", 0), 0u) << r.Err;
    EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1);
}

TEST(PollCommand, AgainstTheSimulatorCommand)
{
    int in = -1, out = -1, err = -1;
    const pid_t sim = StartProcess(QM_ROUTERSIM_BINARY, {"--port", "0", "--password", "demo", "--seed", "99"},
                                   TestEnvironment({}), in, out, err);
    ASSERT_GT(sim, 0);
    ::close(in);
    std::string first;
    pollfd p{out, POLLIN, 0};
    while (first.find('\n') == std::string::npos && ::poll(&p, 1, 5000) > 0) {
        char chunk[64];
        const ssize_t n = ::read(out, chunk, sizeof chunk);
        if (n <= 0)
            break;
        first.append(chunk, static_cast<std::size_t>(n));
    }
    ASSERT_NE(first.find('\n'), std::string::npos) << "the simulator prints its port first";
    const std::string port = first.substr(0, first.find('\n'));
    EXPECT_EQ(port.find_first_not_of("0123456789"), std::string::npos);

    const TProcessResult r = RunProcess(QM_POLL_BINARY, {"127.0.0.1:" + port, "Administrator"},
                                        TestEnvironment({"QUILLMONT_PASSWORD=demo"}));
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, ExpectedCsv(SimulatedBitLoading(99, 0)));

    ::kill(sim, SIGTERM);
    int status = 0;
    ::waitpid(sim, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ::close(out);
    ::close(err);
}

}  // namespace
