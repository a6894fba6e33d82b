#include "metrics/MetricsTcpServer.h"

#include "metrics/MetricsConnection.h"

#include <QTcpSocket>

#include <memory>
#include <unistd.h>

TMetricsTcpServer::TMetricsTcpServer(const TMetricsLimits& limits, QObject* parent)
    : QTcpServer(parent), fLimits(limits)
{}

void TMetricsTcpServer::incomingConnection(qintptr descriptor)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(static_cast<int>(descriptor));
        return;
    }
    if (fOpen >= fLimits.MaxConnections) {
        TMetricsConnection::Reset(socket);
        delete socket;
        return;
    }
    ++fOpen;
    // The answer goes out in several writes (head, then body): without this
    // its last piece would wait for the client's delayed acknowledgement,
    // some 40 ms a scrape.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // A connection ends when its socket is disconnected or, at the latest,
    // deleted (the HTTP server deletes it after the disconnection).
    const auto counted = std::make_shared<bool>(true);
    const auto closed = [this, counted] {
        if (*counted) {
            *counted = false;
            --fOpen;
        }
    };
    connect(socket, &QTcpSocket::disconnected, this, closed);
    connect(socket, &QObject::destroyed, this, closed);
    // Connected before the HTTP server connects its own slots, so that the
    // watch counts what comes in before the HTTP server reads it.
    new TMetricsConnection(socket, fLimits);
    addPendingConnection(socket);
}

void TMetricsTcpServer::AbortAll()
{
    for (QTcpSocket* socket : findChildren<QTcpSocket*>(QString(), Qt::FindDirectChildrenOnly))
        socket->abort();
}
