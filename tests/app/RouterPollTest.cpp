#include "UnusedPort.h"
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

#include "ScriptedRouter.h"
#include "app/HostPort.h"
#include "app/PollStatusText.h"
#include "app/ReplyCut.h"
#include "app/RouterPoll.h"
#include "routersim/RouterProfile.h"
#include "routersim/RouterSimulator.h"

namespace {

using Clock = std::chrono::steady_clock;

// Socket error codes the poll reports.
constexpr int ConnectionAborted = 10053;
constexpr int ConnectionReset = 10054;
constexpr int NoBufferSpace = 10055;
constexpr int ConnectionRefused = 10061;

// What a previous poll may have left in the buffer: a full reply, already cut.
TReplyBuffer LeftOverBuffer()
{
    TReplyBuffer buffer;
    buffer.Append(BitLoadingCommand);
    buffer.Append(BitLoadingReplyText(SimulatedBitLoading(3, 0)));
    ToneBits bits{};
    ParseReply(buffer, bits);
    return buffer;
}

bool AllZero(const ToneBits& bits)
{
    for (int32_t v : bits)
        if (v != 0)
            return false;
    return true;
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class RouterPollTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TRouterSimulatorSettings settings;
        settings.Password = "pw";
        settings.Seed = 7;
        settings.MaxLoginAttempts = 1;
        simulator = std::make_unique<TRouterSimulator>(settings);
        host = "127.0.0.1:" + std::to_string(simulator->Start());
    }

    std::unique_ptr<TRouterSimulator> simulator;
    std::string host;
};

TEST_F(RouterPollTest, WholePollReadsTheRoutersTable)
{
    TReplyBuffer buffer("Memo1");
    const TPollOutcome outcome = FetchReply(host, "Administrator", "pw", buffer);
    EXPECT_TRUE(outcome.Captured);
    EXPECT_EQ(outcome.FailedStep, TPollStep::psNone);
    EXPECT_EQ(DescribeOutcome(outcome), "reply captured");
    EXPECT_EQ(buffer.Text(),
              "xdsl debug bitloadinginfo\r\n" + BitLoadingReplyText(SimulatedBitLoading(7, 0)) + "{Administrator}\r\n");
    ToneBits bits{};
    const TReplyReading reading = ParseReply(buffer, bits);
    EXPECT_EQ(bits, SimulatedBitLoading(7, 0));
    EXPECT_EQ(reading.TonesRead, 513);
    EXPECT_TRUE(JudgeReading(outcome, reading).Captured);

    // The next poll gets the router's next reading.
    FetchReply(host, "Administrator", "pw", buffer);
    ParseReply(buffer, bits);
    EXPECT_EQ(bits, SimulatedBitLoading(7, 1));
}

TEST_F(RouterPollTest, UserInterfaceRunsOnceBeforeTheCommandAndMayPollItself)
{
    TReplyBuffer buffer;
    int calls = 0;
    ToneBits innerBits{};
    TPollSettings settings;
    settings.ProcessMessages = [&] {
        ++calls;
        EXPECT_EQ(simulator->PollsServed(), 0u) << "the command must not have gone out yet";
        EXPECT_EQ(buffer.Count(), 0);
        // A poll started from an event handled here uses the same buffer.
        EXPECT_TRUE(FetchReply(host, "Administrator", "pw", buffer).Captured);
        ParseReply(buffer, innerBits);
    };
    EXPECT_TRUE(FetchReply(host, "Administrator", "pw", buffer, settings).Captured);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(innerBits, SimulatedBitLoading(7, 0));
    // The outer poll's buffer holds only its own command and reply.
    ToneBits outerBits{};
    ParseReply(buffer, outerBits);
    EXPECT_EQ(outerBits, SimulatedBitLoading(7, 1));
}

TEST_F(RouterPollTest, TimeInTheUserInterfaceDoesNotCountAgainstTheDeadline)
{
    TReplyBuffer buffer;
    TPollSettings settings;
    settings.DeadlineMs = 300;
    settings.ProcessMessages = [] { std::this_thread::sleep_for(std::chrono::milliseconds(600)); };
    const TPollOutcome outcome = FetchReply(host, "Administrator", "pw", buffer, settings);
    EXPECT_TRUE(outcome.Captured) << DescribeOutcome(outcome);
}

TEST_F(RouterPollTest, WrongPasswordIsAFailedPoll)
{
    TReplyBuffer buffer = LeftOverBuffer();
    const TPollOutcome outcome = FetchReply(host, "Administrator", "wrong", buffer);
    EXPECT_FALSE(outcome.Captured);
    EXPECT_EQ(outcome.FailedStep, TPollStep::psWaitCommandPrompt);
    EXPECT_EQ(outcome.ErrorCode, ConnectionReset);
    EXPECT_EQ(simulator->PollsServed(), 0u);
    ToneBits bits;
    bits.fill(1);
    ParseReply(buffer, bits);
    EXPECT_TRUE(AllZero(bits));
}

// A line break in a credential would end the line early and hand the rest to
// the router as a command; such a poll, like one to a port that cannot exist,
// is refused before anything is connected or sent.
TEST_F(RouterPollTest, UnusableSettingsAreRefusedBeforeConnecting)
{
    const std::string port = host.substr(host.find(':') + 1);
    const struct {
        std::string Host, User, Password, Refusal;
    } cases[] = {
        {host, "Administrator", "pw\nexit", "the password contains a line break or NUL character"},
        {host, "Administrator", "pw\rexit", "the password contains a line break or NUL character"},
        {host, "Admin\r\nexit", "pw", "the user name contains a line break or NUL character"},
        {host, "Administrator", std::string("pw\0x", 4), "the password contains a line break or NUL character"},
        {"127.0.0.1:" + std::to_string(std::stoi(port) + 65536), "Administrator", "pw",
         "port \"" + std::to_string(std::stoi(port) + 65536) + "\" is not a number from 1 to 65535"},
        {"127.0.0.1:-1", "Administrator", "pw", "port \"-1\" is not a number from 1 to 65535"},
        {"127.0.0.1:0x10", "Administrator", "pw", "port \"0x10\" is not a number from 1 to 65535"},
        {"[::1]:0", "Administrator", "pw", "port \"0\" is not a number from 1 to 65535"},
    };
    for (const auto& c : cases) {
        TReplyBuffer buffer = LeftOverBuffer();
        EXPECT_EQ(CheckPollSettings(c.Host, c.User, c.Password), c.Refusal);
        const TPollOutcome outcome = FetchReply(c.Host, c.User, c.Password, buffer);
        EXPECT_FALSE(outcome.Captured);
        EXPECT_EQ(outcome.FailedStep, TPollStep::psCheckSettings);
        EXPECT_EQ(outcome.ErrorText, c.Refusal);
        EXPECT_EQ(DescribeOutcome(outcome), "not polled: " + c.Refusal);
        EXPECT_EQ(buffer.Count(), 0) << "no earlier reply is left to be read again";
    }
    EXPECT_EQ(simulator->ClientsAccepted(), 0u);

    for (const std::string good : {"1", "23", "65535", "00023"})
        EXPECT_TRUE(IsValidPort(good)) << good;
    for (const std::string bad : {"", "0", "65536", "123456", "+23", " 23", "23 ", "telnet"})
        EXPECT_FALSE(IsValidPort(bad)) << bad;
    EXPECT_EQ(CheckPollSettings("192.168.1.254", "Administrator", ""), "");
    EXPECT_EQ(CheckPollSettings("fe80::1", "Administrator", "secret"), "");
}

TEST(RouterPoll, NothingListeningFailsAtTheConnect)
{
    TReplyBuffer buffer = LeftOverBuffer();
    const TPollOutcome outcome = FetchReply("127.0.0.1:" + std::to_string(UnusedPort()), "Administrator", "", buffer);
    EXPECT_FALSE(outcome.Captured);
    EXPECT_EQ(outcome.FailedStep, TPollStep::psConnect);
    EXPECT_EQ(outcome.ErrorCode, ConnectionRefused);
    EXPECT_EQ(DescribeOutcome(outcome).substr(0, 21), "connect failed: 10061");
    // The dialogue goes on to its end, so the buffer holds the command line only.
    EXPECT_EQ(buffer.Text(), "xdsl debug bitloadinginfo\r\n\r\n");
    ToneBits bits;
    bits.fill(1);
    ParseReply(buffer, bits);
    EXPECT_TRUE(AllZero(bits));
}

TEST(RouterPoll, TricklingRouterIsCutOffByTheDeadline)
{
    // A byte every 50 ms: no wait ever times out, and no prompt ever comes.
    TScriptedRouter router([](TScriptedConnection& c) {
        while (!c.Stopped() && c.Send("x"))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });
    TReplyBuffer buffer = LeftOverBuffer();
    TPollSettings settings;
    settings.DeadlineMs = 500;
    const Clock::time_point start = Clock::now();
    const TPollOutcome outcome = FetchReply(router.Host(), "Administrator", "", buffer, settings);
    EXPECT_LT(SecondsSince(start), 10.0);
    EXPECT_FALSE(outcome.Captured);
    EXPECT_TRUE(outcome.DeadlineExceeded);
    EXPECT_EQ(outcome.FailedStep, TPollStep::psWaitUserPrompt);
    EXPECT_EQ(outcome.ErrorCode, ConnectionAborted);
    // The dialogue ended before the buffer was refilled: nothing of the last poll is left.
    EXPECT_EQ(buffer.Count(), 0);
    // The user is told the limit of this poll, not the usual one.
    EXPECT_EQ(outcome.DeadlineMs, 500);
    EXPECT_EQ(PollFailureText(outcome, router.Host()), "Gave up after connecting: the poll took longer than 0.5 s");
}

// A router that logs in, sends text as its whole answer to the command, and
// then waits for the poll to go away.
TScriptedRouter::TScript AnswersWith(std::string text)
{
    return [text = std::move(text)](TScriptedConnection& c) {
        if (c.Login())
            c.Send(text);
        c.ReadUntil("never sent");
    };
}

// A program told to end while it polls: the wait for a router that has gone
// silent is cut short within a heartbeat or two (the wait alone would last
// PollTimeout), nothing more is sent, and the outcome says the poll was
// called off rather than failed. Called off before the first step, the poll
// connects nowhere.
TEST(RouterPoll, CalledOffPollEndsInTheMiddleOfAWaitOrBeforeConnecting)
{
    TRouterSimulatorSettings routerSettings;
    routerSettings.Password = "pw";
    routerSettings.StallAfterReplies = 1;
    TRouterSimulator simulator(routerSettings);
    const std::string host = "127.0.0.1:" + std::to_string(simulator.Start());

    // Called off at a heartbeat of the wait for the reply that never comes.
    int asked = 0;
    int heartbeatsWhileStalled = 0;
    TPollSettings settings;
    settings.Heartbeat = [&] {
        if (simulator.CommandsStalled() > 0)
            ++heartbeatsWhileStalled;
    };
    settings.Cancelled = [&] {
        ++asked;
        return heartbeatsWhileStalled > 0;
    };
    TReplyBuffer buffer;
    // The first poll is answered: asked all along, never called off.
    TPollOutcome outcome = FetchReply(host, "Administrator", "pw", buffer, settings);
    EXPECT_TRUE(outcome.Captured);
    EXPECT_FALSE(outcome.Cancelled);
    EXPECT_GE(asked, 9);  // before and after each of the eight steps, and at heartbeats

    // The second one hangs at the command, and is called off there.
    const Clock::time_point start = Clock::now();
    outcome = FetchReply(host, "Administrator", "pw", buffer, settings);
    EXPECT_LT(SecondsSince(start), PollTimeout / 1000.0);
    EXPECT_FALSE(outcome.Captured);
    EXPECT_TRUE(outcome.Cancelled);
    EXPECT_EQ(outcome.FailedStep, TPollStep::psReceiveReply);
    EXPECT_EQ(outcome.ErrorCode, ConnectionAborted);
    EXPECT_FALSE(outcome.DeadlineExceeded);
    EXPECT_EQ(simulator.CommandsStalled(), 1u);

    // Called off from the start: no connection at all.
    const uint32_t clients = simulator.ClientsAccepted();
    settings.Cancelled = [] { return true; };
    outcome = FetchReply(host, "Administrator", "pw", buffer, settings);
    EXPECT_TRUE(outcome.Cancelled);
    EXPECT_EQ(outcome.FailedStep, TPollStep::psConnect);
    EXPECT_EQ(buffer.Count(), 0);
    simulator.Stop();
    EXPECT_EQ(simulator.ClientsAccepted(), clients);
}

// A router that answers the command with an error and its prompt: the
// dialogue captured a reply, but the reply holds no reading.
TEST(RouterPoll, ErrorReplyIsCapturedButNoReading)
{
    TScriptedRouter router(AnswersWith("\r\nSyntax error: unknown command\r\n{Administrator}=>"));
    TReplyBuffer buffer;
    const TPollOutcome fetched = FetchReply(router.Host(), "Administrator", "", buffer);
    EXPECT_TRUE(fetched.Captured);
    ToneBits bits;
    bits.fill(1);
    const TReplyReading reading = ParseReply(buffer, bits);
    EXPECT_TRUE(AllZero(bits));
    EXPECT_EQ(reading.TonesRead, 0);
    EXPECT_EQ(reading.FirstLine, "Syntax error: unknown command");
    const TPollOutcome outcome = JudgeReading(fetched, reading);
    EXPECT_FALSE(outcome.Captured);
    EXPECT_EQ(outcome.FailedStep, TPollStep::psReadBits);
    EXPECT_EQ(DescribeOutcome(outcome), "No bit loading in the router's reply: Syntax error: unknown command");
}

TEST(RouterPoll, HugeReplyIsCapped)
{
    TScriptedRouter router([](TScriptedConnection& c) {
        if (!c.Login())
            return;
        const std::string block(64 * 1024, 'A');
        while (!c.Stopped() && c.Send(block)) {
        }
    });
    TReplyBuffer buffer;
    const TPollOutcome outcome = FetchReply(router.Host(), "Administrator", "", buffer);
    EXPECT_FALSE(outcome.Captured);
    EXPECT_FALSE(outcome.DeadlineExceeded);
    EXPECT_EQ(outcome.FailedStep, TPollStep::psReceiveReply);
    EXPECT_EQ(outcome.ErrorCode, NoBufferSpace);
    EXPECT_EQ(buffer.Text(), "xdsl debug bitloadinginfo\r\n\r\n");
}

TEST(RouterPoll, PromptWithoutReplyIsNoReading)
{
    TScriptedRouter router(AnswersWith("=>"));
    TReplyBuffer buffer;
    const TPollOutcome outcome = FetchReply(router.Host(), "Administrator", "", buffer);
    EXPECT_FALSE(outcome.Captured);
    EXPECT_EQ(outcome.FailedStep, TPollStep::psReceiveReply);
    EXPECT_EQ(outcome.ErrorCode, 0);
}

TEST(RouterPoll, ExceptionInTheUserInterfaceEndsThePollQuietly)
{
    TScriptedRouter router([](TScriptedConnection& c) {
        c.Login();
        c.ReadUntil("never sent");
    });
    TReplyBuffer buffer = LeftOverBuffer();
    TPollSettings settings;
    settings.ProcessMessages = [] { throw std::runtime_error("handler failed"); };
    const TPollOutcome outcome = FetchReply(router.Host(), "Administrator", "", buffer, settings);
    EXPECT_FALSE(outcome.Captured);
    EXPECT_EQ(outcome.FailedStep, TPollStep::psSendCommand);
    EXPECT_EQ(outcome.ErrorText, "handler failed");
    EXPECT_EQ(buffer.Count(), 0);
}

TEST(RouterPoll, HostTextMayNameAnIPv6Port)
{
    TRouterSimulatorSettings settings;
    settings.BindAddress = "::1";
    settings.Seed = 11;
    TRouterSimulator simulator(settings);
    uint16_t port = 0;
    try {
        port = simulator.Start();
    } catch (const std::exception& error) {
        GTEST_SKIP() << "no IPv6 loopback: " << error.what();
    }
    TReplyBuffer buffer;
    EXPECT_TRUE(FetchReply("[::1]:" + std::to_string(port), "Administrator", "", buffer).Captured);
    ToneBits bits{};
    ParseReply(buffer, bits);
    EXPECT_EQ(bits, SimulatedBitLoading(11, 0));
}

}  // namespace
