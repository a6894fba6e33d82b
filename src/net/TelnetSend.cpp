#include "net/TelnetSend.h"

TTelnetSend::TTelnetSend()
    : fReplySink([this](const std::string& reply) {
          // Once a reply has failed, the read ends with that error; the rest
          // of the chunk's replies are not tried (each could block for the
          // send time-out, and a later success would hide the failure).
          if (fReplyFailed)
              return;
          fSock->WriteText(reply);
          fReplyFailed = fSock->LastErrorCode() != 0;
      }),
      fSock(std::make_unique<TTCPBlockSocket>())
{
    fSock->SetOnReadFilter([this](TBlockSocket& sender, std::string& value) { FilterReceived(sender, value); });
    SetTimeout(60000);
    SetTargetPort("23");
}

TTelnetSend::~TTelnetSend()
{
    // Close while the session is whole: the drain runs through the filter,
    // whose replies go out on the socket.
    try {
        fSock->CloseConnection();
    } catch (...) {
        // The socket's own destructor closes whatever is left.
    }
}

bool TTelnetSend::Login()
{
    fSessionLog.clear();
    fFilter.Reset();
    fSock->CloseConnection();
    // Text drained from the old connection may have ended inside a command;
    // the new connection starts with plain text all the same.
    fFilter.Reset();
    fSock->InputBuffer().clear();
    fSock->BindTo(IPInterface(), "0");
    fSock->ConnectTo(TargetHost(), TargetPort());
    return fSock->LastErrorCode() == 0;
}

void TTelnetSend::Logout()
{
    fSock->CloseConnection();
}

void TTelnetSend::Send(const std::string& text)
{
    // A data byte 255 goes out as IAC IAC.
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        escaped += c;
        if (static_cast<unsigned char>(c) == telnet::IAC)
            escaped += c;
    }
    fSock->WriteText(escaped);
}

bool TTelnetSend::WaitFor(const std::string& text)
{
    return !ReceiveUntil(text).empty();
}

std::string TTelnetSend::ReceiveUntil(const std::string& terminator)
{
    return fSock->ReadUntil(Timeout(), terminator);
}

void TTelnetSend::FilterReceived(TBlockSocket& /*sender*/, std::string& value)
{
    value = ProcessTelnetCommands(value);
    fSessionLog += value;
}

std::string TTelnetSend::ProcessTelnetCommands(const std::string& chunk)
{
    fReplyFailed = false;
    return fFilter.Process(chunk, fReplySink);
}
