#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include <netinet/in.h>
#include <unistd.h>

#include "LoopbackServer.h"
#include "TelnetBytes.h"
#include "net/SocketErrors.h"
#include "net/TelnetSend.h"

using namespace std::chrono_literals;
using namespace telnet;

namespace {

// A session pointed at a test server, with a short time-out.
void Aim(TTelnetSend& session, const LoopbackServer& server, int timeout = 2000)
{
    session.SetTargetHost("127.0.0.1");
    session.SetTargetPort(server.Port());
    session.SetTimeout(timeout);
}

}  // namespace

TEST(TelnetSend, Defaults)
{
    TTelnetSend session;
    EXPECT_EQ(session.TargetHost(), "127.0.0.1");
    EXPECT_EQ(session.TargetPort(), "23");
    EXPECT_EQ(session.IPInterface(), "0.0.0.0");
    EXPECT_EQ(session.Timeout(), 60000);
    EXPECT_EQ(session.UserName(), "");
    EXPECT_EQ(session.Password(), "");
    EXPECT_EQ(session.TermType(), "DUMB");
    EXPECT_EQ(session.SessionLog(), "");
    EXPECT_EQ(session.FilterState(), FS_Data);
    EXPECT_EQ(session.Sock().SocketHandle(), -1);
    EXPECT_FALSE(session.Sock().RaiseExcept());
}

TEST(TelnetSend, NegotiationIsAnsweredOnTheWire)
{
    std::promise<std::string> answers;
    auto answersFuture = answers.get_future();
    LoopbackServer server([&answers](TestPeer& peer, int) {
        peer.Send(Bytes({IAC, DO, 24, IAC, WILL, 1, IAC, WILL, 3, IAC, DO, 31}) + "Username" +
                  Bytes({IAC, SB, 24, 1, IAC, SE}) + " name :");
        answers.set_value(peer.Receive(3 * 4 + 10, 5000));
        peer.ReceiveUntilClosed(5000);
    });
    TTelnetSend session;
    Aim(session, server);
    ASSERT_TRUE(session.Login());
    EXPECT_TRUE(session.WaitFor("name :"));
    EXPECT_EQ(answersFuture.get(), Bytes({IAC, WILL, 24, IAC, DONT, 1, IAC, DO, 3, IAC, WONT, 31}) +
                                       Bytes({IAC, SB, 24, 0, 'D', 'U', 'M', 'B', IAC, SE}));
    EXPECT_EQ(session.SessionLog(), "Username name :");
    session.Logout();
}

TEST(TelnetSend, CommandSplitOverSeveralChunksIsAnsweredOnce)
{
    std::promise<std::string> answers;
    auto answersFuture = answers.get_future();
    LoopbackServer server([&answers](TestPeer& peer, int) {
        peer.Send(Bytes({IAC}));
        std::this_thread::sleep_for(30ms);
        peer.Send(Bytes({DO}));
        std::this_thread::sleep_for(30ms);
        peer.Send(Bytes({24}) + "abc" + Bytes({IAC}));
        std::this_thread::sleep_for(30ms);
        peer.Send(Bytes({IAC}) + "def=>");
        // Everything the client sent until it closed.
        answers.set_value(peer.ReceiveUntilClosed(5000));
    });
    TTelnetSend session;
    Aim(session, server);
    ASSERT_TRUE(session.Login());
    EXPECT_EQ(session.ReceiveUntil("=>"), "abc" + Bytes({255}) + "def");
    session.Logout();
    EXPECT_EQ(answersFuture.get(), Bytes({IAC, WILL, 24}));
}

TEST(TelnetSend, SendDoublesIAC)
{
    std::promise<std::string> received;
    auto receivedFuture = received.get_future();
    LoopbackServer server([&received](TestPeer& peer, int) { received.set_value(peer.ReceiveUntilClosed(5000)); });
    TTelnetSend session;
    Aim(session, server);
    ASSERT_TRUE(session.Login());
    session.Send("plain\r\n");
    session.Send("");
    session.Send(Bytes({'a', 255, 'b', 255, 255}));
    EXPECT_EQ(session.Sock().LastErrorCode(), 0);
    session.Logout();
    EXPECT_EQ(receivedFuture.get(), "plain\r\n" + Bytes({'a', 255, 255, 'b', 255, 255, 255, 255}));
}

TEST(TelnetSend, WaitForResults)
{
    LoopbackServer server([](TestPeer& peer, int) {
        peer.Send("=>first");
        peer.Receive(1, 5000);
        peer.Send(" text name :Y");
        peer.ReceiveUntilClosed(5000);
    });
    TTelnetSend session;
    Aim(session, server);
    ASSERT_TRUE(session.Login());
    // The awaited text as the very first bytes: consumed, but false.
    EXPECT_FALSE(session.WaitFor("=>"));
    EXPECT_EQ(session.Sock().LastErrorCode(), 0);
    session.Send("g");
    EXPECT_TRUE(session.WaitFor("name :"));
    EXPECT_EQ(session.Sock().InputBuffer(), "Y");
    session.Logout();
}

TEST(TelnetSend, ReceiveUntilTimeoutThenFindsThePartialText)
{
    LoopbackServer server([](TestPeer& peer, int) {
        peer.Send("xdsl reply");
        peer.Receive(1, 5000);
        peer.Send(Bytes({IAC, WILL, 1}) + " end\r\n=>");
        peer.ReceiveUntilClosed(5000);
    });
    TTelnetSend session;
    Aim(session, server, 200);
    ASSERT_TRUE(session.Login());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session.ReceiveUntil("=>"), "");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 150ms);
    EXPECT_LT(elapsed, 3s);
    EXPECT_EQ(session.Sock().LastErrorCode(), sockerr::TimedOut);
    EXPECT_FALSE(session.WaitFor(""));
    session.Send("g");
    EXPECT_EQ(session.ReceiveUntil("=>"), "xdsl reply end\r\n");
    session.Logout();
}

TEST(TelnetSend, LoginOnAConnectedSessionDrainsTheOldConnection)
{
    std::promise<std::string> secondAnswers;
    auto secondAnswersFuture = secondAnswers.get_future();
    LoopbackServer server(
        [&secondAnswers](TestPeer& peer, int index) {
            if (index == 0) {
                peer.Send("old" + Bytes({IAC, DO}));
                peer.ReceiveUntilClosed(5000);  // until the client's shutdown
            } else {
                peer.Send(Bytes({1}) + "new=>");
                secondAnswers.set_value(peer.ReceiveUntilClosed(5000));
            }
        },
        2);
    TTelnetSend session;
    Aim(session, server);
    ASSERT_TRUE(session.Login());
    while (session.Sock().BytesWaiting() < 5)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(session.Login());
    // The log was cleared before the old connection was drained into it.
    EXPECT_EQ(session.SessionLog(), "old");
    // The command cut off by the close does not swallow the first byte of the
    // new connection.
    EXPECT_EQ(session.FilterState(), FS_Data);
    EXPECT_EQ(session.ReceiveUntil("=>"), Bytes({1}) + "new");
    EXPECT_EQ(session.SessionLog(), "old" + Bytes({1}) + "new=>");
    session.Logout();
    EXPECT_EQ(secondAnswersFuture.get(), "");
}

TEST(TelnetSend, LoginFailures)
{
    // Bound but not listening: refused.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    TTelnetSend session;
    session.SetTargetPort(std::to_string(ntohs(address.sin_port)));
    EXPECT_FALSE(session.Login());
    EXPECT_EQ(session.Sock().LastErrorCode(), sockerr::ConnectionRefused);
    // Waiting on the failed session ends at once with an error.
    session.SetTimeout(100);
    EXPECT_FALSE(session.WaitFor("=>"));
    EXPECT_NE(session.Sock().LastErrorCode(), 0);
    ::close(fd);

    session.SetTargetHost("quillmont-router.invalid");
    EXPECT_FALSE(session.Login());
    EXPECT_GE(session.Sock().LastErrorCode(), 11001);
    EXPECT_LE(session.Sock().LastErrorCode(), 11004);
}

TEST(TelnetSend, ReplyThatCannotBeSentEndsTheWait)
{
    LoopbackServer server([](TestPeer& peer, int) {
        peer.Send("x");
        peer.Receive(1, 5000);
        ::shutdown(peer.Fd(), SHUT_RD);
        peer.Send("more" + Bytes({IAC, DO, 24, IAC, WILL, 1, IAC, DO, 3}));
        peer.ReceiveUntilClosed(5000);
    });
    TTelnetSend session;
    Aim(session, server);
    ASSERT_TRUE(session.Login());
    while (session.Sock().BytesWaiting() < 1)
        std::this_thread::sleep_for(1ms);
    // Our own sending side is shut down: the reply to DO 24 must fail, and
    // the replies after it in the same chunk are not tried.
    session.Send("g");
    ::shutdown(session.Sock().SocketHandle(), SHUT_WR);
    int writes = 0;
    session.Sock().SetOnMonitor([&writes](TBlockSocket&, bool writing, const void*, int) { writes += writing; });
    EXPECT_EQ(session.ReceiveUntil("=>"), "");
    EXPECT_EQ(session.Sock().LastErrorCode(), sockerr::Shutdown);
    EXPECT_EQ(session.Sock().InputBuffer(), "xmore");
    EXPECT_EQ(writes, 1);
    session.Sock().SetOnMonitor(nullptr);
}

TEST(TelnetSend, DestructorClosesAnOpenConnection)
{
    std::promise<std::string> received;
    auto receivedFuture = received.get_future();
    LoopbackServer server([&received](TestPeer& peer, int) {
        peer.Send(Bytes({IAC, DO, 24}));
        received.set_value(peer.ReceiveUntilClosed(5000));
    });
    {
        TTelnetSend session;
        Aim(session, server);
        ASSERT_TRUE(session.Login());
        while (session.Sock().BytesWaiting() < 3)
            std::this_thread::sleep_for(1ms);
    }
    // The close came; the negotiation drained at close went through the
    // filter, but its reply could not go out on the shut-down sending side.
    EXPECT_EQ(receivedFuture.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(receivedFuture.get(), "");
}
