#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

// A bare TCP client for looking at exactly what a server sends.
class TRawClient {
public:
    explicit TRawClient(uint16_t port)
    {
        fFd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fFd);
            fFd = -1;
        }
    }
    ~TRawClient()
    {
        if (fFd >= 0)
            ::close(fFd);
    }
    TRawClient(const TRawClient&) = delete;
    TRawClient& operator=(const TRawClient&) = delete;

    bool Connected() const { return fFd >= 0; }

    void Send(const std::string& bytes) { ::send(fFd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

    // Everything received until text has arrived (included), the peer closed,
    // or a generous 5 s passed; the bytes after text stay for the next call.
    std::string ReadUntil(const std::string& text)
    {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            const std::size_t found = FPending.find(text);
            if (found != std::string::npos) {
                std::string head = FPending.substr(0, found + text.size());
                FPending.erase(0, found + text.size());
                return head;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(give_up - std::chrono::steady_clock::now());
            pollfd p{fFd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                break;
            char chunk[4096];
            const ssize_t n = ::recv(fFd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                FClosed = true;
                break;
            }
            FPending.append(chunk, static_cast<std::size_t>(n));
        }
        std::string all;
        all.swap(FPending);
        return all;
    }

    bool Closed() const { return FClosed; }

private:
    int fFd = -1;
    std::string FPending;
    bool FClosed = false;
};
