// The metrics feed's HTTP server on loopback, read by real clients: Qt's own
// HTTP client while the thread that feeds the metrics is blocked as in a
// poll, raw requests for the paths and methods it refuses, hostile clients
// (silent, dribbling, not reading, too big, too many) beside a good one, and
// its shutdown with connections still open.
#include <gtest/gtest.h>

#include "metrics/LineMetrics.h"
#include "metrics/MetricsServer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace {

// Bounds for what must happen "at once": far above what it takes, so that a
// loaded machine does not fail the test, and far below a hang.
constexpr int PromptMs = 3000;

const std::string Scrape = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

TLinePoll Reading(std::int64_t timeUtcMs, int bitsOnEveryTone)
{
    TLinePoll poll;
    poll.TimeUtcMs = timeUtcMs;
    poll.Reading = true;
    poll.Bits.fill(bitsOnEveryTone);
    return poll;
}

// One HTTP answer as read off the wire.
struct TAnswer {
    int Status = 0;
    std::string Head;
    std::string Body;
};

// Reads one answer (status line, headers, Content-Length body) within
// timeoutMs; false when the connection closed or the time ran out first.
bool ReadAnswer(QTcpSocket& socket, TAnswer& answer, int timeoutMs = PromptMs)
{
    QElapsedTimer clock;
    clock.start();
    std::string received;
    std::size_t headEnd = std::string::npos;
    std::size_t length = 0;
    for (;;) {
        const QByteArray bytes = socket.readAll();
        received.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (headEnd == std::string::npos && (headEnd = received.find("\r\n\r\n")) != std::string::npos) {
            answer.Head = received.substr(0, headEnd);
            const std::size_t field = answer.Head.find("Content-Length: ");
            length = field == std::string::npos ? 0 : std::stoul(answer.Head.substr(field + 16));
            answer.Status = std::stoi(answer.Head.substr(9, 3));
        }
        if (headEnd != std::string::npos && received.size() >= headEnd + 4 + length) {
            answer.Body = received.substr(headEnd + 4, length);
            return true;
        }
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || socket.state() != QAbstractSocket::ConnectedState || !socket.waitForReadyRead(int(left)))
            return false;
    }
}

// A connection to the server; mustConnect false for one the server may reset at once.
std::unique_ptr<QTcpSocket> Connect(int port, bool mustConnect = true)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    const bool connected = socket->waitForConnected(PromptMs);
    if (mustConnect) {
        EXPECT_TRUE(connected) << socket->errorString().toStdString();
    }
    return socket;
}

void Send(QTcpSocket& socket, const std::string& bytes)
{
    socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(PromptMs))
            break;
}

// One request on a connection of its own.
TAnswer Exchange(int port, const std::string& request)
{
    TAnswer answer;
    const auto socket = Connect(port);
    Send(*socket, request);
    EXPECT_TRUE(ReadAnswer(*socket, answer)) << request;
    return answer;
}

// Whether the server closed the connection within timeoutMs, taking no answer for one.
bool ClosedByServer(QTcpSocket& socket, int timeoutMs = PromptMs)
{
    QElapsedTimer clock;
    clock.start();
    while (socket.state() == QAbstractSocket::ConnectedState && clock.elapsed() < timeoutMs) {
        socket.waitForReadyRead(int(timeoutMs - clock.elapsed()));
        if (socket.isOpen() && socket.bytesAvailable() > 0 && socket.readAll().startsWith("HTTP/"))
            return false;
    }
    return socket.state() != QAbstractSocket::ConnectedState;
}

// Waits, within a bound, for the server to count this many open connections.
bool OpenConnectionsBecome(const TMetricsServer& server, int count)
{
    QElapsedTimer clock;
    clock.start();
    while (server.OpenConnections() != count) {
        if (clock.elapsed() > PromptMs)
            return false;
        QThread::msleep(5);
    }
    return true;
}

// What Qt's HTTP client read of /metrics.
struct TClientResult {
    bool Done = false;
    QNetworkReply::NetworkError Error = QNetworkReply::UnknownNetworkError;
    QString ErrorText;
    int Status = 0;
    std::string ContentType;
    std::string Body;
};

// GET http://127.0.0.1:port/metrics with QNetworkAccessManager on a thread of
// its own (its own event loop), so that the calling thread can block.
std::unique_ptr<QThread> StartClient(int port, TClientResult& result)
{
    std::unique_ptr<QThread> thread(QThread::create([port, &result] {
        QNetworkAccessManager client;
        client.setProxy(QNetworkProxy::NoProxy);
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/metrics").arg(port)));
        request.setTransferTimeout(PromptMs);
        std::unique_ptr<QNetworkReply> reply(client.get(request));
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        result.Error = reply->error();
        result.ErrorText = reply->errorString();
        result.Status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.ContentType = reply->rawHeader("Content-Type").toStdString();
        result.Body = reply->readAll().toStdString();
        result.Done = true;
    }));
    thread->start();
    return thread;
}

// AddPoll on a thread of its own; whether it returned within the bound.
bool AddPollReturns(TLineMetrics& metrics, const TLinePoll& poll)
{
    std::unique_ptr<QThread> thread(QThread::create([&] { metrics.AddPoll(poll, {}); }));
    thread->start();
    return thread->wait(QDeadlineTimer(PromptMs));
}

TEST(MetricsServer, AnswersAnHttpClientWhileTheFeedingThreadIsBlockedInAPoll)
{
    // This thread plays the recorder's: it makes the server, feeds the
    // metrics and then blocks as in a poll, running no event loop, while a
    // client reads the feed.
    TLineMetrics metrics;
    TMetricsServer server(metrics);
    std::string error;
    ASSERT_TRUE(server.Listen("", 0, error)) << error;
    ASSERT_GT(server.Port(), 0);
    metrics.AddPoll(Reading(1714586400000, 4), {});

    TClientResult first;
    const auto client = StartClient(server.Port(), first);
    ASSERT_TRUE(client->wait(QDeadlineTimer(2 * PromptMs))) << "the client hung";
    ASSERT_TRUE(first.Done);
    ASSERT_EQ(first.Error, QNetworkReply::NoError) << first.ErrorText.toStdString();
    EXPECT_EQ(first.Status, 200);
    EXPECT_EQ(first.ContentType, "text/plain; version=0.0.4; charset=utf-8");
    EXPECT_EQ(first.Body, metrics.Text());
    EXPECT_NE(first.Body.find("\nquillmont_up 1\n"), std::string::npos);
    EXPECT_NE(first.Body.find("\nquillmont_line_bit_loading 2052\n"), std::string::npos);

    // What is fed next is in the next answer.
    metrics.AddPoll(Reading(1714586460000, 5), {});
    TClientResult second;
    const auto again = StartClient(server.Port(), second);
    ASSERT_TRUE(again->wait(QDeadlineTimer(2 * PromptMs))) << "the client hung";
    ASSERT_EQ(second.Error, QNetworkReply::NoError) << second.ErrorText.toStdString();
    EXPECT_NE(second.Body.find("\nquillmont_polls_total{outcome=\"reading\"} 2\n"), std::string::npos);
    EXPECT_NE(second.Body.find("\nquillmont_tone_changes_total{tone=\"512\"} 1\n"), std::string::npos);
}

TEST(MetricsServer, AnswersEveryOtherPathAndMethodWith404)
{
    TLineMetrics metrics;
    TMetricsServer server(metrics);
    std::string error;
    ASSERT_TRUE(server.Listen("127.0.0.1", 0, error)) << error;
    for (const std::string& request : {
             std::string("GET / HTTP/1.1\r\nHost: x\r\n\r\n"),
             std::string("GET /metrics/ HTTP/1.1\r\nHost: x\r\n\r\n"),
             std::string("GET /metricsx HTTP/1.1\r\nHost: x\r\n\r\n"),
             std::string("GET /METRICS HTTP/1.1\r\nHost: x\r\n\r\n"),
             std::string("GET /other/metrics HTTP/1.1\r\nHost: x\r\n\r\n"),
             std::string("POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello"),
             std::string("HEAD /metrics HTTP/1.1\r\nHost: x\r\n\r\n"),
             std::string("PUT /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n"),
             std::string("DELETE /metrics HTTP/1.1\r\nHost: x\r\n\r\n"),
             std::string("OPTIONS /metrics HTTP/1.1\r\nHost: x\r\n\r\n"),
             std::string("BREW /metrics HTTP/1.1\r\nHost: x\r\n\r\n"),
         }) {
        SCOPED_TRACE(request.substr(0, request.find('\r')));
        EXPECT_EQ(Exchange(server.Port(), request).Status, 404);
    }
    // A refused request leaves the connection usable, and the feed is there.
    const auto socket = Connect(server.Port());
    TAnswer answer;
    Send(*socket, "GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n");
    ASSERT_TRUE(ReadAnswer(*socket, answer));
    EXPECT_EQ(answer.Status, 404);
    Send(*socket, Scrape);
    ASSERT_TRUE(ReadAnswer(*socket, answer));
    EXPECT_EQ(answer.Status, 200);
    EXPECT_EQ(answer.Body, metrics.Text());
}

TEST(MetricsServer, SilentDribblingAndNonReadingClientsStallNeitherOtherClientsNorThePolls)
{
    TLineMetrics metrics;
    TMetricsServer server(metrics);
    std::string error;
    ASSERT_TRUE(server.Listen("", 0, error)) << error;

    // One connects and says nothing.
    const auto silent = Connect(server.Port());
    // One sends half a request, a byte at a time.
    const auto dribbler = Connect(server.Port());
    const std::size_t half = Scrape.size() / 2;
    for (std::size_t i = 0; i < half; ++i)
        Send(*dribbler, Scrape.substr(i, 1));
    // One sends requests and reads nothing.
    const auto deaf = Connect(server.Port());
    std::string requests;
    for (int i = 0; i < 4; ++i)
        requests += Scrape;
    Send(*deaf, requests);
    ASSERT_TRUE(OpenConnectionsBecome(server, 3));

    QElapsedTimer clock;
    clock.start();
    const TAnswer answer = Exchange(server.Port(), Scrape);
    EXPECT_EQ(answer.Status, 200);
    EXPECT_LT(clock.elapsed(), PromptMs);
    EXPECT_TRUE(AddPollReturns(metrics, Reading(1714586400000, 3)));
    EXPECT_EQ(Exchange(server.Port(), Scrape).Body, metrics.Text());

    // The dribbler's request, once whole, is answered too.
    for (std::size_t i = half; i < Scrape.size(); ++i)
        Send(*dribbler, Scrape.substr(i, 1));
    TAnswer dribbled;
    ASSERT_TRUE(ReadAnswer(*dribbler, dribbled));
    EXPECT_EQ(dribbled.Status, 200);
}

// A client socket that takes almost nothing off the wire: a small receive
// buffer, and nobody reading it.
class TDeafSocket {
public:
    explicit TDeafSocket(int port)
    {
        fFd = ::socket(AF_INET, SOCK_STREAM, 0);
        const int small = 4096;
        ::setsockopt(fFd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        fConnected = ::connect(fFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~TDeafSocket() { ::close(fFd); }
    bool Connected() const { return fConnected; }
    bool SendAll(const std::string& bytes)
    {
        for (std::size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = ::send(fFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }
    // Whether the server reset or closed the connection within timeoutMs.
    bool ResetWithin(int timeoutMs)
    {
        pollfd watch{fFd, POLLRDHUP, 0};
        return ::poll(&watch, 1, timeoutMs) == 1 && (watch.revents & (POLLERR | POLLHUP | POLLRDHUP)) != 0;
    }

private:
    int fFd = -1;
    bool fConnected = false;
};

TEST(MetricsServer, ClosesConnectionsBeyondItsLimitsAndServesTheOthers)
{
    TLineMetrics metrics;
    metrics.AddPoll(Reading(1714586400000, 6), {});
    TMetricsLimits limits;
    limits.MaxConnections = 3;
    limits.RequestTimeoutMs = 300;
    limits.MaxRequestBytes = 16 * 1024;
    limits.MaxUnsentBytes = 256 * 1024;
    TMetricsServer server(metrics, limits);
    std::string error;
    ASSERT_TRUE(server.Listen("", 0, error)) << error;

    // A silent client is closed once its request time is over, not before;
    // so is a client that stays idle after an answer.
    {
        QElapsedTimer clock;
        clock.start();
        const auto silent = Connect(server.Port());
        const auto idle = Connect(server.Port());
        Send(*idle, Scrape);
        TAnswer answer;
        ASSERT_TRUE(ReadAnswer(*idle, answer));
        EXPECT_EQ(answer.Status, 200);
        EXPECT_TRUE(ClosedByServer(*silent));
        EXPECT_GE(clock.elapsed(), 280) << "closed before its time";
        EXPECT_TRUE(ClosedByServer(*idle));
        ASSERT_TRUE(OpenConnectionsBecome(server, 0));
    }

    // The other limits on a server that waits long for requests, so that
    // what closes a connection below is the limit, not the request time.
    limits.RequestTimeoutMs = 60000;
    TMetricsServer patient(metrics, limits);
    ASSERT_TRUE(patient.Listen("", 0, error)) << error;

    // A request that reaches MaxRequestBytes is closed unanswered, the
    // server's own buffer filled no further.
    {
        const auto big = Connect(patient.Port());
        Send(*big, "GET /metrics HTTP/1.1\r\nX-Filler: " + std::string(64 * 1024, 'a'));
        EXPECT_TRUE(ClosedByServer(*big, PromptMs));
        const auto bigBody = Connect(patient.Port());
        Send(*bigBody, "POST /metrics HTTP/1.1\r\nContent-Length: 100000\r\n\r\n" + std::string(40000, 'b'));
        EXPECT_TRUE(ClosedByServer(*bigBody, PromptMs));
        ASSERT_TRUE(OpenConnectionsBecome(patient, 0));
    }

    // A client that asks without reading is closed once the answers it left
    // pile up beyond MaxUnsentBytes (each answer is some 45 KB).
    {
        TDeafSocket deaf(patient.Port());
        ASSERT_TRUE(deaf.Connected());
        std::string requests;
        for (int i = 0; i < 300; ++i)
            requests += Scrape;
        ASSERT_LT(requests.size(), 16u * 1024);
        ASSERT_TRUE(deaf.SendAll(requests));
        EXPECT_TRUE(deaf.ResetWithin(PromptMs));
        ASSERT_TRUE(OpenConnectionsBecome(patient, 0));
    }

    // Beyond MaxConnections a connection is closed as it comes; one freed
    // makes room again.
    {
        auto first = Connect(patient.Port());
        const auto second = Connect(patient.Port());
        const auto third = Connect(patient.Port());
        ASSERT_TRUE(OpenConnectionsBecome(patient, 3));
        const auto fourth = Connect(patient.Port(), false);
        if (fourth->state() == QAbstractSocket::ConnectedState)
            Send(*fourth, Scrape);
        EXPECT_TRUE(ClosedByServer(*fourth));
        first->disconnectFromHost();
        first.reset();
        ASSERT_TRUE(OpenConnectionsBecome(patient, 2));
        EXPECT_EQ(Exchange(patient.Port(), Scrape).Status, 200);
    }
}

TEST(MetricsServer, ListenRefusesBadAddressesBusyPortsAndASecondListen)
{
    TLineMetrics metrics;
    TMetricsServer server(metrics);
    std::string error;
    EXPECT_FALSE(server.Listen("localhost", 0, error));
    EXPECT_NE(error.find("\"localhost\" is not an IP address"), std::string::npos) << error;
    EXPECT_FALSE(server.Listen("[::1]", 0, error));
    EXPECT_FALSE(server.Listen("127.0.0.1", 65536, error));
    EXPECT_NE(error.find("65536"), std::string::npos) << error;
    EXPECT_FALSE(server.Listen("127.0.0.1", -1, error));
    EXPECT_EQ(server.Port(), 0);

    ASSERT_TRUE(server.Listen("127.0.0.1", 0, error)) << error;
    EXPECT_FALSE(server.Listen("127.0.0.1", 0, error));
    EXPECT_NE(error.find("listens already"), std::string::npos) << error;

    TMetricsServer other(metrics);
    EXPECT_FALSE(other.Listen("", server.Port(), error));
    EXPECT_NE(error.find("cannot listen on 127.0.0.1 port " + std::to_string(server.Port())), std::string::npos)
        << error;
    EXPECT_EQ(Exchange(server.Port(), Scrape).Status, 200);
}

TEST(MetricsServer, DestructionClosesItsConnectionsAndJoinsItsThread)
{
    TLineMetrics metrics;
    auto server = std::make_unique<TMetricsServer>(metrics);
    std::string error;
    ASSERT_TRUE(server->Listen("", 0, error)) << error;
    const int port = server->Port();
    const auto silent = Connect(port);
    const auto halfway = Connect(port);
    Send(*halfway, Scrape.substr(0, 10));
    const auto served = Connect(port);
    Send(*served, Scrape);
    TAnswer answer;
    ASSERT_TRUE(ReadAnswer(*served, answer));
    ASSERT_TRUE(OpenConnectionsBecome(*server, 3));

    server.reset();
    EXPECT_TRUE(ClosedByServer(*silent));
    EXPECT_TRUE(ClosedByServer(*halfway));
    EXPECT_TRUE(ClosedByServer(*served));
    QTcpSocket late;
    late.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    EXPECT_FALSE(late.waitForConnected(PromptMs)) << "nothing listens any more";

    // A server that never listened goes as well.
    TMetricsServer unused(metrics);
}

}  // namespace
