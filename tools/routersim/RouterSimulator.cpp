#include "routersim/RouterSimulator.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "routersim/RouterProfile.h"

namespace {

constexpr unsigned char IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr unsigned char OptEcho = 1, OptSuppressGoAhead = 3, OptTerminalType = 24;
constexpr unsigned char TerminalTypeIs = 0, TerminalTypeSend = 1;

constexpr std::size_t MaxInputLine = 4096;
constexpr std::size_t MaxSubnegotiation = 256;

const char BitLoadingCommand[] = "xdsl debug bitloadinginfo";

bool SendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// State of one option on one side of the connection. Pending means that we
// asked for it and wait for the answer, which then needs no reply of its own.
enum class TOptionState { osOff, osPending, osOn };

// One client's telnet connection: option negotiation, login and commands.
class TRouterSession {
public:
    TRouterSession(int fd, const TRouterSimulatorSettings& settings, std::atomic<uint32_t>& pollsServed,
                   std::atomic<uint32_t>& commandsStalled)
        : fFd(fd), fSettings(settings), fPollsServed(pollsServed), fCommandsStalled(commandsStalled)
    {}

    void Run()
    {
        fOut += Command(WILL, OptEcho);
        fOut += Command(WILL, OptSuppressGoAhead);
        fOut += Command(DO, OptTerminalType);
        fOurEcho = fOurSuppressGoAhead = TOptionState::osPending;
        fHisTerminalType = TOptionState::osPending;
        fOut += "\r\nQuillmont ADSL router\r\n\r\nUsername : ";
        if (!Flush())
            return;

        char chunk[4096];
        while (!fClosing) {
            const ssize_t n = ::recv(fFd, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;  // closed by the client, idle time-out, or stopped
            for (ssize_t i = 0; i < n && !fClosing; ++i)
                Receive(static_cast<unsigned char>(chunk[i]));
            if (!Flush())
                break;
        }
        ::shutdown(fFd, SHUT_RDWR);
    }

private:
    enum class TTelnetState { tsData, tsCommand, tsVerb, tsSubOption, tsSubData, tsSubDataCommand };
    enum class TDialogueState { dsUser, dsPassword, dsCommand };

    static std::string Command(unsigned char verb, unsigned char option)
    {
        return std::string{static_cast<char>(IAC), static_cast<char>(verb), static_cast<char>(option)};
    }

    bool Flush()
    {
        const bool ok = SendAll(fFd, fOut);
        fOut.clear();
        return ok;
    }

    void Receive(unsigned char b)
    {
        switch (fTelnet) {
        case TTelnetState::tsData:
            if (b == IAC)
                fTelnet = TTelnetState::tsCommand;
            else
                ReceiveData(b);
            return;
        case TTelnetState::tsCommand:
            if (b == IAC) {
                ReceiveData(b);
                fTelnet = TTelnetState::tsData;
            } else if (b == SB) {
                fSubData.clear();
                fTelnet = TTelnetState::tsSubOption;
            } else if (b >= WILL) {
                fVerb = b;
                fTelnet = TTelnetState::tsVerb;
            } else {
                fTelnet = TTelnetState::tsData;  // NOP, GA and the like
            }
            return;
        case TTelnetState::tsVerb:
            Negotiate(fVerb, b);
            fTelnet = TTelnetState::tsData;
            return;
        case TTelnetState::tsSubOption:
            fSubOption = b;
            fTelnet = TTelnetState::tsSubData;
            return;
        case TTelnetState::tsSubData:
            if (b == IAC)
                fTelnet = TTelnetState::tsSubDataCommand;
            else if (fSubData.size() < MaxSubnegotiation)
                fSubData += static_cast<char>(b);
            return;
        case TTelnetState::tsSubDataCommand:
            if (b == IAC) {
                if (fSubData.size() < MaxSubnegotiation)
                    fSubData += static_cast<char>(b);
                fTelnet = TTelnetState::tsSubData;
                return;
            }
            if (b == SE && fSubOption == OptTerminalType && !fSubData.empty() &&
                static_cast<unsigned char>(fSubData[0]) == TerminalTypeIs)
                fTerminalType = fSubData.substr(1);
            fTelnet = TTelnetState::tsData;
            return;
        }
    }

    // Answers only requests that change an option's state, so that a client
    // that answers every command cannot draw us into an endless exchange.
    void Negotiate(unsigned char verb, unsigned char option)
    {
        TOptionState* ours = option == OptEcho              ? &fOurEcho
                             : option == OptSuppressGoAhead ? &fOurSuppressGoAhead
                                                            : nullptr;
        TOptionState* his = option == OptTerminalType ? &fHisTerminalType : nullptr;
        switch (verb) {
        case DO:
            if (!ours) {
                fOut += Command(WONT, option);
            } else if (*ours != TOptionState::osOn) {
                if (*ours == TOptionState::osOff)
                    fOut += Command(WILL, option);
                *ours = TOptionState::osOn;
            }
            return;
        case DONT:
            if (ours && *ours != TOptionState::osOff) {
                if (*ours == TOptionState::osOn)
                    fOut += Command(WONT, option);
                *ours = TOptionState::osOff;
            }
            return;
        case WILL:
            if (!his) {
                fOut += Command(DONT, option);
            } else if (*his != TOptionState::osOn) {
                if (*his == TOptionState::osOff)
                    fOut += Command(DO, option);
                *his = TOptionState::osOn;
                fOut += std::string{static_cast<char>(IAC),
                                    static_cast<char>(SB),
                                    static_cast<char>(OptTerminalType),
                                    static_cast<char>(TerminalTypeSend),
                                    static_cast<char>(IAC),
                                    static_cast<char>(SE)};
            }
            return;
        case WONT:
            if (his && *his != TOptionState::osOff) {
                if (*his == TOptionState::osOn)
                    fOut += Command(DONT, option);
                *his = TOptionState::osOff;
            }
            return;
        default:
            return;
        }
    }

    void ReceiveData(unsigned char b)
    {
        // CR LF, CR NUL, a lone CR and a lone LF all end a line.
        if (fAfterCR && (b == '\n' || b == '\0')) {
            fAfterCR = false;
            return;
        }
        fAfterCR = b == '\r';
        if (b == '\r' || b == '\n') {
            if (Echoing())
                fOut += "\r\n";
            std::string line;
            line.swap(fLine);
            ReceiveLine(line);
            return;
        }
        if (fLine.size() < MaxInputLine)
            fLine += static_cast<char>(b);
        if (Echoing())
            fOut += static_cast<char>(b);
    }

    bool Echoing() const { return fOurEcho == TOptionState::osOn && fDialogue != TDialogueState::dsPassword; }

    std::string Prompt() const { return "{" + fSettings.User + "}=>"; }

    void ReceiveLine(const std::string& line)
    {
        switch (fDialogue) {
        case TDialogueState::dsUser:
            fUser = line;
            fOut += "Password : ";
            fDialogue = TDialogueState::dsPassword;
            return;
        case TDialogueState::dsPassword:
            if (fUser == fSettings.User && line == fSettings.Password) {
                fOut += "\r\n------------------------------------------------------------------------\r\n"
                        "                             Quillmont\r\n"
                        "------------------------------------------------------------------------\r\n\r\n";
                fOut += Prompt();
                fDialogue = TDialogueState::dsCommand;
                return;
            }
            fOut += "\r\nInvalid username/password\r\n";
            if (++fFailedLogins >= fSettings.MaxLoginAttempts) {
                fOut += "Closing connection\r\n";
                fClosing = true;
                return;
            }
            fOut += "\r\nUsername : ";
            fDialogue = TDialogueState::dsUser;
            return;
        case TDialogueState::dsCommand:
            RunCommand(Trimmed(line));
            return;
        }
    }

    void RunCommand(const std::string& command)
    {
        if (command == BitLoadingCommand && fSettings.KnowsBitLoading) {
            if (fSettings.StallAfterReplies >= 0 &&
                fPollsServed.load() >= static_cast<uint32_t>(fSettings.StallAfterReplies)) {
                // Counted, so that a test can tell the client now waits in vain.
                ++fCommandsStalled;
                return;
            }
            const uint32_t index = fPollsServed.fetch_add(1);
            // Reply and prompt leave in one piece, so the client never waits for the prompt.
            fOut += BitLoadingReplyText(SimulatedBitLoading(fSettings.Seed, index));
            fOut += Prompt();
            return;
        }
        if (command == "exit" || command == "quit" || command == "logout") {
            fOut += "\r\nBye\r\n";
            fClosing = true;
            return;
        }
        if (!command.empty())
            fOut += "\r\n:" + command + "\r\nError : unknown command\r\n";
        fOut += Prompt();
    }

    // data
    int fFd;
    const TRouterSimulatorSettings& fSettings;
    std::atomic<uint32_t>& fPollsServed;
    std::atomic<uint32_t>& fCommandsStalled;
    std::string fOut;
    bool fClosing = false;

    TTelnetState fTelnet = TTelnetState::tsData;
    unsigned char fVerb = 0;
    unsigned char fSubOption = 0;
    std::string fSubData;
    TOptionState fOurEcho = TOptionState::osOff;
    TOptionState fOurSuppressGoAhead = TOptionState::osOff;
    TOptionState fHisTerminalType = TOptionState::osOff;
    std::string fTerminalType;

    TDialogueState fDialogue = TDialogueState::dsUser;
    std::string fLine;
    bool fAfterCR = false;
    std::string fUser;
    int fFailedLogins = 0;
};

}  // namespace

struct TRouterSimulator::TClient {
    int fd = -1;
    std::thread thread;
    std::atomic<bool> done{false};
};

TRouterSimulator::TRouterSimulator(TRouterSimulatorSettings settings)
    : fSettings(std::move(settings)),
      fThreadStarter([](std::function<void()> work) { return std::thread(std::move(work)); })
{}

TRouterSimulator::~TRouterSimulator()
{
    Stop();
}

uint16_t TRouterSimulator::Start()
{
    sockaddr_storage address{};
    socklen_t addressLength = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    if (inet_pton(AF_INET, fSettings.BindAddress.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(fSettings.Port);
        addressLength = sizeof(sockaddr_in);
    } else if (inet_pton(AF_INET6, fSettings.BindAddress.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(fSettings.Port);
        addressLength = sizeof(sockaddr_in6);
    } else {
        throw std::runtime_error("not an address literal: " + fSettings.BindAddress);
    }
    // A stand-in router with a password on its command line is no service for the network.
    const bool loopback =
        address.ss_family == AF_INET ? (ntohl(v4->sin_addr.s_addr) >> 24) == 127 : IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr);
    if (!loopback)
        throw std::runtime_error("only loopback addresses are served: " + fSettings.BindAddress);

    fListenFd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fListenFd < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    const int yes = 1;
    ::setsockopt(fListenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (::bind(fListenFd, reinterpret_cast<sockaddr*>(&address), addressLength) != 0 || ::listen(fListenFd, 16) != 0) {
        const std::string error = std::strerror(errno);
        ::close(fListenFd);
        fListenFd = -1;
        throw std::runtime_error("cannot listen on " + fSettings.BindAddress + ": " + error);
    }
    addressLength = sizeof address;
    ::getsockname(fListenFd, reinterpret_cast<sockaddr*>(&address), &addressLength);
    fPort = ntohs(address.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);

    fStopping = false;
    fAcceptThread = std::thread([this] { AcceptLoop(); });
    return fPort;
}

void TRouterSimulator::Stop()
{
    if (fListenFd < 0)
        return;
    fStopping = true;
    ::shutdown(fListenFd, SHUT_RDWR);  // wakes the blocked accept
    if (fAcceptThread.joinable())
        fAcceptThread.join();
    ::close(fListenFd);
    fListenFd = -1;

    std::lock_guard<std::mutex> lock(fClientsMutex);
    for (auto& client : fClients)
        ::shutdown(client->fd, SHUT_RDWR);
    for (auto& client : fClients) {
        if (client->thread.joinable())
            client->thread.join();
        ::close(client->fd);
    }
    fClients.clear();
}

void TRouterSimulator::AcceptLoop()
{
    while (!fStopping) {
        const int fd = ::accept4(fListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (fStopping)
                return;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                ::usleep(50000);  // out of resources: let running clients finish
                continue;
            }
            return;
        }
        ++fClientsAccepted;
        timeval idle{fSettings.IdleTimeoutMs / 1000, (fSettings.IdleTimeoutMs % 1000) * 1000};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &idle, sizeof idle);
        // Every answer leaves in one write; there is nothing to gain from Nagle's delay.
        const int noDelay = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);

        ReapFinishedClients();
        std::lock_guard<std::mutex> lock(fClientsMutex);
        if (fStopping) {
            ::close(fd);
            return;
        }
        if (static_cast<int>(fClients.size()) >= fSettings.MaxClients || !StartClient(fd)) {
            // Counted before the close, so that a client that sees its connection
            // end also sees it counted.
            ++fClientsRefused;
            ::close(fd);
        }
    }
}

bool TRouterSimulator::StartClient(int fd)
{
    try {
        fClients.push_back(std::make_unique<TClient>());
    } catch (const std::bad_alloc&) {
        return false;
    }
    TClient& client = *fClients.back();
    client.fd = fd;
    try {
        client.thread = fThreadStarter([this, &client] {
            ServeClient(client);
            client.done = true;
        });
    } catch (const std::exception&) {
        // No thread (a process or memory limit): this client goes unserved.
        fClients.pop_back();
        return false;
    }
    return true;
}

int TRouterSimulator::ClientsServing() const
{
    std::lock_guard<std::mutex> lock(fClientsMutex);
    int serving = 0;
    for (const auto& client : fClients)
        if (!client->done)
            ++serving;
    return serving;
}

void TRouterSimulator::ServeClient(TClient& client)
{
    TRouterSession session(client.fd, fSettings, fPollsServed, fCommandsStalled);
    session.Run();
}

void TRouterSimulator::ReapFinishedClients()
{
    std::lock_guard<std::mutex> lock(fClientsMutex);
    for (auto it = fClients.begin(); it != fClients.end();) {
        if ((*it)->done) {
            if ((*it)->thread.joinable())
                (*it)->thread.join();
            ::close((*it)->fd);
            it = fClients.erase(it);
        } else {
            ++it;
        }
    }
}
