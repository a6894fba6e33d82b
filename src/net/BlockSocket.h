#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/SocketInterface.h"

class TBlockSocket;

// Reasons of status reports, in this order.
enum THookSocketReason {
    HR_ResolvingBegin,
    HR_ResolvingEnd,
    HR_SocketCreate,
    HR_SocketClose,
    HR_Bind,
    HR_Connect,
    HR_CanRead,
    HR_CanWrite,
    HR_Listen,
    HR_Accept,
    HR_ReadCount,
    HR_WriteCount,
    HR_Wait,
    HR_Error
};

// Callbacks; the sender is always the socket.
using THookSocketStatus = std::function<void(TBlockSocket& sender, THookSocketReason reason, const std::string& value)>;
using THookDataFilter = std::function<void(TBlockSocket& sender, std::string& value)>;
using THookCreateSocket = std::function<void(TBlockSocket& sender)>;
using THookHeartbeat = std::function<void(TBlockSocket& sender)>;
using THookMonitor = std::function<void(TBlockSocket& sender, bool writing, const void* buffer, int length)>;

// A blocking socket for line- and prompt-oriented protocols. It keeps the
// text received but not yet consumed (InputBuffer), passes every received
// chunk through OnReadFilter, bounds every wait with a time-out and reports
// failures as codes (LastErrorCode/LastErrorText), raising ESocketError only
// when RaiseExcept is set. Time-outs are milliseconds; -1 waits without
// limit, 0 polls.
class TBlockSocket {
public:
    // Largest count that BytesWaiting reports, and so the largest single read.
    static constexpr int MaxReadChunk = 65536;
    // Raw bytes that one CloseConnection drains at most before closing.
    static constexpr int MaxDrainBytes = 1 << 20;

    virtual ~TBlockSocket();
    TBlockSocket(const TBlockSocket&) = delete;
    TBlockSocket& operator=(const TBlockSocket&) = delete;

    // connection
    virtual void ConnectTo(const std::string& host, const std::string& port);
    void BindTo(const std::string& address, const std::string& port);
    virtual void CloseConnection();
    virtual void AbortConnection();
    void DrainInput();

    // reading
    virtual int ReadRaw(void* buffer, int length);
    virtual std::string ReadPacket(int timeout);
    virtual std::string ReadUntil(int timeout, const std::string& terminator);
    virtual bool WaitReadable(int timeout);
    virtual bool WaitWritable(int timeout);
    virtual int BytesWaiting();

    // writing
    virtual int WriteBytes(const void* buffer, int length);
    virtual void WriteText(const std::string& text);

    // errors
    void ClearError();
    virtual int CheckResult(int platformResult);
    void RaiseOnError();
    static std::string GetErrorDesc(int code);
    virtual std::string GetErrorDescEx() const;
    int LastErrorCode() const { return fLastError; }
    const std::string& LastErrorText() const { return fLastErrorText; }

    // state
    int SocketHandle() const { return fSocket; }
    std::string& InputBuffer() { return fInputBuffer; }
    const std::string& InputBuffer() const { return fInputBuffer; }
    void SetInputBuffer(const std::string& v) { fInputBuffer = v; }
    bool IP6Used() const { return FIP6Used; }
    bool Bound() const { return fBound; }
    uint64_t RecvCounter() const { return fRecvCounter; }
    uint64_t SendCounter() const { return fSendCounter; }
    const TVarSin& LocalSin() const { return fLocalSin; }
    const TVarSin& RemoteSin() const { return fRemoteSin; }
    std::string GetLocalSinIP() const { return GetSinIP(fLocalSin); }
    int GetLocalSinPort() const { return GetSinPort(fLocalSin); }
    std::string GetRemoteSinIP() const { return GetSinIP(fRemoteSin); }
    int GetRemoteSinPort() const { return GetSinPort(fRemoteSin); }
    virtual int SocketType() const = 0;
    virtual int SocketProtocol() const = 0;

    // properties
    bool RaiseExcept() const { return fRaiseExcept; }
    void SetRaiseExcept(bool v) { fRaiseExcept = v; }
    int MaxLineLength() const { return fMaxLineLength; }
    void SetMaxLineLength(int v) { fMaxLineLength = v; }
    bool ConvertLineEnd() const { return fConvertLineEnd; }
    void SetConvertLineEnd(bool v) { fConvertLineEnd = v; }
    TSocketFamily Family() const { return fFamily; }
    void SetFamily(TSocketFamily v)
    {
        fFamily = v;
        fFamilySave = v;
    }
    bool PreferIP4() const { return fPreferIP4; }
    void SetPreferIP4(bool v) { fPreferIP4 = v; }
    bool InterPacketTimeout() const { return fInterPacketTimeout; }
    void SetInterPacketTimeout(bool v) { fInterPacketTimeout = v; }
    int SendMaxChunk() const { return fSendMaxChunk; }
    void SetSendMaxChunk(int v) { fSendMaxChunk = v; }
    bool StopFlag() const { return fStopFlag; }
    void SetStopFlag(bool v) { fStopFlag = v; }
    int NonblockSendTimeout() const { return fNonblockSendTimeout; }
    void SetNonblockSendTimeout(int ms);
    int HeartbeatRate() const { return fHeartbeatRate; }
    void SetHeartbeatRate(int ms);
    // Upper bound of a connect; the platform's own limit may be far longer.
    int ConnectTimeout() const { return fConnectTimeout; }
    void SetConnectTimeout(int ms) { fConnectTimeout = ms; }

    // socket options
    // Sets a socket option (setsockopt) on the handle, reporting a failure like
    // any operation. While there is no handle the option is queued instead and
    // applied right after the next handle is created, the most recently queued
    // first; closing discards the queue.
    void SetSocketOption(int level, int name, int value);
    void SetSocketOption(int level, int name, const void* value, socklen_t length);
    int QueuedOptionCount() const { return static_cast<int>(fQueuedOptions.size()); }

    // events
    const THookSocketStatus& OnStatus() const { return fOnStatus; }
    void SetOnStatus(THookSocketStatus v) { fOnStatus = std::move(v); }
    const THookDataFilter& OnReadFilter() const { return fOnReadFilter; }
    void SetOnReadFilter(THookDataFilter v) { fOnReadFilter = std::move(v); }
    const THookCreateSocket& OnCreateSocket() const { return fOnCreateSocket; }
    void SetOnCreateSocket(THookCreateSocket v) { fOnCreateSocket = std::move(v); }
    const THookMonitor& OnMonitor() const { return fOnMonitor; }
    void SetOnMonitor(THookMonitor v) { fOnMonitor = std::move(v); }
    const THookHeartbeat& OnHeartbeat() const { return fOnHeartbeat; }
    void SetOnHeartbeat(THookHeartbeat v) { fOnHeartbeat = std::move(v); }

protected:
    TBlockSocket();

    // How a wait split into heartbeat slices ended.
    enum class TWaitOutcome { Ready, TimedOut, Stopped, Failed };

    void ReportStatus(THookSocketReason reason, const std::string& value);
    void SetLastError(int code);
    int ResolveAddress(TVarSin& sin, const std::string& host, const std::string& port);
    void CreateSocketHandle(const TVarSin& sin);
    // Heartbeat and stop check at the start of every read and write: true when
    // StopFlag was set (it is cleared and the code is 10053).
    bool StopCheck();
    // Waits for `events` (poll flags) in heartbeat slices; StopFlag ends it.
    TWaitOutcome WaitForEvents(int timeout, short events);
    // WaitForEvents with the outcome turned into a result, an error code and
    // a status report (readyReason when ready).
    bool WaitReady(int timeout, short events, THookSocketReason readyReason);
    // One poll of the handle: 1 ready, 0 time-out, -1 failure (code set).
    int SingleWait(int timeout, short events);
    // Direct connect of the handle, bounded by ConnectTimeout.
    void ConnectHandle(const TVarSin& sin);
    void ReadLocalAddress();
    void ReadAddresses();
    void ApplySendTimeout();
    // Applies the queued options to a new handle and empties the queue; the
    // first failure is the operation's error.
    void ApplyQueuedOptions();

    // One option waiting for a handle: level, name and the value's bytes.
    struct TQueuedOption {
        int Level;
        int Name;
        std::string Value;
    };

    // data
    int fSocket = -1;
    std::string fInputBuffer;
    int fLastError = 0;
    std::string fLastErrorText;
    TVarSin fLocalSin{};
    TVarSin fRemoteSin{};
    TSocketFamily fFamily = SF_Any;
    TSocketFamily fFamilySave = SF_Any;
    bool FIP6Used = false;
    bool fBound = false;
    bool fLastCR = false;
    bool fLastLF = false;
    uint64_t fRecvCounter = 0;
    uint64_t fSendCounter = 0;
    std::vector<TQueuedOption> fQueuedOptions;

    bool fRaiseExcept = false;
    int fMaxLineLength = 0;
    bool fConvertLineEnd = false;
    bool fPreferIP4 = true;
    bool fInterPacketTimeout = true;
    int fSendMaxChunk = 65536;
    bool fStopFlag = false;
    int fNonblockSendTimeout = 15000;
    int fHeartbeatRate = 0;
    int fConnectTimeout = 21000;

    THookSocketStatus fOnStatus;
    THookDataFilter fOnReadFilter;
    THookCreateSocket fOnCreateSocket;
    THookMonitor fOnMonitor;
    THookHeartbeat fOnHeartbeat;
};
