#include "LoopbackServer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

namespace {

int RemainingMs(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

bool TestPeer::Send(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t r = ::send(fFd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        done += static_cast<std::size_t>(r);
    }
    return true;
}

std::string TestPeer::Receive(std::size_t count, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string result;
    while (result.size() < count) {
        pollfd entry{fFd, POLLIN, 0};
        if (::poll(&entry, 1, RemainingMs(deadline)) <= 0)
            break;
        char buffer[4096];
        const std::size_t want = std::min(sizeof buffer, count - result.size());
        const ssize_t r = ::recv(fFd, buffer, want, 0);
        if (r <= 0)
            break;
        result.append(buffer, static_cast<std::size_t>(r));
    }
    return result;
}

std::string TestPeer::ReceiveUntilClosed(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string result;
    for (;;) {
        pollfd entry{fFd, POLLIN, 0};
        if (::poll(&entry, 1, RemainingMs(deadline)) <= 0)
            break;
        char buffer[4096];
        const ssize_t r = ::recv(fFd, buffer, sizeof buffer, 0);
        if (r <= 0)
            break;
        result.append(buffer, static_cast<std::size_t>(r));
    }
    return result;
}

LoopbackServer::LoopbackServer(TScript script, int connections, int family)
{
    FListener = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FListener == -1)
        return;
    int yes = 1;
    ::setsockopt(FListener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_storage address{};
    socklen_t length;
    if (family == AF_INET6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&address);
        in6->sin6_family = AF_INET6;
        in6->sin6_addr = in6addr_loopback;
        length = sizeof *in6;
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&address);
        in4->sin_family = AF_INET;
        in4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof *in4;
    }
    if (::bind(FListener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(FListener, 8) != 0) {
        ::close(FListener);
        FListener = -1;
        return;
    }
    length = sizeof address;
    ::getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length);
    fPort = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                     : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    const int listener = FListener;
    FThread = std::thread([listener, connections, script = std::move(script)] {
        for (int index = 0; index < connections; ++index) {
            // A client that never comes must not keep the test waiting.
            pollfd entry{listener, POLLIN, 0};
            if (::poll(&entry, 1, 10000) <= 0)
                return;
            const int fd = ::accept(listener, nullptr, nullptr);
            if (fd == -1)
                return;
            TestPeer peer(fd);
            script(peer, index);
            ::close(fd);
        }
    });
}

LoopbackServer::~LoopbackServer()
{
    if (FThread.joinable())
        FThread.join();
    if (FListener != -1)
        ::close(FListener);
}

bool HaveIPv6Loopback()
{
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd == -1)
        return false;
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}
