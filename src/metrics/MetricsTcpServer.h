#pragma once
// The listening socket of the metrics feed's server: hands each accepted
// connection to the HTTP server with its watch (TMetricsConnection) already
// attached, and closes at once the connections beyond MaxConnections.

#include "metrics/MetricsLimits.h"

#include <QTcpServer>

class TMetricsTcpServer : public QTcpServer {
    Q_OBJECT
public:
    TMetricsTcpServer(const TMetricsLimits& limits, QObject* parent);

    // --- getters -------------------------------------------------------------------------------
    // Connections accepted and not yet closed.
    int OpenConnections() const { return fOpen; }

    // --- actions -------------------------------------------------------------------------------
    // Closes every open connection (before the HTTP server goes).
    void AbortAll();

protected:
    // --- virtuals ------------------------------------------------------------------------------
    void incomingConnection(qintptr descriptor) override;

private:
    // --- data ----------------------------------------------------------------------------------
    TMetricsLimits fLimits;
    int fOpen = 0;
};
