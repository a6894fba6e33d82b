#include "net/SocketErrors.h"

#include <cerrno>
#include <netdb.h>

int ErrnoToSocketError(int errnoValue)
{
    // Linux numbers differ from BSD's, so every condition is mapped by name.
    switch (errnoValue) {
    case 0:
        return sockerr::None;
    case EINTR:
        return sockerr::Interrupted;
    case EBADF:
        return sockerr::BadFile;
    case EACCES:
        return sockerr::Access;
    case EPERM:
        return sockerr::Access;
    case EFAULT:
        return sockerr::Fault;
    case EINVAL:
        return sockerr::InvalidArgument;
    case EMFILE:
        return sockerr::TooManyFiles;
    case ENFILE:
        return sockerr::TooManyFiles;
    case EAGAIN:
        return sockerr::WouldBlock;
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
        return sockerr::WouldBlock;
#endif
    case EINPROGRESS:
        return sockerr::InProgress;
    case EALREADY:
        return sockerr::Already;
    case ENOTSOCK:
        return sockerr::NotSocket;
    case EDESTADDRREQ:
        return sockerr::DestAddrRequired;
    case EMSGSIZE:
        return sockerr::MessageSize;
    case EPROTOTYPE:
        return sockerr::ProtocolType;
    case ENOPROTOOPT:
        return sockerr::NoProtocolOption;
    case EPROTONOSUPPORT:
        return sockerr::ProtocolNotSupported;
    case ESOCKTNOSUPPORT:
        return sockerr::SocketTypeNotSupported;
    case EOPNOTSUPP:
        return sockerr::OperationNotSupported;
#if ENOTSUP != EOPNOTSUPP
    case ENOTSUP:
        return sockerr::OperationNotSupported;
#endif
    case EPFNOSUPPORT:
        return sockerr::ProtocolFamilyNotSupported;
    case EAFNOSUPPORT:
        return sockerr::AddressFamilyNotSupported;
    case EADDRINUSE:
        return sockerr::AddressInUse;
    case EADDRNOTAVAIL:
        return sockerr::AddressNotAvailable;
    case ENETDOWN:
        return sockerr::NetworkDown;
    case ENETUNREACH:
        return sockerr::NetworkUnreachable;
    case ENETRESET:
        return sockerr::NetworkReset;
    case ECONNABORTED:
        return sockerr::ConnectionAborted;
    case ECONNRESET:
        return sockerr::ConnectionReset;
    case ENOBUFS:
        return sockerr::NoBufferSpace;
    case ENOMEM:
        return sockerr::NoBufferSpace;
    case EISCONN:
        return sockerr::IsConnected;
    case ENOTCONN:
        return sockerr::NotConnected;
    case ESHUTDOWN:
        return sockerr::Shutdown;
    // Linux reports a send on a connection that can no longer send as a
    // broken pipe.
    case EPIPE:
        return sockerr::Shutdown;
    case ETOOMANYREFS:
        return sockerr::TooManyReferences;
    case ETIMEDOUT:
        return sockerr::TimedOut;
    case ECONNREFUSED:
        return sockerr::ConnectionRefused;
    case ELOOP:
        return sockerr::Loop;
    case ENAMETOOLONG:
        return sockerr::NameTooLong;
    case EHOSTDOWN:
        return sockerr::HostDown;
    case EHOSTUNREACH:
        return sockerr::HostUnreachable;
    case ENOTEMPTY:
        return sockerr::NotEmpty;
    case EUSERS:
        return sockerr::Users;
    case EDQUOT:
        return sockerr::DiskQuota;
    case ESTALE:
        return sockerr::Stale;
    case EREMOTE:
        return sockerr::Remote;
    default:
        return errnoValue;
    }
}

int ResolverErrorToSocketError(int eaiValue, int errnoValue)
{
    switch (eaiValue) {
    case 0:
        return sockerr::None;
    case EAI_NONAME:
        return sockerr::HostNotFound;
    case EAI_AGAIN:
        return sockerr::TryAgain;
    case EAI_FAIL:
        return sockerr::NoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return sockerr::NoData;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        return sockerr::NoData;
#endif
    case EAI_SERVICE:
        return sockerr::TypeNotFound;
    case EAI_FAMILY:
        return sockerr::AddressFamilyNotSupported;
    case EAI_SOCKTYPE:
        return sockerr::SocketTypeNotSupported;
    case EAI_BADFLAGS:
        return sockerr::InvalidArgument;
    case EAI_MEMORY:
        return sockerr::NotEnoughMemory;
    case EAI_SYSTEM: {
        const int code = ErrnoToSocketError(errnoValue);
        return code != 0 ? code : sockerr::NoRecovery;
    }
    default:
        return sockerr::NoRecovery;
    }
}

std::string SocketErrorDescription(int code)
{
    switch (code) {
    case 0:
        return {};
    case 10004:
        return "Interrupted system call";
    case 10009:
        return "Bad file number";
    case 10013:
        return "Permission denied";
    case 10014:
        return "Bad address";
    case 10022:
        return "Invalid argument";
    case 10024:
        return "Too many open files";
    case 10035:
        return "Operation would block";
    case 10036:
        return "Operation now in progress";
    case 10037:
        return "Operation already in progress";
    case 10038:
        return "Socket operation on nonsocket";
    case 10039:
        return "Destination address required";
    case 10040:
        return "Message too long";
    case 10041:
        return "Protocol wrong type for Socket";
    case 10042:
        return "Protocol not available";
    case 10043:
        return "Protocol not supported";
    case 10044:
        return "Socket not supported";
    case 10045:
        return "Operation not supported on Socket";
    case 10046:
        return "Protocol family not supported";
    case 10047:
        return "Address family not supported";
    case 10048:
        return "Address already in use";
    case 10049:
        return "Can't assign requested address";
    case 10050:
        return "Network is down";
    case 10051:
        return "Network is unreachable";
    case 10052:
        return "Network dropped connection on reset";
    case 10053:
        return "Software caused connection abort";
    case 10054:
        return "Connection reset by peer";
    case 10055:
        return "No Buffer space available";
    case 10056:
        return "Socket is already connected";
    case 10057:
        return "Socket is not connected";
    case 10058:
        return "Can't send after Socket shutdown";
    case 10059:
        return "Too many references:can't splice";
    case 10060:
        return "Connection timed out";
    case 10061:
        return "Connection refused";
    case 10062:
        return "Too many levels of symbolic links";
    case 10063:
        return "File name is too long";
    case 10064:
        return "Host is down";
    case 10065:
        return "No route to host";
    case 10066:
        return "Directory is not empty";
    case 10067:
        return "Too many processes";
    case 10068:
        return "Too many users";
    case 10069:
        return "Disk quota exceeded";
    case 10070:
        return "Stale NFS file handle";
    case 10071:
        return "Too many levels of remote in path";
    case 10091:
        return "Network subsystem is unusable";
    case 10092:
        return "Winsock DLL cannot support this application";
    case 10093:
        return "Winsock not initialized";
    case 10101:
        return "Disconnect";
    case 11001:
        return "Host not found";
    case 11002:
        return "Non authoritative - host not found";
    case 11003:
        return "Non recoverable error";
    case 11004:
        return "Valid name, no data record of requested type";
    default:
        return "Other Winsock error (" + std::to_string(code) + ")";
    }
}
