#include "metrics/MetricsConnection.h"

#include <QTcpSocket>

#include <sys/socket.h>

TMetricsConnection::TMetricsConnection(QTcpSocket* socket, const TMetricsLimits& limits)
    : QObject(socket), fSocket(socket), fLimits(limits)
{
    // The HTTP server reads requests inside a transaction of the socket, whose
    // buffer keeps every byte until the request is whole: bounding the buffer
    // bounds what a request can hold in memory even before the count below
    // closes it.
    fSocket->setReadBufferSize(fLimits.MaxRequestBytes);
    connect(fSocket, &QTcpSocket::readyRead, this, &TMetricsConnection::CountIncoming);
    fDeadline.setSingleShot(true);
    connect(&fDeadline, &QTimer::timeout, this, &TMetricsConnection::TimeUp);
    fDeadline.start(fLimits.RequestTimeoutMs);
}

TMetricsConnection* TMetricsConnection::Of(QTcpSocket* socket)
{
    return socket == nullptr ? nullptr : socket->findChild<TMetricsConnection*>(QString(), Qt::FindDirectChildrenOnly);
}

void TMetricsConnection::CountIncoming()
{
    // Runs before the HTTP server's slot, which takes everything available:
    // what is available now is what came in since the last readyRead.
    fRequestBytes += fSocket->bytesAvailable();
    if (fRequestBytes >= fLimits.MaxRequestBytes)
        CloseSoon();
}

void TMetricsConnection::Answered()
{
    fRequestBytes = 0;
    if (!fClosing)
        fDeadline.start(fLimits.RequestTimeoutMs);
}

void TMetricsConnection::TimeUp()
{
    if (fClosing)
        return;
    if (fRequestBytes > 0 || fSocket->bytesToWrite() > 0) {
        CloseSoon();
        return;
    }
    fClosing = true;
    QMetaObject::invokeMethod(fSocket, &QAbstractSocket::disconnectFromHost, Qt::QueuedConnection);
}

void TMetricsConnection::CloseSoon()
{
    if (fClosing)
        return;
    fClosing = true;
    fDeadline.stop();
    QMetaObject::invokeMethod(
        fSocket, [socket = fSocket] { Reset(socket); }, Qt::QueuedConnection);
}

void TMetricsConnection::Reset(QTcpSocket* socket)
{
    // Without a linger time the kernel drops what is still queued for the
    // client and sends a reset: a client that does not read holds nothing
    // once its connection is gone.
    const qintptr descriptor = socket->socketDescriptor();
    if (descriptor != -1) {
        const linger now{1, 0};
        ::setsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_LINGER, &now, sizeof now);
    }
    socket->abort();
}
