#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <unistd.h>

#include "LoopbackServer.h"
#include "net/SocketError.h"
#include "net/SocketErrors.h"
#include "net/TCPBlockSocket.h"

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Waits (bounded) until the socket holds unread bytes.
bool WaitForBytes(TBlockSocket& sock, int minimum = 1)
{
    const auto start = Clock::now();
    while (sock.BytesWaiting() < minimum) {
        if (MsSince(start) > 5000)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// A port on 127.0.0.1 that is bound but not listening: connects are refused.
class ClosedPort {
public:
    ClosedPort()
    {
        fFd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fFd, reinterpret_cast<sockaddr*>(&address), &length);
        fPort = ntohs(address.sin_port);
    }
    ~ClosedPort() { ::close(fFd); }
    std::string Port() const { return std::to_string(fPort); }

private:
    int fFd;
    int fPort;
};

// A listener whose accept queue is full: further connects get no answer.
class SilentListener {
public:
    SilentListener()
    {
        fFd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fFd, 0);
        socklen_t length = sizeof address;
        ::getsockname(fFd, reinterpret_cast<sockaddr*>(&address), &length);
        fPort = std::to_string(ntohs(address.sin_port));
        // Fill the queue with connections that are never accepted.
        for (int i = 0; i < 4; ++i) {
            auto filler = std::make_unique<TTCPBlockSocket>();
            filler->SetConnectTimeout(200);
            filler->ConnectTo("127.0.0.1", fPort);
            const bool connected = filler->LastErrorCode() == 0;
            FFillers.push_back(std::move(filler));
            if (!connected)
                break;
        }
    }
    ~SilentListener() { ::close(fFd); }
    const std::string& Port() const { return fPort; }
    bool Full() const { return !FFillers.empty() && FFillers.back()->LastErrorCode() == sockerr::TimedOut; }

private:
    int fFd;
    std::string fPort;
    std::vector<std::unique_ptr<TTCPBlockSocket>> FFillers;
};

}  // namespace

// ---------------------------------------------------------------- buffer semantics

TEST(ReadUntil, UsesBufferedTextFirstAndKeepsTheRest)
{
    TTCPBlockSocket sock;  // no connection: the buffer alone must do
    sock.SetInputBuffer("abc=>def");
    EXPECT_EQ(sock.ReadUntil(2000, "=>"), "abc");
    EXPECT_EQ(sock.LastErrorCode(), 0);
    EXPECT_EQ(sock.InputBuffer(), "def");
    // An empty terminator returns at once and leaves everything alone.
    EXPECT_EQ(sock.ReadUntil(2000, ""), "");
    EXPECT_EQ(sock.LastErrorCode(), 0);
    EXPECT_EQ(sock.InputBuffer(), "def");
    // The first occurrence counts; matching is case-sensitive.
    sock.SetInputBuffer("a=>b=>c");
    EXPECT_EQ(sock.ReadUntil(2000, "=>"), "a");
    sock.SetInputBuffer("xNAME :name :");
    EXPECT_EQ(sock.ReadUntil(2000, "name :"), "xNAME :");
}

TEST(ReadUntil, MatchAcrossChunksAndLeftoverForTheNextCall)
{
    LoopbackServer server([](TestPeer& peer, int) {
        peer.Send("some text na");
        peer.Receive(1, 5000);  // the client asks for the rest
        peer.Send("me :X");
        peer.ReceiveUntilClosed(5000);
    });
    TTCPBlockSocket sock;
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    ASSERT_TRUE(WaitForBytes(sock, 12));
    sock.WriteText("g");
    EXPECT_EQ(sock.ReadUntil(2000, "name :"), "some text ");
    EXPECT_EQ(sock.InputBuffer(), "X");
    sock.CloseConnection();
}

TEST(ReadUntil, TimeoutKeepsAccumulatedText)
{
    LoopbackServer server([](TestPeer& peer, int) {
        peer.Send("partial");
        peer.Receive(1, 5000);
        peer.Send(" line=>tail");
        peer.ReceiveUntilClosed(5000);
    });
    TTCPBlockSocket sock;
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    const auto start = Clock::now();
    EXPECT_EQ(sock.ReadUntil(200, "=>"), "");
    const auto elapsed = MsSince(start);
    EXPECT_GE(elapsed, 150);
    EXPECT_LT(elapsed, 3000);
    EXPECT_EQ(sock.LastErrorCode(), sockerr::TimedOut);
    EXPECT_EQ(sock.LastErrorText(), "Connection timed out");
    EXPECT_EQ(sock.InputBuffer(), "partial");
    sock.WriteText("g");
    EXPECT_EQ(sock.ReadUntil(2000, "=>"), "partial line");
    EXPECT_EQ(sock.InputBuffer(), "tail");
    sock.CloseConnection();
}

TEST(ReadUntil, InterPacketTimeoutDecidesWhetherATrickleKeepsItWaiting)
{
    auto trickle = [](TestPeer& peer, int) {
        for (int i = 0; i < 8; ++i) {
            std::this_thread::sleep_for(100ms);
            if (!peer.Send("."))
                return;
        }
        peer.Send("=>");
        peer.ReceiveUntilClosed(5000);
    };
    {
        LoopbackServer server(trickle);
        TTCPBlockSocket sock;
        sock.ConnectTo("127.0.0.1", server.Port());
        ASSERT_EQ(sock.LastErrorCode(), 0);
        // Chunks come well within the time-out: the call outlasts it.
        EXPECT_EQ(sock.ReadUntil(400, "=>"), "........");
        EXPECT_EQ(sock.LastErrorCode(), 0);
        sock.CloseConnection();
    }
    {
        LoopbackServer server(trickle);
        TTCPBlockSocket sock;
        sock.SetInterPacketTimeout(false);
        sock.ConnectTo("127.0.0.1", server.Port());
        ASSERT_EQ(sock.LastErrorCode(), 0);
        const auto start = Clock::now();
        EXPECT_EQ(sock.ReadUntil(400, "=>"), "");
        EXPECT_EQ(sock.LastErrorCode(), sockerr::TimedOut);
        EXPECT_LT(MsSince(start), 2000);
        EXPECT_FALSE(sock.InputBuffer().empty());
        sock.CloseConnection();
    }
}

TEST(ReadUntil, NoLimitStaysWithoutLimitWhenTheWholeCallIsTimed)
{
    LoopbackServer server([](TestPeer& peer, int) {
        peer.Send("a");
        std::this_thread::sleep_for(100ms);
        peer.Send("b=>");
        peer.ReceiveUntilClosed(5000);
    });
    TTCPBlockSocket sock;
    sock.SetInterPacketTimeout(false);
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    ASSERT_TRUE(WaitForBytes(sock));
    EXPECT_EQ(sock.ReadUntil(-1, "=>"), "ab");
    EXPECT_EQ(sock.LastErrorCode(), 0);
    sock.CloseConnection();
}

TEST(ReadUntil, PeerCloseKeepsReceivedText)
{
    LoopbackServer server([](TestPeer& peer, int) { peer.Send("bye"); });
    TTCPBlockSocket sock;
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    EXPECT_EQ(sock.ReadUntil(2000, "=>"), "");
    EXPECT_EQ(sock.LastErrorCode(), sockerr::ConnectionReset);
    EXPECT_EQ(sock.InputBuffer(), "bye");
}

TEST(ReadUntil, MaxLineLength)
{
    LoopbackServer server([](TestPeer& peer, int) {
        peer.Send("0123456789A");
        peer.ReceiveUntilClosed(5000);
    });
    TTCPBlockSocket sock;
    sock.SetMaxLineLength(10);
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    ASSERT_TRUE(WaitForBytes(sock, 11));
    EXPECT_EQ(sock.ReadUntil(2000, "=>"), "");
    EXPECT_EQ(sock.LastErrorCode(), sockerr::NoBufferSpace);
    EXPECT_EQ(sock.LastErrorText(), "No Buffer space available");
    EXPECT_EQ(sock.InputBuffer(), "0123456789A");
    // A line within the limit is found even when more text came with it.
    sock.SetInputBuffer("0123456789=>and a long tail");
    EXPECT_EQ(sock.ReadUntil(2000, "=>"), "0123456789");
    EXPECT_EQ(sock.LastErrorCode(), 0);
}

TEST(ReadUntil, MaxLineLengthBoundsAFlood)
{
    constexpr int limit = 1 << 20;
    LoopbackServer server([](TestPeer& peer, int) {
        const std::string block(64 * 1024, 'f');
        for (int i = 0; i < 128; ++i)  // 8 MiB unless the client goes away
            if (!peer.Send(block))
                return;
    });
    TTCPBlockSocket sock;
    sock.SetMaxLineLength(limit);
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    EXPECT_EQ(sock.ReadUntil(5000, "=>"), "");
    EXPECT_EQ(sock.LastErrorCode(), sockerr::NoBufferSpace);
    EXPECT_LE(sock.InputBuffer().size(), static_cast<std::size_t>(limit + TBlockSocket::MaxReadChunk));
    // A second call does not read on: the buffer alone is already too long.
    const auto received = sock.RecvCounter();
    EXPECT_EQ(sock.ReadUntil(5000, "=>"), "");
    EXPECT_EQ(sock.LastErrorCode(), sockerr::NoBufferSpace);
    EXPECT_EQ(sock.RecvCounter(), received);
    sock.AbortConnection();
}

TEST(ReadUntil, ConvertLineEndAcceptsEveryLineEndForm)
{
    LoopbackServer server([](TestPeer& peer, int) {
        peer.Send("one\r");
        peer.Receive(1, 5000);
        peer.Send("\ntwo\nthree\n\rfour\r\n");
        peer.ReceiveUntilClosed(5000);
    });
    TTCPBlockSocket sock;
    sock.SetConvertLineEnd(true);
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    ASSERT_TRUE(WaitForBytes(sock, 4));
    EXPECT_EQ(sock.ReadUntil(2000, "\r\n"), "one");
    sock.WriteText("g");
    // The LF that completes the split CR LF is dropped.
    EXPECT_EQ(sock.ReadUntil(2000, "\r\n"), "two");
    EXPECT_EQ(sock.ReadUntil(2000, "\r\n"), "three");
    EXPECT_EQ(sock.ReadUntil(2000, "\r\n"), "four");
    EXPECT_EQ(sock.InputBuffer(), "");
    sock.CloseConnection();
}

TEST(ReadUntil, SplitLfCrSurvivesAChunkTheFilterEmpties)
{
    LoopbackServer server([](TestPeer& peer, int) {
        peer.Send("one\n");
        peer.Receive(1, 5000);
        peer.Send("#");
        peer.Receive(1, 5000);
        peer.Send("\rtwo\r\n");
        peer.ReceiveUntilClosed(5000);
    });
    TTCPBlockSocket sock;
    sock.SetConvertLineEnd(true);
    sock.SetOnReadFilter([](TBlockSocket&, std::string& value) {
        if (value == "#")
            value.clear();
    });
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    ASSERT_TRUE(WaitForBytes(sock, 4));
    EXPECT_EQ(sock.ReadUntil(2000, "\r\n"), "one");
    sock.WriteText("g");
    ASSERT_TRUE(WaitForBytes(sock, 1));
    EXPECT_EQ(sock.ReadPacket(2000), "");
    sock.WriteText("g");
    // The CR that completes the LF CR split over three chunks is dropped.
    EXPECT_EQ(sock.ReadUntil(2000, "\r\n"), "two");
    EXPECT_EQ(sock.InputBuffer(), "");
    sock.CloseConnection();
}

// ---------------------------------------------------------------- read filter

TEST(ReadFilter, EmptiedChunkIsNoErrorAndLongerResultIsCut)
{
    LoopbackServer server([](TestPeer& peer, int) {
        peer.Send("drop");
        peer.Receive(1, 5000);
        peer.Send("abc");
        peer.ReceiveUntilClosed(5000);
    });
    int calls = 0;
    TTCPBlockSocket sock;
    sock.SetOnReadFilter(
        [&calls](TBlockSocket&, std::string& value) { value = ++calls == 1 ? std::string() : value + "EXTRA"; });
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    ASSERT_TRUE(WaitForBytes(sock, 4));
    EXPECT_EQ(sock.ReadPacket(2000), "");
    EXPECT_EQ(sock.LastErrorCode(), 0);
    sock.WriteText("g");
    EXPECT_EQ(sock.ReadPacket(2000), "abc");
    sock.CloseConnection();
}

// ---------------------------------------------------------------- stopping

TEST(StopFlag, HeartbeatEndsATrickle)
{
    std::atomic<bool> clientGone{false};
    LoopbackServer server([&clientGone](TestPeer& peer, int) {
        for (int i = 0; i < 500 && !clientGone; ++i) {
            if (!peer.Send("."))
                return;
            std::this_thread::sleep_for(10ms);
        }
    });
    TTCPBlockSocket sock;
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    const auto start = Clock::now();
    int beats = 0;
    sock.SetHeartbeatRate(50);
    sock.SetOnHeartbeat([&](TBlockSocket& sender) {
        ++beats;
        if (MsSince(start) >= 300)
            sender.SetStopFlag(true);
    });
    EXPECT_EQ(sock.ReadUntil(2000, "=>"), "");
    const auto elapsed = MsSince(start);
    clientGone = true;
    EXPECT_EQ(sock.LastErrorCode(), sockerr::ConnectionAborted);
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 1500);
    EXPECT_FALSE(sock.StopFlag());
    EXPECT_GT(beats, 0);
    EXPECT_FALSE(sock.InputBuffer().empty());
    sock.AbortConnection();
}

TEST(StopFlag, HeartbeatEndsASilentWait)
{
    LoopbackServer server([](TestPeer& peer, int) { peer.ReceiveUntilClosed(10000); });
    TTCPBlockSocket sock;
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    const auto start = Clock::now();
    sock.SetHeartbeatRate(40);
    sock.SetOnHeartbeat([&](TBlockSocket& sender) {
        if (MsSince(start) >= 200)
            sender.SetStopFlag(true);
    });
    EXPECT_EQ(sock.ReadUntil(-1, "=>"), "");
    EXPECT_EQ(sock.LastErrorCode(), sockerr::ConnectionAborted);
    EXPECT_LT(MsSince(start), 2000);
    sock.CloseConnection();
}

TEST(StopFlag, SetBeforeAReadOrWriteEndsIt)
{
    TTCPBlockSocket sock;
    sock.SetStopFlag(true);
    char buffer[4];
    EXPECT_EQ(sock.ReadRaw(buffer, 4), 0);
    EXPECT_EQ(sock.LastErrorCode(), sockerr::ConnectionAborted);
    EXPECT_FALSE(sock.StopFlag());
    sock.SetStopFlag(true);
    EXPECT_EQ(sock.WriteBytes("x", 1), 0);
    EXPECT_EQ(sock.LastErrorCode(), sockerr::ConnectionAborted);
}

TEST(Timeouts, WithoutHeartbeatReturnsAfterAboutTheTimeout)
{
    LoopbackServer server([](TestPeer& peer, int) { peer.ReceiveUntilClosed(10000); });
    TTCPBlockSocket sock;
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    for (int rate : {0, 70}) {
        sock.SetHeartbeatRate(rate);
        const auto start = Clock::now();
        EXPECT_FALSE(sock.WaitReadable(250));
        const auto elapsed = MsSince(start);
        EXPECT_GE(elapsed, 200) << rate;
        EXPECT_LT(elapsed, 2000) << rate;
    }
    // A zero time-out polls, also with heartbeats on (no slice is waited).
    sock.SetHeartbeatRate(1000);
    const auto start = Clock::now();
    EXPECT_EQ(sock.ReadPacket(0), "");
    EXPECT_EQ(sock.LastErrorCode(), sockerr::TimedOut);
    EXPECT_LT(MsSince(start), 500);
    sock.CloseConnection();
}

TEST(Timeouts, ANegativeHeartbeatRateCountsAsNone)
{
    // The check that follows the timed-out wait must not wait without limit.
    LoopbackServer server([](TestPeer& peer, int) { peer.ReceiveUntilClosed(10000); });
    TTCPBlockSocket sock;
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    sock.SetHeartbeatRate(-5);
    int heartbeats = 0;
    sock.SetOnHeartbeat([&](TBlockSocket&) { ++heartbeats; });
    auto wait = std::async(std::launch::async, [&] { return sock.WaitReadable(100); });
    const bool ended = wait.wait_for(5s) == std::future_status::ready;
    if (!ended)
        ::shutdown(sock.SocketHandle(), SHUT_RDWR);  // wakes the wait, so that the test can end
    EXPECT_TRUE(ended);
    EXPECT_FALSE(wait.get());
    EXPECT_EQ(heartbeats, 0);
    sock.CloseConnection();
}

// ---------------------------------------------------------------- connecting

TEST(Connect, RefusedPort)
{
    ClosedPort closed;
    TTCPBlockSocket sock;
    sock.ConnectTo("127.0.0.1", closed.Port());
    EXPECT_EQ(sock.LastErrorCode(), sockerr::ConnectionRefused);
    EXPECT_EQ(sock.LastErrorText(), "Connection refused");
    // The handle stays until the close, which is immediate after a failure.
    EXPECT_NE(sock.SocketHandle(), -1);
    sock.CloseConnection();
    EXPECT_EQ(sock.SocketHandle(), -1);
}

TEST(Connect, UnknownHost)
{
    TTCPBlockSocket sock;
    sock.ConnectTo("quillmont-nowhere.invalid", "23");
    EXPECT_GE(sock.LastErrorCode(), 11001);
    EXPECT_LE(sock.LastErrorCode(), 11004);
    EXPECT_EQ(sock.SocketHandle(), -1);
}

TEST(Connect, UnansweredConnectEndsAtTheConnectTimeout)
{
    SilentListener listener;
    if (!listener.Full())
        GTEST_SKIP() << "could not fill the accept queue";
    TTCPBlockSocket sock;
    sock.SetConnectTimeout(300);
    const auto start = Clock::now();
    sock.ConnectTo("127.0.0.1", listener.Port());
    const auto elapsed = MsSince(start);
    EXPECT_EQ(sock.LastErrorCode(), sockerr::TimedOut);
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 3000);
    EXPECT_EQ(TTCPBlockSocket().ConnectTimeout(), 21000);
}

TEST(Connect, ConnectThatGaveUpIsNotPursuedByLaterOperations)
{
    SilentListener listener;
    if (!listener.Full())
        GTEST_SKIP() << "could not fill the accept queue";
    TTCPBlockSocket sock;
    sock.SetConnectTimeout(200);
    sock.SetNonblockSendTimeout(3000);
    sock.ConnectTo("127.0.0.1", listener.Port());
    ASSERT_EQ(sock.LastErrorCode(), sockerr::TimedOut);
    // The connect has failed: a send must not wait for it to complete after
    // all, and a read must not wait for data from it.
    auto start = Clock::now();
    EXPECT_EQ(sock.WriteBytes("user\r\n", 6), 0);
    EXPECT_NE(sock.LastErrorCode(), 0);
    EXPECT_LT(MsSince(start), 1500);
    start = Clock::now();
    EXPECT_EQ(sock.ReadUntil(3000, "=>"), "");
    EXPECT_NE(sock.LastErrorCode(), 0);
    EXPECT_LT(MsSince(start), 1500);
    sock.CloseConnection();
    EXPECT_EQ(sock.SocketHandle(), -1);
}

TEST(Connect, HeartbeatCanStopAConnect)
{
    SilentListener listener;
    if (!listener.Full())
        GTEST_SKIP() << "could not fill the accept queue";
    TTCPBlockSocket sock;
    const auto start = Clock::now();
    sock.SetHeartbeatRate(30);
    sock.SetOnHeartbeat([&](TBlockSocket& sender) {
        if (MsSince(start) >= 150)
            sender.SetStopFlag(true);
    });
    sock.ConnectTo("127.0.0.1", listener.Port());
    EXPECT_EQ(sock.LastErrorCode(), sockerr::ConnectionAborted);
    EXPECT_LT(MsSince(start), 3000);
}

TEST(Connect, IPv6Loopback)
{
    if (!HaveIPv6Loopback())
        GTEST_SKIP() << "no IPv6 loopback";
    LoopbackServer server(
        [](TestPeer& peer, int) {
            peer.Send("six=>");
            peer.ReceiveUntilClosed(5000);
        },
        1, AF_INET6);
    ASSERT_TRUE(server.Ok());
    TTCPBlockSocket sock;
    sock.ConnectTo("::1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    EXPECT_TRUE(sock.IP6Used());
    EXPECT_EQ(sock.GetRemoteSinIP(), "::1");
    EXPECT_EQ(sock.ReadUntil(2000, "=>"), "six");
    sock.CloseConnection();
}

TEST(Connect, StatusReportsAndAddresses)
{
    LoopbackServer server([](TestPeer& peer, int) { peer.ReceiveUntilClosed(5000); });
    // Declared before the socket: its destructor still reports the close.
    std::vector<THookSocketReason> reasons;
    int created = 0;
    TTCPBlockSocket sock;
    sock.SetOnStatus([&](TBlockSocket&, THookSocketReason reason, const std::string&) { reasons.push_back(reason); });
    sock.SetOnCreateSocket([&](TBlockSocket&) { ++created; });
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    EXPECT_EQ(reasons,
              (std::vector<THookSocketReason>{HR_ResolvingBegin, HR_ResolvingEnd, HR_SocketCreate, HR_Connect}));
    EXPECT_EQ(created, 1);
    EXPECT_FALSE(sock.IP6Used());
    EXPECT_EQ(sock.GetRemoteSinIP(), "127.0.0.1");
    EXPECT_EQ(sock.GetRemoteSinPort(), std::stoi(server.Port()));
    EXPECT_GT(sock.GetLocalSinPort(), 0);
    sock.CloseConnection();
    EXPECT_EQ(reasons.back(), HR_SocketClose);
}

TEST(Bind, AnyAddressAndPortCreatesNothing)
{
    TTCPBlockSocket sock;
    sock.BindTo("0.0.0.0", "0");
    EXPECT_EQ(sock.SocketHandle(), -1);
    EXPECT_EQ(sock.LastErrorCode(), 0);
    sock.BindTo("127.0.0.1", "0");
    EXPECT_NE(sock.SocketHandle(), -1);
    EXPECT_TRUE(sock.Bound());
    EXPECT_EQ(sock.GetLocalSinIP(), "127.0.0.1");
    EXPECT_GT(sock.GetLocalSinPort(), 0);
}

TEST(Options, QueuedUntilAHandleExistsNewestFirstAndDiscardedOnClose)
{
    const auto optionValue = [](const TBlockSocket& sock, int level, int name) {
        int value = -1;
        socklen_t length = sizeof value;
        ::getsockopt(sock.SocketHandle(), level, name, &value, &length);
        return value;
    };
    TTCPBlockSocket sock;
    // Keep-alive on, then off: the newer request is applied first, so the
    // older one is what the handle ends up with.
    sock.SetSocketOption(SOL_SOCKET, SO_KEEPALIVE, 1);
    sock.SetSocketOption(SOL_SOCKET, SO_KEEPALIVE, 0);
    sock.SetSocketOption(IPPROTO_TCP, TCP_NODELAY, 1);
    EXPECT_EQ(sock.QueuedOptionCount(), 3);
    int seenByCreateHook = -1;
    sock.SetOnCreateSocket([&](TBlockSocket& s) { seenByCreateHook = optionValue(s, IPPROTO_TCP, TCP_NODELAY); });
    sock.BindTo("127.0.0.1", "0");
    ASSERT_EQ(sock.LastErrorCode(), 0);
    EXPECT_EQ(seenByCreateHook, 1);
    EXPECT_EQ(sock.QueuedOptionCount(), 0);
    EXPECT_EQ(optionValue(sock, SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(optionValue(sock, IPPROTO_TCP, TCP_NODELAY), 1);

    // With a handle an option is set at once.
    sock.SetSocketOption(SOL_SOCKET, SO_KEEPALIVE, 0);
    EXPECT_EQ(sock.QueuedOptionCount(), 0);
    EXPECT_EQ(optionValue(sock, SOL_SOCKET, SO_KEEPALIVE), 0);

    // Requests left in the queue when the socket closes do not reach the next
    // handle.
    sock.AbortConnection();
    sock.SetSocketOption(IPPROTO_TCP, TCP_NODELAY, 1);
    sock.AbortConnection();
    EXPECT_EQ(sock.QueuedOptionCount(), 0);
    sock.BindTo("127.0.0.1", "0");
    EXPECT_EQ(optionValue(sock, IPPROTO_TCP, TCP_NODELAY), 0);
}

TEST(Options, AQueuedOptionThePlatformRefusesFailsTheConnect)
{
    LoopbackServer server([](TestPeer& peer, int) { peer.ReceiveUntilClosed(2000); });
    std::vector<THookSocketReason> reasons;
    TTCPBlockSocket sock;
    sock.SetOnStatus([&](TBlockSocket&, THookSocketReason reason, const std::string&) { reasons.push_back(reason); });
    sock.SetSocketOption(SOL_SOCKET, 0x7fff, 1);  // no such option
    sock.ConnectTo("127.0.0.1", server.Port());
    EXPECT_EQ(sock.LastErrorCode(), 10042);  // "Protocol not available"
    EXPECT_NE(std::find(reasons.begin(), reasons.end(), HR_Error), reasons.end());
    EXPECT_EQ(sock.GetRemoteSinPort(), 0);
    // Without the refused option the same socket connects.
    sock.CloseConnection();
    sock.ConnectTo("127.0.0.1", server.Port());
    EXPECT_EQ(sock.LastErrorCode(), 0);
    sock.CloseConnection();
}

// ---------------------------------------------------------------- closing

TEST(Close, OrderlyCloseDrainsThroughTheFilterUnlessTheLastOperationFailed)
{
    for (const bool failFirst : {false, true}) {
        std::promise<void> sendLate;
        auto lateWanted = sendLate.get_future();
        LoopbackServer server([&lateWanted](TestPeer& peer, int) {
            peer.Send("first");
            lateWanted.wait();
            peer.Send("late");
            peer.ReceiveUntilClosed(5000);
        });
        std::string filtered;
        TTCPBlockSocket sock;
        sock.SetOnReadFilter([&filtered](TBlockSocket&, std::string& value) { filtered += value; });
        sock.ConnectTo("127.0.0.1", server.Port());
        ASSERT_EQ(sock.LastErrorCode(), 0);
        ASSERT_TRUE(WaitForBytes(sock, 5));
        if (failFirst) {
            EXPECT_EQ(sock.ReadUntil(100, "=>"), "");
            EXPECT_EQ(sock.LastErrorCode(), sockerr::TimedOut);
        }
        sendLate.set_value();
        ASSERT_TRUE(WaitForBytes(sock, failFirst ? 4 : 9));
        sock.CloseConnection();
        EXPECT_EQ(sock.SocketHandle(), -1);
        EXPECT_EQ(sock.LastErrorCode(), failFirst ? sockerr::TimedOut : 0);
        EXPECT_EQ(filtered, failFirst ? "first" : "firstlate") << failFirst;
    }
}

TEST(Close, DrainOfAStreamingPeerIsBounded)
{
    std::atomic<bool> stop{false};
    LoopbackServer server([&stop](TestPeer& peer, int) {
        const std::string block(64 * 1024, 's');
        while (!stop && peer.Send(block)) {
        }
    });
    TTCPBlockSocket sock;
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    ASSERT_TRUE(WaitForBytes(sock));
    const auto start = Clock::now();
    sock.CloseConnection();
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_EQ(sock.SocketHandle(), -1);
    EXPECT_LE(sock.RecvCounter(), static_cast<uint64_t>(TBlockSocket::MaxDrainBytes + TBlockSocket::MaxReadChunk));
    stop = true;
}

// ---------------------------------------------------------------- writing

TEST(Write, BlockedSendEndsWithTimeout)
{
    std::atomic<bool> done{false};
    LoopbackServer server([&done](TestPeer&, int) {
        while (!done)  // never reads
            std::this_thread::sleep_for(5ms);
    });
    TTCPBlockSocket sock;
    sock.SetNonblockSendTimeout(200);
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    const std::string big(64 << 20, 'w');
    const auto start = Clock::now();
    const int sent = sock.WriteBytes(big.data(), static_cast<int>(big.size()));
    const auto elapsed = MsSince(start);
    done = true;
    EXPECT_EQ(sock.LastErrorCode(), sockerr::TimedOut);
    EXPECT_LT(sent, static_cast<int>(big.size()));
    EXPECT_LT(elapsed, 10000);
    sock.AbortConnection();
}

TEST(Write, SendToAClosedPeerReportsAnErrorWithoutSignal)
{
    LoopbackServer server([](TestPeer&, int) {});
    TTCPBlockSocket sock;
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    EXPECT_EQ(sock.ReadUntil(2000, "=>"), "");  // waits for the close
    EXPECT_EQ(sock.LastErrorCode(), sockerr::ConnectionReset);
    int code = 0;
    for (int i = 0; i < 50 && code == 0; ++i) {
        sock.WriteText("data after close\r\n");
        code = sock.LastErrorCode();
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_TRUE(code == sockerr::Shutdown || code == sockerr::ConnectionReset) << code;
}

TEST(Errors, RaiseExceptOnTimeout)
{
    LoopbackServer server([](TestPeer& peer, int) {
        peer.Send("kept");
        peer.ReceiveUntilClosed(5000);
    });
    TTCPBlockSocket sock;
    sock.ConnectTo("127.0.0.1", server.Port());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    ASSERT_TRUE(WaitForBytes(sock, 4));
    sock.SetRaiseExcept(true);
    try {
        sock.ReadUntil(100, "=>");
        FAIL() << "no exception";
    } catch (const ESocketError& e) {
        EXPECT_STREQ(e.what(), "TCP/IP Socket error 10060: Connection timed out");
        EXPECT_EQ(e.ErrorCode(), 10060);
        EXPECT_EQ(e.ErrorMessage(), "Connection timed out");
    }
    // The text received before the time-out is still there.
    EXPECT_EQ(sock.InputBuffer(), "kept");
    sock.SetRaiseExcept(false);
    sock.CloseConnection();
}
