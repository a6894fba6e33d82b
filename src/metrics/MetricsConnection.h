#pragma once
// The watch over one connection of the metrics feed's server, living on the
// server's thread as a child of its socket: it closes the connection when a
// request takes too long or grows too big (TMetricsLimits), and is told of
// each answer, which starts the next request's time and count.
//
// It reads nothing itself: its slot on readyRead runs before the HTTP
// server's (it is connected first) and only counts what has come in. It
// never closes the socket inside a signal of the socket or a handler of the
// HTTP server, which still uses the socket and its request after them: the
// close is queued to the socket's thread.

#include "metrics/MetricsLimits.h"

#include <QObject>
#include <QTimer>

class QTcpSocket;

class TMetricsConnection : public QObject {
    Q_OBJECT
public:
    TMetricsConnection(QTcpSocket* socket, const TMetricsLimits& limits);

    // --- events --------------------------------------------------------------------------------
    // A request was answered: the next one has its own time and size.
    void Answered();
    // Resets the connection from the event loop, after what runs now: the
    // client's unread bytes and the answers not yet taken are dropped.
    void CloseSoon();

    // --- actions -------------------------------------------------------------------------------
    // Resets a connection at once (a TCP reset, nothing left queued in the kernel for the client).
    static void Reset(QTcpSocket* socket);

    // --- getters -------------------------------------------------------------------------------
    // The watch of a socket of the server (null for any other).
    static TMetricsConnection* Of(QTcpSocket* socket);

private:
    void CountIncoming();
    // The request time is over: an idle connection (nothing since the last
    // answer, everything sent) is closed in order, any other one reset.
    void TimeUp();

    // --- data ----------------------------------------------------------------------------------
    QTcpSocket* fSocket;
    TMetricsLimits fLimits;
    QTimer fDeadline;
    // What came in since the last answer.
    std::int64_t fRequestBytes = 0;
    bool fClosing = false;
};
