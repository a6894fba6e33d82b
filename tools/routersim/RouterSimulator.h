#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TRouterSimulatorSettings {
  std::string User = "Administrator";
  std::string Password;
  uint32_t Seed = 1;
  // 0 lets the system pick a free port.
  uint16_t Port = 0;
  // Loopback only: "127.0.0.1" or "::1".
  std::string BindAddress = "127.0.0.1";
  // Wrong logins accepted before the connection is closed.
  int MaxLoginAttempts = 3;
  // A client that sends nothing for this long is disconnected.
  int IdleTimeoutMs = 120000;
  // Clients served at once; a connection beyond them is closed at once.
  int MaxClients = 64;
  // False: the bit-loading command is answered like any unknown command, with
  // an error message and the prompt (a router without that command).
  bool KnowsBitLoading = true;
};

// Starts the thread that serves one client. Like std::thread it may throw
// std::system_error when the system has no thread to give.
using TThreadStarter = std::function<std::thread(std::function<void()> work)>;

// A stand-in for the router on loopback: a telnet server that negotiates
// options, asks for user name and password, and answers the bit-loading
// command with the table of SimulatedBitLoading(Seed, n), n counting the
// bit-loading replies served since Start. Each client gets its own thread;
// a connection beyond MaxClients, or one for which no thread can be started,
// is closed at once and the others are served on.
class TRouterSimulator {
public:
  explicit TRouterSimulator(TRouterSimulatorSettings settings);
  ~TRouterSimulator();
  TRouterSimulator(const TRouterSimulator&) = delete;
  TRouterSimulator& operator=(const TRouterSimulator&) = delete;

  // Binds and starts accepting; returns the port. Throws std::runtime_error
  // when the address is not a loopback address or cannot be bound.
  uint16_t Start();
  // Closes the listener and every client connection and waits for the threads.
  void Stop();

  // getters
  uint16_t Port() const { return FPort; }
  const TRouterSimulatorSettings& Settings() const { return FSettings; }
  // Bit-loading replies served so far (the next one uses this poll index).
  uint32_t PollsServed() const { return FPollsServed.load(); }
  // Connections accepted so far.
  uint32_t ClientsAccepted() const { return FClientsAccepted.load(); }
  // Accepted connections that were closed at once instead of being served.
  uint32_t ClientsRefused() const { return FClientsRefused.load(); }
  // Clients being served now.
  int ClientsServing() const;

  // setters
  // Replaces how client threads are started; call before Start.
  void SetThreadStarter(TThreadStarter starter) { FThreadStarter = std::move(starter); }

private:
  struct TClient;

  void AcceptLoop();
  void ServeClient(TClient& client);
  void ReapFinishedClients();
  // Adds the client and starts its thread (FClientsMutex held); false when
  // it cannot be served.
  bool StartClient(int fd);

  // data
  TRouterSimulatorSettings FSettings;
  int FListenFd = -1;
  uint16_t FPort = 0;
  std::atomic<bool> FStopping{false};
  std::atomic<uint32_t> FPollsServed{0};
  std::atomic<uint32_t> FClientsAccepted{0};
  std::atomic<uint32_t> FClientsRefused{0};
  TThreadStarter FThreadStarter;
  std::thread FAcceptThread;
  mutable std::mutex FClientsMutex;
  std::vector<std::unique_ptr<TClient>> FClients;
};
