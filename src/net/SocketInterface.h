#pragma once

#include <cstdint>
#include <string>

#include <netinet/in.h>
#include <sys/socket.h>

// Address family of new socket handles; SF_Any lets each address decide.
enum TSocketFamily { SF_Any, SF_IP4, SF_IP6 };

// One socket address of either family (16 bytes used for IPv4, 28 for IPv6).
union TVarSin {
    sockaddr sa;
    sockaddr_in in4;
    sockaddr_in6 in6;
};

// Used length of an address: 16 for IPv4, 28 for IPv6, 0 for anything else.
socklen_t SizeOfVarSin(const TVarSin& sin);

// The IPv6 any-address (16 zero bytes) and loopback address (15 zero bytes,
// then 1), set at program start.
extern const in6_addr IPv6AnyAddress;
extern const in6_addr IPv6LoopbackAddress;

// Text of the start-up failure of the socket interface.
extern const char* const SocketInterfaceLoadError;

// Load counting of the socket interface. The socket functions are linked
// directly, so loading always succeeds; the count still decides when the
// interface counts as released. An empty name stands for the default library.
bool LoadSocketInterface(const std::string& libraryName = std::string());
bool UnloadSocketInterface();
int SocketInterfaceLoadCount();
// True while the address-info functions (getaddrinfo & co.) are available.
bool EnhancedApi();

// Program start and end of the socket layer. SocketStartup raises
// ESocketError with SocketInterfaceLoadError when the interface cannot be
// loaded; SocketCleanup releases one load.
void SocketStartup();
void SocketCleanup();

// Resolves host and port (numeric text or service name) into `sin`. Returns
// 0 or a resolver code (11001 for an unknown host). With SF_Any two lookups
// are made, IPv4 first when preferIP4. "0.0.0.0"/"::0" give the any-address,
// "127.0.0.1"/"::1" the loopback address, without looking the text up.
int FillSocketAddress(TVarSin& sin, const std::string& host, const std::string& port, TSocketFamily family,
                      bool preferIP4, int sockType, int protocol);

// Numeric host text and port of an address ("" and 0 for an empty record).
std::string GetSinIP(const TVarSin& sin);
int GetSinPort(const TVarSin& sin);

// Address literal tests used to pick the family of a new handle.
bool IsIPv4Literal(const std::string& text);
bool IsIPv6Literal(const std::string& text);

// Monotonic milliseconds, 32 bits, wrapping.
uint32_t MillisecondTick();
// Milliseconds from oldTick to newTick, correct across one wrap-around.
uint32_t TickDifference(uint32_t oldTick, uint32_t newTick);
