#include "net/TCPBlockSocket.h"

#include <netinet/in.h>
#include <sys/socket.h>

TTCPBlockSocket::TTCPBlockSocket() = default;

TTCPBlockSocket::~TTCPBlockSocket()
{
    try {
        CloseConnection();
    } catch (...) {
        // A status or filter hook that throws must not escape a destructor; the
        // base destructor releases a handle that is still open.
    }
}

void TTCPBlockSocket::ConnectTo(const std::string& host, const std::string& port)
{
    TBlockSocket::ConnectTo(host, port);
    if (fLastError == 0 && fOnAfterConnect)
        fOnAfterConnect(*this);
}

void TTCPBlockSocket::CloseConnection()
{
    if (fSocket != -1 && fLastError == 0) {
        ::shutdown(fSocket, SHUT_WR);
        DrainInput();
    }
    AbortConnection();
}

int TTCPBlockSocket::SocketType() const
{
    return SOCK_STREAM;
}

int TTCPBlockSocket::SocketProtocol() const
{
    return IPPROTO_TCP;
}
