#include "net/SocketInterface.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>

#include <netdb.h>

#include "net/SocketError.h"
#include "net/SocketErrors.h"

const char* const SocketInterfaceLoadError = "Error loading Socket interface (ws2_32.dll)!";

// Constant-initialised, so both hold their values before any code runs.
const in6_addr IPv6AnyAddress = IN6ADDR_ANY_INIT;
const in6_addr IPv6LoopbackAddress = IN6ADDR_LOOPBACK_INIT;

namespace {

// Guards the load count; never contended in this program.
std::mutex& InterfaceLock()
{
    static std::mutex lock;
    return lock;
}

int gLoadCount = 0;

// One getaddrinfo lookup for one family (AF_INET, AF_INET6 or AF_UNSPEC).
int LookupAddress(TVarSin& sin, const std::string& host, const std::string& port, int af, int sockType, int protocol)
{
    std::memset(&sin, 0, sizeof sin);
    addrinfo hints{};
    hints.ai_family = af;
    hints.ai_socktype = sockType;
    hints.ai_protocol = protocol;
    const char* node = host.c_str();
    const char* service = port.c_str();
    if (sockType == SOCK_RAW) {
        // Raw sockets have no ports: only the host is looked up.
        hints.ai_socktype = 0;
        hints.ai_protocol = 0;
        service = nullptr;
    } else if (host == "0.0.0.0" || host == "::0") {
        node = nullptr;
        hints.ai_flags = AI_PASSIVE;
    } else if (host == "127.0.0.1" || host == "::1") {
        // No host with a service gives the loopback address of the family.
        node = nullptr;
    }
    addrinfo* result = nullptr;
    const int rc = getaddrinfo(node, service, &hints, &result);
    const int savedErrno = errno;
    if (rc == 0 && result != nullptr && result->ai_addr != nullptr) {
        const std::size_t length = std::min<std::size_t>(result->ai_addrlen, sizeof sin);
        std::memcpy(&sin, result->ai_addr, length);
    }
    if (result != nullptr)
        freeaddrinfo(result);
    return ResolverErrorToSocketError(rc, savedErrno);
}

}  // namespace

socklen_t SizeOfVarSin(const TVarSin& sin)
{
    switch (sin.sa.sa_family) {
    case AF_INET:
        return sizeof(sockaddr_in);
    case AF_INET6:
        return sizeof(sockaddr_in6);
    default:
        return 0;
    }
}

bool LoadSocketInterface(const std::string& /*libraryName*/)
{
    // The socket functions are linked into the program: there is nothing to
    // load, only the count to keep.
    std::lock_guard<std::mutex> guard(InterfaceLock());
    ++gLoadCount;
    return true;
}

bool UnloadSocketInterface()
{
    std::lock_guard<std::mutex> guard(InterfaceLock());
    if (gLoadCount > 0)
        --gLoadCount;
    return true;
}

int SocketInterfaceLoadCount()
{
    std::lock_guard<std::mutex> guard(InterfaceLock());
    return gLoadCount;
}

bool EnhancedApi()
{
    return SocketInterfaceLoadCount() > 0;
}

void SocketStartup()
{
    if (!LoadSocketInterface("ws2_32.dll"))
        throw ESocketError(SocketInterfaceLoadError, 0, SocketInterfaceLoadError);
}

void SocketCleanup()
{
    UnloadSocketInterface();
}

int FillSocketAddress(TVarSin& sin, const std::string& host, const std::string& port, TSocketFamily family,
                      bool preferIP4, int sockType, int protocol)
{
    std::memset(&sin, 0, sizeof sin);
    if (family == SF_IP4)
        return LookupAddress(sin, host, port, AF_INET, sockType, protocol);
    if (family == SF_IP6)
        return LookupAddress(sin, host, port, AF_INET6, sockType, protocol);
    const int first = preferIP4 ? AF_INET : AF_INET6;
    const int second = preferIP4 ? AF_INET6 : AF_INET;
    int code = LookupAddress(sin, host, port, first, sockType, protocol);
    if (code != 0) {
        TVarSin other;
        code = LookupAddress(other, host, port, second, sockType, protocol);
        if (code == 0)
            sin = other;
    }
    return code;
}

std::string GetSinIP(const TVarSin& sin)
{
    const socklen_t length = SizeOfVarSin(sin);
    if (length == 0)
        return {};
    char host[NI_MAXHOST] = {};
    if (getnameinfo(&sin.sa, length, host, sizeof host, nullptr, 0, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return {};
    return host;
}

int GetSinPort(const TVarSin& sin)
{
    switch (sin.sa.sa_family) {
    case AF_INET:
        return ntohs(sin.in4.sin_port);
    case AF_INET6:
        return ntohs(sin.in6.sin6_port);
    default:
        return 0;
    }
}

uint32_t MillisecondTick()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

uint32_t TickDifference(uint32_t oldTick, uint32_t newTick)
{
    // Unsigned subtraction is exact across one wrap-around.
    return newTick - oldTick;
}
