#include "metrics/MetricsServer.h"

#include "metrics/LineMetrics.h"
#include "metrics/MetricsAddress.h"
#include "metrics/MetricsConnection.h"
#include "metrics/MetricsTcpServer.h"
#include "text/QtText.h"

#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <QThread>

namespace {

const QByteArray ExpositionContentType = QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8");

// Answers a request, unless the client has not taken the answers before it:
// then the connection is closed instead (the responder goes unwritten).
void Answer(QHttpServerResponder&& responder, const TMetricsLimits& limits, QHttpServerResponder::StatusCode status,
            const QByteArray& body)
{
    QTcpSocket* socket = responder.socket();
    TMetricsConnection* connection = TMetricsConnection::Of(socket);
    if (socket != nullptr && socket->bytesToWrite() > limits.MaxUnsentBytes) {
        if (connection != nullptr)
            connection->CloseSoon();
        return;
    }
    responder.write(body, {{QByteArrayLiteral("Content-Type"), ExpositionContentType}}, status);
    if (connection != nullptr)
        connection->Answered();
}

}  // namespace

TMetricsServer::TMetricsServer(const TLineMetrics& metrics, const TMetricsLimits& limits)
    : fMetrics(metrics), fLimits(limits), fThread(std::make_unique<QThread>())
{
    fThread->setObjectName(QStringLiteral("metrics feed"));
    fHome = new QObject;
    fHome->moveToThread(fThread.get());
    fThread->start();
}

TMetricsServer::~TMetricsServer()
{
    // Everything of the server is deleted on its own thread, the connections
    // first while the HTTP server can still let go of their requests; the
    // thread's home goes once the thread has ended.
    QMetaObject::invokeMethod(
        fHome,
        [this] {
            if (fTcp != nullptr)
                fTcp->AbortAll();
            // One at a time: deleting the HTTP server deletes the listening socket it took over.
            while (!fHome->children().isEmpty())
                delete fHome->children().constFirst();
            fTcp = nullptr;
        },
        Qt::BlockingQueuedConnection);
    fThread->quit();
    fThread->wait();
    delete fHome;
}

bool TMetricsServer::Listen(const std::string& address, int port, std::string& error)
{
    QHostAddress host(QHostAddress::LocalHost);
    if (!address.empty()) {
        if (!IsNumericIpAddress(address)) {
            error = "\"" + address + "\" is not an IP address (such as 127.0.0.1, 0.0.0.0 or ::1)";
            return false;
        }
        host.setAddress(QStringFromUtf8(address));
    }
    if (port < 0 || port > 65535) {
        error = "the port " + std::to_string(port) + " is not a number 0..65535";
        return false;
    }
    bool listening = false;
    QMetaObject::invokeMethod(
        fHome,
        [&] {
            if (fTcp != nullptr) {
                error = "the metrics feed listens already";
                return;
            }
            auto* tcp = new TMetricsTcpServer(fLimits, fHome);
            if (!tcp->listen(host, static_cast<quint16>(port))) {
                error = "cannot listen on " + Utf8FromQString(host.toString()) + " port " + std::to_string(port) +
                        ": " + Utf8FromQString(tcp->errorString());
                delete tcp;
                return;
            }
            auto* http = new QHttpServer(fHome);
            const TLineMetrics& metrics = fMetrics;
            const TMetricsLimits limits = fLimits;
            http->route(QStringLiteral("/metrics"), QHttpServerRequest::Method::Get,
                        [&metrics, limits](const QHttpServerRequest&, QHttpServerResponder&& responder) {
                            const std::string text = metrics.Text();
                            Answer(std::move(responder), limits, QHttpServerResponder::StatusCode::Ok,
                                   QByteArray(text.data(), static_cast<qsizetype>(text.size())));
                        });
            http->setMissingHandler([limits](const QHttpServerRequest&, QHttpServerResponder&& responder) {
                Answer(std::move(responder), limits, QHttpServerResponder::StatusCode::NotFound,
                       QByteArrayLiteral("404 Not Found: the metrics are at /metrics\n"));
            });
            http->bind(tcp);
            fTcp = tcp;
            fPort = tcp->serverPort();
            listening = true;
        },
        Qt::BlockingQueuedConnection);
    return listening;
}

int TMetricsServer::OpenConnections() const
{
    int open = 0;
    QMetaObject::invokeMethod(
        fHome, [&] { open = fTcp == nullptr ? 0 : fTcp->OpenConnections(); }, Qt::BlockingQueuedConnection);
    return open;
}
