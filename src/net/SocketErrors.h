#pragma once

#include <string>

// Error codes of the telnet client, in the Windows Sockets numbering: 10000
// plus the classic BSD errno value for socket conditions, 1009x/10101 for the
// socket layer itself and 11001-11004 for the resolver.
namespace sockerr {
constexpr int None = 0;
constexpr int NotEnoughMemory = 8;
constexpr int Interrupted = 10004;
constexpr int BadFile = 10009;
constexpr int Access = 10013;
constexpr int Fault = 10014;
constexpr int InvalidArgument = 10022;
constexpr int TooManyFiles = 10024;
constexpr int WouldBlock = 10035;
constexpr int InProgress = 10036;
constexpr int Already = 10037;
constexpr int NotSocket = 10038;
constexpr int DestAddrRequired = 10039;
constexpr int MessageSize = 10040;
constexpr int ProtocolType = 10041;
constexpr int NoProtocolOption = 10042;
constexpr int ProtocolNotSupported = 10043;
constexpr int SocketTypeNotSupported = 10044;
constexpr int OperationNotSupported = 10045;
constexpr int ProtocolFamilyNotSupported = 10046;
constexpr int AddressFamilyNotSupported = 10047;
constexpr int AddressInUse = 10048;
constexpr int AddressNotAvailable = 10049;
constexpr int NetworkDown = 10050;
constexpr int NetworkUnreachable = 10051;
constexpr int NetworkReset = 10052;
constexpr int ConnectionAborted = 10053;
constexpr int ConnectionReset = 10054;
constexpr int NoBufferSpace = 10055;
constexpr int IsConnected = 10056;
constexpr int NotConnected = 10057;
constexpr int Shutdown = 10058;
constexpr int TooManyReferences = 10059;
constexpr int TimedOut = 10060;
constexpr int ConnectionRefused = 10061;
constexpr int Loop = 10062;
constexpr int NameTooLong = 10063;
constexpr int HostDown = 10064;
constexpr int HostUnreachable = 10065;
constexpr int NotEmpty = 10066;
constexpr int ProcessLimit = 10067;
constexpr int Users = 10068;
constexpr int DiskQuota = 10069;
constexpr int Stale = 10070;
constexpr int Remote = 10071;
constexpr int SystemNotReady = 10091;
constexpr int VersionNotSupported = 10092;
constexpr int NotInitialised = 10093;
constexpr int Disconnect = 10101;
constexpr int TypeNotFound = 10109;
constexpr int HostNotFound = 11001;
constexpr int TryAgain = 11002;
constexpr int NoRecovery = 11003;
constexpr int NoData = 11004;
}  // namespace sockerr

// Translates a Linux errno value into the code above that names the same
// condition. Values without a counterpart are returned unchanged.
int ErrnoToSocketError(int errnoValue);

// Translates a getaddrinfo/getnameinfo result (EAI_*) into the resolver codes;
// EAI_SYSTEM uses the errno value that the resolver left behind.
int ResolverErrorToSocketError(int eaiValue, int errnoValue);

// Description text of a code: empty for 0, the fixed text for the 51 known
// codes, "Other Winsock error (<code>)" for anything else.
std::string SocketErrorDescription(int code);
