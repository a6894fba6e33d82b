#pragma once
// The metrics feed over HTTP: GET /metrics answers the exposition text of a
// TLineMetrics (Content-Type "text/plain; version=0.0.4; charset=utf-8");
// every other path or method gets 404.
//
// The server runs on a thread of its own with its own event loop (a QThread
// owning the HTTP server, its listening socket and its connections), so it
// answers while the thread that feeds the metrics is blocked in a poll. That
// thread only ever calls TLineMetrics::AddPoll, which takes the metrics' lock
// for a copy; nothing a client does reaches it. The limits of TMetricsLimits
// keep clients from holding the server's memory or connections.
//
// Needs a QCoreApplication (Qt's event loops do). Destroying the server
// closes its connections and joins its thread.

#include "metrics/MetricsLimits.h"

#include <memory>
#include <string>

class QObject;
class QThread;
class TLineMetrics;
class TMetricsTcpServer;

class TMetricsServer {
public:
    // metrics must outlive the server.
    explicit TMetricsServer(const TLineMetrics& metrics, const TMetricsLimits& limits = TMetricsLimits());
    ~TMetricsServer();
    TMetricsServer(const TMetricsServer&) = delete;
    TMetricsServer& operator=(const TMetricsServer&) = delete;

    // --- actions -------------------------------------------------------------------------------
    // Starts listening on a numeric IP address (the loopback address 127.0.0.1
    // when empty) and port (0: any free port, see Port). False, with error
    // saying why, when the address does not parse, the port is outside
    // 0..65535, the socket cannot be bound, or the server listens already.
    bool Listen(const std::string& address, int port, std::string& error);

    // --- getters -------------------------------------------------------------------------------
    // The port listened on (0 before Listen succeeded).
    int Port() const { return fPort; }
    // Connections open now (read on the server's thread).
    int OpenConnections() const;

private:
    // --- data ----------------------------------------------------------------------------------
    const TLineMetrics& fMetrics;
    TMetricsLimits fLimits;
    std::unique_ptr<QThread> fThread;
    // Lives on fThread: the parent of the HTTP server and its listening socket.
    QObject* fHome = nullptr;
    // Set on fThread by Listen, used only there.
    TMetricsTcpServer* fTcp = nullptr;
    int fPort = 0;
};
