#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

// One end of a connection accepted by a TScriptedRouter.
class TScriptedConnection {
public:
    TScriptedConnection(int fd, const std::atomic<bool>& stop) : fFd(fd), FStop(stop) {}

    bool Stopped() const { return FStop.load(); }

    bool Send(const std::string& bytes)
    {
        return ::send(fFd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }

    // Reads until text arrived (true), or the peer closed, the router is being
    // stopped or 5 s passed (false).
    bool ReadUntil(const std::string& text)
    {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (FReceived.find(text) == std::string::npos) {
            if (Stopped() || std::chrono::steady_clock::now() >= giveUp)
                return false;
            pollfd p{fFd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char chunk[4096];
            const ssize_t n = ::recv(fFd, chunk, sizeof chunk, 0);
            if (n <= 0)
                return false;
            FReceived.append(chunk, static_cast<std::size_t>(n));
        }
        FReceived.erase(0, FReceived.find(text) + text.size());
        return true;
    }

    // Logs the client in the way the router does, without any negotiation.
    bool Login()
    {
        return Send("Username : ") && ReadUntil("\r\n") && Send("Password : ") && ReadUntil("\r\n") &&
               Send("\r\n{Administrator}=>") && ReadUntil("xdsl debug bitloadinginfo\r\n");
    }

private:
    int fFd;
    const std::atomic<bool>& FStop;
    std::string FReceived;
};

// A router on loopback that plays a script to the first client that
// connects, for odd behaviour the simulator does not show. The script
// should return once Stopped() is true.
class TScriptedRouter {
public:
    using TScript = std::function<void(TScriptedConnection&)>;

    explicit TScriptedRouter(TScript script) : FScript(std::move(script))
    {
        fListenFd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fListenFd, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(fListenFd, 4);
        ::getsockname(fListenFd, reinterpret_cast<sockaddr*>(&address), &length);
        fPort = ntohs(address.sin_port);
        FThread = std::thread([this] {
            const int fd = ::accept(fListenFd, nullptr, nullptr);
            if (fd < 0)
                return;
            TScriptedConnection connection(fd, FStop);
            FScript(connection);
            ::close(fd);
        });
    }

    ~TScriptedRouter()
    {
        FStop = true;
        ::shutdown(fListenFd, SHUT_RDWR);
        FThread.join();
        ::close(fListenFd);
    }

    TScriptedRouter(const TScriptedRouter&) = delete;
    TScriptedRouter& operator=(const TScriptedRouter&) = delete;

    uint16_t Port() const { return fPort; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(fPort); }

private:
    TScript FScript;
    int fListenFd = -1;
    uint16_t fPort = 0;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};
