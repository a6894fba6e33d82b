#include "net/BlockSocket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

#include "net/SocketError.h"
#include "net/SocketErrors.h"
#include "net/TerminatorScanner.h"
#include "net/WaitSlices.h"

TBlockSocket::TBlockSocket() = default;

TBlockSocket::~TBlockSocket()
{
    // Derived classes close in an orderly way; this only makes sure that no
    // handle outlives the object.
    if (fSocket != -1)
        ::close(fSocket);
}

// ---------------------------------------------------------------- errors

void TBlockSocket::ClearError()
{
    fLastError = 0;
    fLastErrorText.clear();
}

void TBlockSocket::SetLastError(int code)
{
    fLastError = code;
    fLastErrorText = GetErrorDescEx();
}

int TBlockSocket::CheckResult(int platformResult)
{
    // Must run straight after the platform call, while errno still holds its
    // outcome.
    const int savedErrno = errno;
    ClearError();
    if (platformResult == -1)
        SetLastError(ErrnoToSocketError(savedErrno));
    return fLastError;
}

void TBlockSocket::RaiseOnError()
{
    fLastErrorText = GetErrorDescEx();
    if (fLastError == 0 || fLastError == sockerr::WouldBlock || fLastError == sockerr::InProgress)
        return;
    ReportStatus(HR_Error, std::to_string(fLastError) + "," + fLastErrorText);
    if (fRaiseExcept)
        throw ESocketError::FromCode(fLastError, fLastErrorText);
}

std::string TBlockSocket::GetErrorDesc(int code)
{
    return SocketErrorDescription(code);
}

std::string TBlockSocket::GetErrorDescEx() const
{
    return GetErrorDesc(fLastError);
}

void TBlockSocket::ReportStatus(THookSocketReason reason, const std::string& value)
{
    if (fOnStatus)
        fOnStatus(*this, reason, value);
}

// ---------------------------------------------------------------- properties

void TBlockSocket::SetNonblockSendTimeout(int ms)
{
    fNonblockSendTimeout = ms;
    ApplySendTimeout();
}

void TBlockSocket::SetHeartbeatRate(int ms)
{
    fHeartbeatRate = ms;
    ApplySendTimeout();
}

void TBlockSocket::ApplySendTimeout()
{
    if (fSocket == -1)
        return;
    // A blocked send gives up after NonblockSendTimeout and then takes the
    // would-block path. With heartbeats on it gives up after one slice, so
    // that the heartbeat-sliced writability wait can honour StopFlag.
    int ms = fNonblockSendTimeout;
    if (fHeartbeatRate > 0 && (ms < 0 || ms > fHeartbeatRate))
        ms = fHeartbeatRate;
    if (ms == 0)
        ms = 1;  // zero would mean "no limit" to the platform
    timeval tv{};
    if (ms > 0) {
        tv.tv_sec = ms / 1000;
        tv.tv_usec = (ms % 1000) * 1000;
    }
    ::setsockopt(fSocket, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// ---------------------------------------------------------------- handle

int TBlockSocket::ResolveAddress(TVarSin& sin, const std::string& host, const std::string& port)
{
    ReportStatus(HR_ResolvingBegin, host + ":" + port);
    ClearError();
    TSocketFamily family = fFamily;
    if (fSocket == -1 && fFamily == SF_Any) {
        if (IsIPv4Literal(host))
            family = SF_IP4;
        else if (IsIPv6Literal(host))
            family = SF_IP6;
    }
    SetLastError(FillSocketAddress(sin, host, port, family, fPreferIP4, SocketType(), SocketProtocol()));
    ReportStatus(HR_ResolvingEnd, host + ":" + port);
    return fLastError;
}

void TBlockSocket::CreateSocketHandle(const TVarSin& sin)
{
    fStopFlag = false;
    fRecvCounter = 0;
    fSendCounter = 0;
    ClearError();
    if (fSocket != -1)
        return;
    fInputBuffer.clear();
    fBound = false;
    FIP6Used = sin.sa.sa_family == AF_INET6;
    const int fd = ::socket(sin.sa.sa_family, SocketType() | SOCK_CLOEXEC, SocketProtocol());
    if (fd == -1)
        CheckResult(-1);
    else
        fSocket = fd;
    RaiseOnError();
    ReportStatus(HR_SocketCreate, FIP6Used ? "IPv6" : "IPv4");
    if (fSocket == -1)
        return;
    ApplySendTimeout();
    ApplyQueuedOptions();
    if (fOnCreateSocket)
        fOnCreateSocket(*this);
}

void TBlockSocket::SetSocketOption(int level, int name, int value)
{
    SetSocketOption(level, name, &value, sizeof value);
}

void TBlockSocket::SetSocketOption(int level, int name, const void* value, socklen_t length)
{
    if (fSocket == -1) {
        fQueuedOptions.push_back({level, name, std::string(static_cast<const char*>(value), length)});
        return;
    }
    CheckResult(::setsockopt(fSocket, level, name, value, length));
    RaiseOnError();
}

void TBlockSocket::ApplyQueuedOptions()
{
    std::vector<TQueuedOption> queued;
    queued.swap(fQueuedOptions);
    int firstError = 0;
    for (auto option = queued.rbegin(); option != queued.rend(); ++option) {
        const int r = ::setsockopt(fSocket, option->Level, option->Name, option->Value.data(),
                                   static_cast<socklen_t>(option->Value.size()));
        if (CheckResult(r) != 0 && firstError == 0)
            firstError = fLastError;
    }
    SetLastError(firstError);
    RaiseOnError();
}

void TBlockSocket::ReadLocalAddress()
{
    std::memset(&fLocalSin, 0, sizeof fLocalSin);
    socklen_t length = sizeof fLocalSin;
    ::getsockname(fSocket, &fLocalSin.sa, &length);
}

void TBlockSocket::ReadAddresses()
{
    ReadLocalAddress();
    std::memset(&fRemoteSin, 0, sizeof fRemoteSin);
    socklen_t length = sizeof fRemoteSin;
    ::getpeername(fSocket, &fRemoteSin.sa, &length);
}

void TBlockSocket::BindTo(const std::string& address, const std::string& port)
{
    ClearError();
    if (fSocket == -1 && fFamily == SF_Any && address == "0.0.0.0" && port == "0")
        return;
    TVarSin sin;
    if (ResolveAddress(sin, address, port) == 0) {
        CreateSocketHandle(sin);
        if (fSocket != -1 && fLastError == 0) {
            const int r = ::bind(fSocket, &sin.sa, SizeOfVarSin(sin));
            CheckResult(r);
            ReadLocalAddress();
            fInputBuffer.clear();
            fBound = true;
        }
    }
    RaiseOnError();
    ReportStatus(HR_Bind, address + ":" + port);
}

void TBlockSocket::ConnectHandle(const TVarSin& sin)
{
    // The connect runs non-blocking and is awaited in heartbeat slices, so
    // that it ends after ConnectTimeout (the platform alone may wait minutes)
    // and a heartbeat handler can stop it.
    const int flags = ::fcntl(fSocket, F_GETFL, 0);
    const bool madeNonBlocking = flags != -1 && ::fcntl(fSocket, F_SETFL, flags | O_NONBLOCK) == 0;
    int err = 0;
    if (::connect(fSocket, &sin.sa, SizeOfVarSin(sin)) != 0)
        err = errno;
    int code = ErrnoToSocketError(err);
    if (err == EINPROGRESS || err == EINTR) {
        const TWaitOutcome outcome = WaitForEvents(fConnectTimeout, POLLOUT);
        switch (outcome) {
        case TWaitOutcome::Ready: {
            int soError = 0;
            socklen_t length = sizeof soError;
            if (::getsockopt(fSocket, SOL_SOCKET, SO_ERROR, &soError, &length) != 0)
                soError = errno;
            code = ErrnoToSocketError(soError);
            break;
        }
        case TWaitOutcome::TimedOut:
            code = sockerr::TimedOut;
            break;
        case TWaitOutcome::Stopped:
            code = sockerr::ConnectionAborted;
            break;
        case TWaitOutcome::Failed:
            code = fLastError != 0 ? fLastError : sockerr::TimedOut;
            break;
        }
        if (outcome != TWaitOutcome::Ready) {
            // The platform would go on trying in the background, and a later send
            // would wait for that connect to complete after all. The connect has
            // failed, so the attempt is dissolved: the handle stays unconnected.
            sockaddr unspecified{};
            unspecified.sa_family = AF_UNSPEC;
            ::connect(fSocket, &unspecified, sizeof unspecified);
        }
    }
    if (madeNonBlocking)
        ::fcntl(fSocket, F_SETFL, flags);
    SetLastError(code);
}

void TBlockSocket::ConnectTo(const std::string& host, const std::string& port)
{
    TVarSin sin;
    if (ResolveAddress(sin, host, port) == 0) {
        CreateSocketHandle(sin);
        if (fSocket != -1 && fLastError == 0) {
            ConnectHandle(sin);
            if (fLastError == 0)
                ReadAddresses();
        }
        fInputBuffer.clear();
        fLastCR = false;
        fLastLF = false;
    }
    RaiseOnError();
    ReportStatus(HR_Connect, host + ":" + port);
}

void TBlockSocket::CloseConnection()
{
    AbortConnection();
}

void TBlockSocket::AbortConnection()
{
    if (fSocket != -1)
        ::close(fSocket);
    fSocket = -1;
    fQueuedOptions.clear();
    fFamily = fFamilySave;
    ReportStatus(HR_SocketClose, "");
}

void TBlockSocket::DrainInput()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // A peer that keeps sending would keep this loop going for ever: it ends
    // after MaxDrainBytes raw bytes (counted before the read filter, which may
    // turn chunks into nothing).
    const uint64_t startCount = fRecvCounter;
    try {
        while (!fInputBuffer.empty() || BytesWaiting() > 0) {
            if (fRecvCounter - startCount >= static_cast<uint64_t>(MaxDrainBytes))
                break;
            ReadPacket(0);
            if (fLastError != 0)
                break;
        }
    } catch (...) {
        // Draining is best effort: the connection is closed next anyway.
    }
    ClearError();
}

// ---------------------------------------------------------------- waiting

int TBlockSocket::SingleWait(int timeout, short events)
{
    if (fSocket == -1) {
        SetLastError(sockerr::NotSocket);
        return -1;
    }
    pollfd entry{fSocket, events, 0};
    const uint32_t start = MillisecondTick();
    int remaining = timeout;
    int r;
    for (;;) {
        r = ::poll(&entry, 1, remaining);
        if (r >= 0 || errno != EINTR)
            break;
        if (timeout >= 0) {
            const uint32_t elapsed = TickDifference(start, MillisecondTick());
            remaining = elapsed >= static_cast<uint32_t>(timeout) ? 0 : timeout - static_cast<int>(elapsed);
        }
    }
    if (CheckResult(r) != 0)
        return -1;
    if (r == 0)
        return 0;
    if (entry.revents & POLLNVAL) {
        SetLastError(sockerr::BadFile);
        return -1;
    }
    // A hang-up or pending error counts as ready: the read or send that
    // follows reports it.
    return (entry.revents & (events | POLLERR | POLLHUP)) != 0 ? 1 : 0;
}

TBlockSocket::TWaitOutcome TBlockSocket::WaitForEvents(int timeout, short events)
{
    // The rate is taken once: a heartbeat handler that changes it affects the
    // next wait, not this one.
    const int rate = fHeartbeatRate;
    for (uint64_t done = 0;; ++done) {
        const std::optional<TWaitSlice> slice = PlanWaitSlice(timeout, rate, done);
        if (!slice)
            return TWaitOutcome::TimedOut;
        if (slice->Heartbeat && fOnHeartbeat)
            fOnHeartbeat(*this);
        if (slice->StopCheck && fStopFlag) {
            fStopFlag = false;
            return TWaitOutcome::Stopped;
        }
        const int r = SingleWait(slice->Wait, events);
        if (r > 0)
            return TWaitOutcome::Ready;
        if (r < 0)
            return TWaitOutcome::Failed;
    }
}

bool TBlockSocket::WaitReady(int timeout, short events, THookSocketReason readyReason)
{
    const TWaitOutcome outcome = WaitForEvents(timeout, events);
    if (outcome == TWaitOutcome::Stopped)
        SetLastError(sockerr::ConnectionAborted);
    const bool ready = outcome == TWaitOutcome::Ready;
    RaiseOnError();
    if (ready)
        ReportStatus(readyReason, "");
    return ready;
}

bool TBlockSocket::WaitReadable(int timeout)
{
    return WaitReady(timeout, POLLIN, HR_CanRead);
}

bool TBlockSocket::WaitWritable(int timeout)
{
    return WaitReady(timeout, POLLOUT, HR_CanWrite);
}

int TBlockSocket::BytesWaiting()
{
    if (fSocket == -1)
        return 0;
    int count = 0;
    if (::ioctl(fSocket, FIONREAD, &count) != 0 || count < 0)
        return 0;
    return std::min(count, MaxReadChunk);
}

bool TBlockSocket::StopCheck()
{
    if (fOnHeartbeat && fHeartbeatRate != 0)
        fOnHeartbeat(*this);
    if (!fStopFlag)
        return false;
    fStopFlag = false;
    SetLastError(sockerr::ConnectionAborted);
    RaiseOnError();
    return true;
}

// ---------------------------------------------------------------- reading

int TBlockSocket::ReadRaw(void* buffer, int length)
{
    if (StopCheck())
        return 0;
    if (length <= 0) {
        ClearError();
        return 0;
    }
    ssize_t received;
    do {
        received = ::recv(fSocket, buffer, static_cast<size_t>(length), 0);
    } while (received < 0 && errno == EINTR);
    int r = static_cast<int>(received);
    if (r == 0)
        SetLastError(sockerr::ConnectionReset);
    else
        CheckResult(r < 0 ? -1 : 0);
    RaiseOnError();
    if (r > 0) {
        fRecvCounter += static_cast<uint64_t>(r);
        ReportStatus(HR_ReadCount, std::to_string(r));
        if (fOnMonitor)
            fOnMonitor(*this, false, buffer, r);
        if (fOnReadFilter) {
            std::string value(static_cast<const char*>(buffer), static_cast<size_t>(r));
            fOnReadFilter(*this, value);
            if (value.size() > static_cast<size_t>(r))
                value.resize(static_cast<size_t>(r));
            std::memcpy(buffer, value.data(), value.size());
            r = static_cast<int>(value.size());
        }
    }
    return r;
}

std::string TBlockSocket::ReadPacket(int timeout)
{
    std::string result;
    ClearError();
    // Reads one chunk of n bytes; a failed read contributes nothing.
    auto readChunk = [this, &result](int n) {
        result.resize(static_cast<size_t>(n));
        const int r = ReadRaw(result.data(), n);
        result.resize(r > 0 ? static_cast<size_t>(r) : 0);
    };
    if (!fInputBuffer.empty()) {
        result.swap(fInputBuffer);
    } else {
        std::this_thread::yield();
        int n = BytesWaiting();
        if (n > 0) {
            readChunk(n);
        } else if (WaitReadable(timeout)) {
            n = BytesWaiting();
            if (n == 0)
                SetLastError(sockerr::ConnectionReset);  // readable with nothing to read: closed
            else
                readChunk(n);
        } else if (fLastError != sockerr::ConnectionAborted) {
            SetLastError(sockerr::TimedOut);
        }
    }
    if (fConvertLineEnd && !result.empty()) {
        // Drop the second half of a CR LF / LF CR pair that was split.
        if ((fLastCR && result.front() == '\n') || (fLastLF && result.front() == '\r'))
            result.erase(0, 1);
        fLastCR = false;
        fLastLF = false;
    }
    try {
        RaiseOnError();
    } catch (...) {
        // Text received before the failure is not lost with the exception.
        fInputBuffer.insert(0, result);
        throw;
    }
    return result;
}

std::string TBlockSocket::ReadUntil(int timeout, const std::string& terminator)
{
    ClearError();
    if (terminator.empty())
        return {};
    TTerminatorScanner scanner(terminator, fConvertLineEnd,
                               fMaxLineLength > 0 ? static_cast<std::size_t>(fMaxLineLength) : 0);
    // What a failing read returned; nothing in practice, but it is kept too.
    std::string unscanned;
    int remaining = timeout;
    for (;;) {
        const uint32_t start = MillisecondTick();
        std::string packet;
        try {
            packet = ReadPacket(remaining);
        } catch (...) {
            // With RaiseExcept the text received so far stays buffered as well.
            fInputBuffer.insert(0, scanner.Text());
            throw;
        }
        if (fLastError != 0) {
            unscanned = std::move(packet);
            break;
        }
        scanner.Feed(packet);
        // Remember a lone CR or LF: its partner may start the next packet.
        if (scanner.LoneCR() || scanner.LoneLF()) {
            fLastCR = scanner.LoneCR();
            fLastLF = scanner.LoneLF();
        }
        if (scanner.State() == SS_TooLong) {
            SetLastError(sockerr::NoBufferSpace);
            break;
        }
        if (scanner.State() == SS_Found)
            break;
        if (!fInterPacketTimeout && remaining != -1) {
            const uint32_t elapsed = TickDifference(start, MillisecondTick());
            remaining =
                elapsed >= static_cast<uint32_t>(std::max(remaining, 0)) ? 0 : remaining - static_cast<int>(elapsed);
            if (remaining <= 0) {
                SetLastError(sockerr::TimedOut);
                break;
            }
        }
    }
    std::string result;
    scanner.Take(result, fInputBuffer);
    fInputBuffer += unscanned;
    RaiseOnError();
    return result;
}

// ---------------------------------------------------------------- writing

int TBlockSocket::WriteBytes(const void* buffer, int length)
{
    if (StopCheck())
        return 0;
    if (fOnMonitor)
        fOnMonitor(*this, true, buffer, length);
    ClearError();
    const char* data = static_cast<const char*>(buffer);
    auto sendOnce = [this, data](int offset, int n) {
        ssize_t sent;
        do {
            sent = ::send(fSocket, data + offset, static_cast<size_t>(n), MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        return static_cast<int>(sent);
    };
    int total = 0;
    while (total < length) {
        const int chunk = fSendMaxChunk > 0 ? fSendMaxChunk : 65536;
        const int n = std::min(chunk, length - total);
        int r = sendOnce(total, n);
        CheckResult(r);
        if (fLastError == sockerr::WouldBlock) {
            // The send time-out expired with nothing sent: wait for room once more.
            if (WaitWritable(fNonblockSendTimeout)) {
                r = sendOnce(total, n);
                CheckResult(r);
                if (fLastError == sockerr::WouldBlock)
                    SetLastError(sockerr::TimedOut);
            } else if (fLastError != sockerr::ConnectionAborted) {
                SetLastError(sockerr::TimedOut);
            }
        }
        if (fLastError != 0 || r <= 0)
            break;
        total += r;
        fSendCounter += static_cast<uint64_t>(r);
        ReportStatus(HR_WriteCount, std::to_string(r));
        // A peer that reads slowly keeps a long send going block by block; with
        // heartbeats on, a handler can stop it between blocks.
        if (total < length && fHeartbeatRate != 0 && StopCheck())
            break;
    }
    RaiseOnError();
    return total;
}

void TBlockSocket::WriteText(const std::string& text)
{
    WriteBytes(text.data(), static_cast<int>(text.size()));
}
