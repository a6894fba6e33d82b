#pragma once

#include <functional>
#include <string>
#include <thread>

#include <sys/socket.h>

// The server end of one accepted test connection.
class TestPeer {
public:
    explicit TestPeer(int fd) : fFd(fd) {}
    int Fd() const { return fFd; }
    // Sends all bytes; false once the client has gone.
    bool Send(const std::string& bytes);
    // Reads until `count` bytes have come, the client closes, or `timeoutMs`.
    std::string Receive(std::size_t count, int timeoutMs);
    // Reads until the client shuts down its sending side (or `timeoutMs`).
    std::string ReceiveUntilClosed(int timeoutMs);

private:
    int fFd;
};

// A scripted server on the loopback interface, port chosen by the system.
// Each of `connections` accepted connections runs the script in a server
// thread, one after the other; the destructor waits for the thread.
class LoopbackServer {
public:
    using TScript = std::function<void(TestPeer& peer, int index)>;

    explicit LoopbackServer(TScript script, int connections = 1, int family = AF_INET);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::string Port() const { return std::to_string(fPort); }
    bool Ok() const { return FListener != -1; }

private:
    int FListener = -1;
    int fPort = 0;
    std::thread FThread;
};

// True when the machine can listen on ::1.
bool HaveIPv6Loopback();
