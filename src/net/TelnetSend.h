#pragma once

#include <memory>
#include <string>

#include "net/SocketClient.h"
#include "net/TCPBlockSocket.h"
#include "net/TelnetFilter.h"

// Client end of one telnet connection with a small scripting interface:
// Login, Send a line, WaitFor a prompt, ReceiveUntil a prompt, Logout. Every
// received chunk passes the command filter, which removes telnet commands
// and answers option negotiation at once. Network failures are not raised;
// they show in the results and in Sock().LastErrorCode().
class TTelnetSend : public TSocketClient {
public:
    TTelnetSend();
    ~TTelnetSend() override;
    TTelnetSend(const TTelnetSend&) = delete;
    TTelnetSend& operator=(const TTelnetSend&) = delete;

    // session
    bool Login();
    void Logout();
    void Send(const std::string& text);
    bool WaitFor(const std::string& text);
    std::string ReceiveUntil(const std::string& terminator);

    // The read filter installed on Sock(); runs for every received chunk.
    void FilterReceived(TBlockSocket& sender, std::string& value);
    // Strips telnet commands from one chunk and sends the replies on Sock().
    std::string ProcessTelnetCommands(const std::string& chunk);

    // getters
    TTCPBlockSocket& Sock() { return *fSock; }
    const std::string& SessionLog() const { return fSessionLog; }
    const std::string& TermType() const { return fFilter.TermType(); }
    TTelnetState FilterState() const { return fFilter.State(); }
    const TTelnetFilter& Filter() const { return fFilter; }

    // setters
    void SetSessionLog(const std::string& v) { fSessionLog = v; }
    void SetTermType(const std::string& v) { fFilter.SetTermType(v); }

private:
    TTelnetFilter fFilter;
    std::string fSessionLog;
    TTelnetFilter::TReplySink fReplySink;
    bool fReplyFailed = false;  // a reply of the chunk being filtered failed
    // The destructor closes it while the filter and the log still exist.
    std::unique_ptr<TTCPBlockSocket> fSock;
};
