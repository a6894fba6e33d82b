#pragma once

#include <atomic>
#include <cstdint>
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
};

// A stand-in for the router on loopback: a telnet server that negotiates
// options, asks for user name and password, and answers the bit-loading
// command with the table of SimulatedBitLoading(Seed, n), n counting the
// bit-loading replies served since Start. Each client gets its own thread.
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

private:
  struct TClient;

  void AcceptLoop();
  void ServeClient(TClient& client);
  void ReapFinishedClients();

  // data
  TRouterSimulatorSettings FSettings;
  int FListenFd = -1;
  uint16_t FPort = 0;
  std::atomic<bool> FStopping{false};
  std::atomic<uint32_t> FPollsServed{0};
  std::atomic<uint32_t> FClientsAccepted{0};
  std::thread FAcceptThread;
  std::mutex FClientsMutex;
  std::vector<std::unique_ptr<TClient>> FClients;
};
