#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <system_error>
#include <thread>

#include "RawClient.h"
#include "app/ReplyBuffer.h"
#include "app/RouterPoll.h"
#include "routersim/RouterProfile.h"
#include "routersim/RouterSimulator.h"

namespace {

const std::string IAC = "\xFF";
const std::string WILL = "\xFB", WONT = "\xFC", DO = "\xFD", DONT = "\xFE", SB = "\xFA", SE = "\xF0";
const std::string Echo = "\x01", SuppressGoAhead = "\x03", TerminalType = "\x18";

TEST(RouterProfile, PlausibleBitLoading)
{
    for (uint32_t seed : {1u, 2u, 77u, 4000000000u}) {
        const ToneBits bits = SimulatedBitLoading(seed, 0);
        int zerosInDownstream = 0;
        for (int tone = 0; tone < ToneCount; ++tone) {
            ASSERT_GE(bits[tone], 0);
            ASSERT_LE(bits[tone], 15);
            const bool upstream = tone >= 6 && tone <= 31;
            const bool downstream = tone >= 38 && tone <= 511;
            if (!upstream && !downstream) {
                ASSERT_EQ(bits[tone], 0) << "tone " << tone;
            }
            if (upstream) {
                EXPECT_GE(bits[tone], 3) << "tone " << tone;
            }
            if (downstream && tone < 100) {
                EXPECT_GE(bits[tone], 10) << "tone " << tone;
            }
            if (downstream && bits[tone] <= 1)
                ++zerosInDownstream;
        }
        EXPECT_GE(zerosInDownstream, 2) << "a notch in the downstream band, seed " << seed;
    }
}

TEST(RouterProfile, DeterministicAndSlowlyVarying)
{
    EXPECT_EQ(SimulatedBitLoading(5, 3), SimulatedBitLoading(5, 3));
    EXPECT_NE(SimulatedBitLoading(5, 0), SimulatedBitLoading(6, 0));
    bool changed = false;
    for (uint32_t poll = 0; poll < 40; ++poll) {
        const ToneBits a = SimulatedBitLoading(5, poll), b = SimulatedBitLoading(5, poll + 1);
        for (int tone = 0; tone < ToneCount; ++tone) {
            ASSERT_LE(std::abs(a[tone] - b[tone]), 2);
            changed = changed || a[tone] != b[tone];
        }
    }
    EXPECT_TRUE(changed);
}

TEST(RouterProfile, ReplyLayoutCutsBackToTheTable)
{
    const ToneBits bits = SimulatedBitLoading(9, 2);
    const std::string reply = BitLoadingReplyText(bits);
    ASSERT_EQ(reply.substr(0, 2), "\r\n");
    ASSERT_EQ(reply.substr(BitLoadingReplyHeadLength - 2, 2), "\r\n");
    // 51 lines of ten cells and one of three, each 11 + 3n characters + CR LF.
    EXPECT_EQ(reply.size(), BitLoadingReplyHeadLength + 51 * (11 + 30 + 2) + (11 + 9 + 2));
    TReplyBuffer buffer;
    buffer.Append(BitLoadingCommand);
    buffer.Append(reply + "{Administrator}");
    ToneBits parsed{};
    ParseReply(buffer, parsed);
    EXPECT_EQ(parsed, bits);
}

class RouterSimulatorTest : public ::testing::Test {
protected:
    void StartSimulator(TRouterSimulatorSettings settings)
    {
        simulator = std::make_unique<TRouterSimulator>(settings);
        port = simulator->Start();
        ASSERT_NE(port, 0);
    }

    std::unique_ptr<TRouterSimulator> simulator;
    uint16_t port = 0;
};

TEST_F(RouterSimulatorTest, NegotiatesLogsInAndAnswersTheCommand)
{
    TRouterSimulatorSettings settings;
    settings.Password = "secret";
    settings.Seed = 42;
    StartSimulator(settings);

    TRawClient client(port);
    ASSERT_TRUE(client.Connected());
    const std::string greeting = client.ReadUntil("name :");
    ASSERT_EQ(greeting.substr(0, 9), IAC + WILL + Echo + IAC + WILL + SuppressGoAhead + IAC + DO + TerminalType);
    EXPECT_EQ(greeting.find('\xFF', 9), std::string::npos);

    // Agreeing to send the terminal type brings the request for it.
    client.Send(IAC + DONT + Echo + IAC + DO + SuppressGoAhead + IAC + WILL + TerminalType);
    EXPECT_EQ(client.ReadUntil(IAC + SE), " " + IAC + SB + TerminalType + "\x01" + IAC + SE);
    // Repeated or unknown requests are answered without starting a loop.
    client.Send(IAC + SB + TerminalType + std::string(1, '\0') + "DUMB" + IAC + SE + IAC + DO + "\x1F" + IAC + DONT +
                "\x1F" + IAC + WONT + Echo + "Administrator\r\n");
    EXPECT_EQ(client.ReadUntil("word :"), IAC + WONT + "\x1F" + "Password :");
    EXPECT_EQ(client.ReadUntil(" "), " ");
    client.Send("secret\r\n");
    const std::string banner = client.ReadUntil("=>");
    EXPECT_EQ(banner.substr(banner.size() - 17), "{Administrator}=>");
    EXPECT_EQ(banner.find("secret"), std::string::npos) << "no echo after DONT ECHO";

    client.Send("xdsl debug bitloadinginfo\r\n");
    const std::string reply = client.ReadUntil("=>");
    EXPECT_EQ(reply, BitLoadingReplyText(SimulatedBitLoading(42, 0)) + "{Administrator}=>");
    EXPECT_EQ(simulator->PollsServed(), 1u);

    client.Send("xdsl debug bitloadinginfo\n");
    EXPECT_EQ(client.ReadUntil("=>"), BitLoadingReplyText(SimulatedBitLoading(42, 1)) + "{Administrator}=>");
    client.Send("exit\r\n");
    client.ReadUntil("never sent");
    EXPECT_TRUE(client.Closed());
}

TEST_F(RouterSimulatorTest, WrongLoginsGetAnErrorThenANewPromptThenTheDoor)
{
    TRouterSimulatorSettings settings;
    settings.Password = "secret";
    settings.MaxLoginAttempts = 2;
    StartSimulator(settings);

    TRawClient client(port);
    client.ReadUntil("name :");
    client.Send("Administrator\r\nwrong\r\n");
    const std::string first = client.ReadUntil("name :");
    EXPECT_NE(first.find("Invalid username/password"), std::string::npos);
    EXPECT_EQ(first.find("=>"), std::string::npos);
    client.Send("Admin\r\nsecret\r\n");
    const std::string second = client.ReadUntil("never sent");
    EXPECT_NE(second.find("Invalid username/password"), std::string::npos);
    EXPECT_EQ(second.find("=>"), std::string::npos);
    EXPECT_TRUE(client.Closed());
}

TEST(RouterSimulator, ServesLoopbackOnly)
{
    for (const char* address : {"0.0.0.0", "::", "192.0.2.1", "localhost"}) {
        TRouterSimulatorSettings settings;
        settings.BindAddress = address;
        TRouterSimulator simulator(settings);
        EXPECT_THROW(simulator.Start(), std::runtime_error) << address;
    }
}

TEST_F(RouterSimulatorTest, ServesClientsOneAfterTheOtherAndStopsWithOneOpen)
{
    StartSimulator({});
    for (int i = 0; i < 3; ++i) {
        TRawClient client(port);
        client.ReadUntil("name :");
        client.Send("Administrator\r\n\r\n");
        client.ReadUntil("=>");
        client.Send("xdsl debug bitloadinginfo\r\n");
        EXPECT_EQ(client.ReadUntil("=>"), BitLoadingReplyText(SimulatedBitLoading(1, i)) + "{Administrator}=>");
    }
    EXPECT_EQ(simulator->ClientsAccepted(), 3u);
    TRawClient idle(port);
    idle.ReadUntil("name :");
    simulator->Stop();  // must not wait for the idle client
    idle.ReadUntil("never sent");
    EXPECT_TRUE(idle.Closed());
}

TEST_F(RouterSimulatorTest, AClientWithoutAThreadIsClosedAndTheNextOneServed)
{
    simulator = std::make_unique<TRouterSimulator>(TRouterSimulatorSettings{});
    int starts = 0;
    simulator->SetThreadStarter([&starts](std::function<void()> work) {
        if (++starts == 1)
            throw std::system_error(EAGAIN, std::generic_category(), "no thread");
        return std::thread(std::move(work));
    });
    port = simulator->Start();

    TRawClient unserved(port);
    EXPECT_EQ(unserved.ReadUntil("name :"), "");
    EXPECT_TRUE(unserved.Closed());
    TRawClient served(port);
    EXPECT_NE(served.ReadUntil("name :"), "");
    EXPECT_FALSE(served.Closed());
    EXPECT_EQ(simulator->ClientsRefused(), 1u);
    EXPECT_EQ(simulator->ClientsServing(), 1);
    simulator->Stop();
}

TEST_F(RouterSimulatorTest, ConnectionsBeyondTheCapAreClosedAtOnce)
{
    EXPECT_EQ(TRouterSimulatorSettings{}.MaxClients, 64);
    TRouterSimulatorSettings settings;
    settings.MaxClients = 2;
    StartSimulator(settings);

    auto first = std::make_unique<TRawClient>(port);
    TRawClient second(port);
    ASSERT_NE(first->ReadUntil("name :"), "");
    ASSERT_NE(second.ReadUntil("name :"), "");
    TRawClient extra(port);
    EXPECT_EQ(extra.ReadUntil("name :"), "");
    EXPECT_TRUE(extra.Closed());
    EXPECT_EQ(simulator->ClientsRefused(), 1u);

    // Once a client has gone, its place is free again.
    first.reset();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (simulator->ClientsServing() > 1 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(simulator->ClientsServing(), 1);
    TRawClient next(port);
    EXPECT_NE(next.ReadUntil("name :"), "");
    EXPECT_EQ(simulator->ClientsRefused(), 1u);
    EXPECT_EQ(simulator->ClientsAccepted(), 4u);
}

}  // namespace
