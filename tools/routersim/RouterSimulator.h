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
    // From this many bit-loading replies served on, the command gets no
    // answer at all: the router hangs in the middle of a poll (as one does
    // that reboots or loses its line card), until the client gives up or
    // the simulator stops. -1: never.
    int StallAfterReplies = -1;
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
    uint16_t Port() const { return fPort; }
    const TRouterSimulatorSettings& Settings() const { return fSettings; }
    // Bit-loading replies served so far (the next one uses this poll index).
    uint32_t PollsServed() const { return fPollsServed.load(); }
    // Connections accepted so far.
    uint32_t ClientsAccepted() const { return fClientsAccepted.load(); }
    // Accepted connections that were closed at once instead of being served.
    uint32_t ClientsRefused() const { return fClientsRefused.load(); }
    // Bit-loading commands left unanswered (StallAfterReplies).
    uint32_t CommandsStalled() const { return fCommandsStalled.load(); }
    // Clients being served now.
    int ClientsServing() const;

    // setters
    // Replaces how client threads are started; call before Start.
    void SetThreadStarter(TThreadStarter starter) { fThreadStarter = std::move(starter); }

private:
    struct TClient;

    void AcceptLoop();
    void ServeClient(TClient& client);
    void ReapFinishedClients();
    // Adds the client and starts its thread (fClientsMutex held); false when
    // it cannot be served.
    bool StartClient(int fd);

    // data
    TRouterSimulatorSettings fSettings;
    int fListenFd = -1;
    uint16_t fPort = 0;
    std::atomic<bool> fStopping{false};
    std::atomic<uint32_t> fPollsServed{0};
    std::atomic<uint32_t> fClientsAccepted{0};
    std::atomic<uint32_t> fClientsRefused{0};
    std::atomic<uint32_t> fCommandsStalled{0};
    TThreadStarter fThreadStarter;
    std::thread fAcceptThread;
    mutable std::mutex fClientsMutex;
    std::vector<std::unique_ptr<TClient>> fClients;
};
