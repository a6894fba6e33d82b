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

bool SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// State of one option on one side of the connection. Pending means that we
// asked for it and wait for the answer, which then needs no reply of its own.
enum class TOptionState { osOff, osPending, osOn };

// One client's telnet connection: option negotiation, login and commands.
class TRouterSession {
public:
  TRouterSession(int fd, const TRouterSimulatorSettings& settings, std::atomic<uint32_t>& pollsServed)
      : FFd(fd), FSettings(settings), FPollsServed(pollsServed) {}

  void Run() {
    FOut += Command(WILL, OptEcho);
    FOut += Command(WILL, OptSuppressGoAhead);
    FOut += Command(DO, OptTerminalType);
    FOurEcho = FOurSuppressGoAhead = TOptionState::osPending;
    FHisTerminalType = TOptionState::osPending;
    FOut += "\r\nQuillmont ADSL router\r\n\r\nUsername : ";
    if (!Flush()) return;

    char chunk[4096];
    while (!FClosing) {
      const ssize_t n = ::recv(FFd, chunk, sizeof chunk, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // closed by the client, idle time-out, or stopped
      for (ssize_t i = 0; i < n && !FClosing; ++i) Receive(static_cast<unsigned char>(chunk[i]));
      if (!Flush()) break;
    }
    ::shutdown(FFd, SHUT_RDWR);
  }

private:
  enum class TTelnetState { tsData, tsCommand, tsVerb, tsSubOption, tsSubData, tsSubDataCommand };
  enum class TDialogueState { dsUser, dsPassword, dsCommand };

  static std::string Command(unsigned char verb, unsigned char option) {
    return std::string{static_cast<char>(IAC), static_cast<char>(verb), static_cast<char>(option)};
  }

  bool Flush() {
    const bool ok = SendAll(FFd, FOut);
    FOut.clear();
    return ok;
  }

  void Receive(unsigned char b) {
    switch (FTelnet) {
      case TTelnetState::tsData:
        if (b == IAC) FTelnet = TTelnetState::tsCommand;
        else ReceiveData(b);
        return;
      case TTelnetState::tsCommand:
        if (b == IAC) {
          ReceiveData(b);
          FTelnet = TTelnetState::tsData;
        } else if (b == SB) {
          FSubData.clear();
          FTelnet = TTelnetState::tsSubOption;
        } else if (b >= WILL) {
          FVerb = b;
          FTelnet = TTelnetState::tsVerb;
        } else {
          FTelnet = TTelnetState::tsData;  // NOP, GA and the like
        }
        return;
      case TTelnetState::tsVerb:
        Negotiate(FVerb, b);
        FTelnet = TTelnetState::tsData;
        return;
      case TTelnetState::tsSubOption:
        FSubOption = b;
        FTelnet = TTelnetState::tsSubData;
        return;
      case TTelnetState::tsSubData:
        if (b == IAC) FTelnet = TTelnetState::tsSubDataCommand;
        else if (FSubData.size() < MaxSubnegotiation) FSubData += static_cast<char>(b);
        return;
      case TTelnetState::tsSubDataCommand:
        if (b == IAC) {
          if (FSubData.size() < MaxSubnegotiation) FSubData += static_cast<char>(b);
          FTelnet = TTelnetState::tsSubData;
          return;
        }
        if (b == SE && FSubOption == OptTerminalType && !FSubData.empty() &&
            static_cast<unsigned char>(FSubData[0]) == TerminalTypeIs)
          FTerminalType = FSubData.substr(1);
        FTelnet = TTelnetState::tsData;
        return;
    }
  }

  // Answers only requests that change an option's state, so that a client
  // that answers every command cannot draw us into an endless exchange.
  void Negotiate(unsigned char verb, unsigned char option) {
    TOptionState* ours = option == OptEcho ? &FOurEcho : option == OptSuppressGoAhead ? &FOurSuppressGoAhead : nullptr;
    TOptionState* his = option == OptTerminalType ? &FHisTerminalType : nullptr;
    switch (verb) {
      case DO:
        if (!ours) {
          FOut += Command(WONT, option);
        } else if (*ours != TOptionState::osOn) {
          if (*ours == TOptionState::osOff) FOut += Command(WILL, option);
          *ours = TOptionState::osOn;
        }
        return;
      case DONT:
        if (ours && *ours != TOptionState::osOff) {
          if (*ours == TOptionState::osOn) FOut += Command(WONT, option);
          *ours = TOptionState::osOff;
        }
        return;
      case WILL:
        if (!his) {
          FOut += Command(DONT, option);
        } else if (*his != TOptionState::osOn) {
          if (*his == TOptionState::osOff) FOut += Command(DO, option);
          *his = TOptionState::osOn;
          FOut += std::string{static_cast<char>(IAC), static_cast<char>(SB), static_cast<char>(OptTerminalType),
                              static_cast<char>(TerminalTypeSend), static_cast<char>(IAC), static_cast<char>(SE)};
        }
        return;
      case WONT:
        if (his && *his != TOptionState::osOff) {
          if (*his == TOptionState::osOn) FOut += Command(DONT, option);
          *his = TOptionState::osOff;
        }
        return;
      default:
        return;
    }
  }

  void ReceiveData(unsigned char b) {
    // CR LF, CR NUL, a lone CR and a lone LF all end a line.
    if (FAfterCR && (b == '\n' || b == '\0')) {
      FAfterCR = false;
      return;
    }
    FAfterCR = b == '\r';
    if (b == '\r' || b == '\n') {
      if (Echoing()) FOut += "\r\n";
      std::string line;
      line.swap(FLine);
      ReceiveLine(line);
      return;
    }
    if (FLine.size() < MaxInputLine) FLine += static_cast<char>(b);
    if (Echoing()) FOut += static_cast<char>(b);
  }

  bool Echoing() const { return FOurEcho == TOptionState::osOn && FDialogue != TDialogueState::dsPassword; }

  std::string Prompt() const { return "{" + FSettings.User + "}=>"; }

  void ReceiveLine(const std::string& line) {
    switch (FDialogue) {
      case TDialogueState::dsUser:
        FUser = line;
        FOut += "Password : ";
        FDialogue = TDialogueState::dsPassword;
        return;
      case TDialogueState::dsPassword:
        if (FUser == FSettings.User && line == FSettings.Password) {
          FOut += "\r\n------------------------------------------------------------------------\r\n"
                  "                             Quillmont\r\n"
                  "------------------------------------------------------------------------\r\n\r\n";
          FOut += Prompt();
          FDialogue = TDialogueState::dsCommand;
          return;
        }
        FOut += "\r\nInvalid username/password\r\n";
        if (++FFailedLogins >= FSettings.MaxLoginAttempts) {
          FOut += "Closing connection\r\n";
          FClosing = true;
          return;
        }
        FOut += "\r\nUsername : ";
        FDialogue = TDialogueState::dsUser;
        return;
      case TDialogueState::dsCommand:
        RunCommand(Trimmed(line));
        return;
    }
  }

  void RunCommand(const std::string& command) {
    if (command == BitLoadingCommand && FSettings.KnowsBitLoading) {
      const uint32_t index = FPollsServed.fetch_add(1);
      // Reply and prompt leave in one piece, so the client never waits for the prompt.
      FOut += BitLoadingReplyText(SimulatedBitLoading(FSettings.Seed, index));
      FOut += Prompt();
      return;
    }
    if (command == "exit" || command == "quit" || command == "logout") {
      FOut += "\r\nBye\r\n";
      FClosing = true;
      return;
    }
    if (!command.empty()) FOut += "\r\n:" + command + "\r\nError : unknown command\r\n";
    FOut += Prompt();
  }

  // data
  int FFd;
  const TRouterSimulatorSettings& FSettings;
  std::atomic<uint32_t>& FPollsServed;
  std::string FOut;
  bool FClosing = false;

  TTelnetState FTelnet = TTelnetState::tsData;
  unsigned char FVerb = 0;
  unsigned char FSubOption = 0;
  std::string FSubData;
  TOptionState FOurEcho = TOptionState::osOff;
  TOptionState FOurSuppressGoAhead = TOptionState::osOff;
  TOptionState FHisTerminalType = TOptionState::osOff;
  std::string FTerminalType;

  TDialogueState FDialogue = TDialogueState::dsUser;
  std::string FLine;
  bool FAfterCR = false;
  std::string FUser;
  int FFailedLogins = 0;
};

}  // namespace

struct TRouterSimulator::TClient {
  int fd = -1;
  std::thread thread;
  std::atomic<bool> done{false};
};

TRouterSimulator::TRouterSimulator(TRouterSimulatorSettings settings)
    : FSettings(std::move(settings)),
      FThreadStarter([](std::function<void()> work) { return std::thread(std::move(work)); }) {}

TRouterSimulator::~TRouterSimulator() { Stop(); }

uint16_t TRouterSimulator::Start() {
  sockaddr_storage address{};
  socklen_t addressLength = 0;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  if (inet_pton(AF_INET, FSettings.BindAddress.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(FSettings.Port);
    addressLength = sizeof(sockaddr_in);
  } else if (inet_pton(AF_INET6, FSettings.BindAddress.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(FSettings.Port);
    addressLength = sizeof(sockaddr_in6);
  } else {
    throw std::runtime_error("not an address literal: " + FSettings.BindAddress);
  }
  // A stand-in router with a password on its command line is no service for the network.
  const bool loopback = address.ss_family == AF_INET ? (ntohl(v4->sin_addr.s_addr) >> 24) == 127
                                                     : IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr);
  if (!loopback) throw std::runtime_error("only loopback addresses are served: " + FSettings.BindAddress);

  FListenFd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FListenFd < 0) throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
  const int yes = 1;
  ::setsockopt(FListenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (::bind(FListenFd, reinterpret_cast<sockaddr*>(&address), addressLength) != 0 || ::listen(FListenFd, 16) != 0) {
    const std::string error = std::strerror(errno);
    ::close(FListenFd);
    FListenFd = -1;
    throw std::runtime_error("cannot listen on " + FSettings.BindAddress + ": " + error);
  }
  addressLength = sizeof address;
  ::getsockname(FListenFd, reinterpret_cast<sockaddr*>(&address), &addressLength);
  FPort = ntohs(address.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);

  FStopping = false;
  FAcceptThread = std::thread([this] { AcceptLoop(); });
  return FPort;
}

void TRouterSimulator::Stop() {
  if (FListenFd < 0) return;
  FStopping = true;
  ::shutdown(FListenFd, SHUT_RDWR);  // wakes the blocked accept
  if (FAcceptThread.joinable()) FAcceptThread.join();
  ::close(FListenFd);
  FListenFd = -1;

  std::lock_guard<std::mutex> lock(FClientsMutex);
  for (auto& client : FClients) ::shutdown(client->fd, SHUT_RDWR);
  for (auto& client : FClients) {
    if (client->thread.joinable()) client->thread.join();
    ::close(client->fd);
  }
  FClients.clear();
}

void TRouterSimulator::AcceptLoop() {
  while (!FStopping) {
    const int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (FStopping) return;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        ::usleep(50000);  // out of resources: let running clients finish
        continue;
      }
      return;
    }
    ++FClientsAccepted;
    timeval idle{FSettings.IdleTimeoutMs / 1000, (FSettings.IdleTimeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &idle, sizeof idle);
    // Every answer leaves in one write; there is nothing to gain from Nagle's delay.
    const int noDelay = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);

    ReapFinishedClients();
    std::lock_guard<std::mutex> lock(FClientsMutex);
    if (FStopping) {
      ::close(fd);
      return;
    }
    if (static_cast<int>(FClients.size()) >= FSettings.MaxClients || !StartClient(fd)) {
      // Counted before the close, so that a client that sees its connection
      // end also sees it counted.
      ++FClientsRefused;
      ::close(fd);
    }
  }
}

bool TRouterSimulator::StartClient(int fd) {
  try {
    FClients.push_back(std::make_unique<TClient>());
  } catch (const std::bad_alloc&) {
    return false;
  }
  TClient& client = *FClients.back();
  client.fd = fd;
  try {
    client.thread = FThreadStarter([this, &client] {
      ServeClient(client);
      client.done = true;
    });
  } catch (const std::exception&) {
    // No thread (a process or memory limit): this client goes unserved.
    FClients.pop_back();
    return false;
  }
  return true;
}

int TRouterSimulator::ClientsServing() const {
  std::lock_guard<std::mutex> lock(FClientsMutex);
  int serving = 0;
  for (const auto& client : FClients)
    if (!client->done) ++serving;
  return serving;
}

void TRouterSimulator::ServeClient(TClient& client) {
  TRouterSession session(client.fd, FSettings, FPollsServed);
  session.Run();
}

void TRouterSimulator::ReapFinishedClients() {
  std::lock_guard<std::mutex> lock(FClientsMutex);
  for (auto it = FClients.begin(); it != FClients.end();) {
    if ((*it)->done) {
      if ((*it)->thread.joinable()) (*it)->thread.join();
      ::close((*it)->fd);
      it = FClients.erase(it);
    } else {
      ++it;
    }
  }
}
