// The metrics feed: what a scrape costs (the text of 513 tones twice over,
// and a whole GET /metrics on a kept-alive loopback connection) and what the
// poll thread pays to publish a poll (the time it holds the feed's lock).
#include <benchmark/benchmark.h>

#include "metrics/LineMetrics.h"
#include "metrics/MetricsServer.h"

#include <QTcpSocket>

#include <string>

namespace {

TLinePoll Reading(int shift)
{
    TLinePoll poll;
    poll.TimeUtcMs = 1714586400000LL + shift * 60000LL;
    poll.Reading = true;
    for (int tone = 0; tone < ToneCount; ++tone)
        poll.Bits[tone] = (tone * 7 + shift) % 15;
    return poll;
}

void BM_MetricsText(benchmark::State& state)
{
    TLineMetrics metrics;
    metrics.AddPoll(Reading(0), {});
    metrics.AddPoll(Reading(1), {});
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = metrics.Text();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_MetricsText);

void BM_AddPoll(benchmark::State& state)
{
    TLineMetrics metrics;
    const TLinePoll polls[2] = {Reading(0), Reading(1)};
    int n = 0;
    for (auto _ : state)
        metrics.AddPoll(polls[n++ & 1], {});
}
BENCHMARK(BM_AddPoll);

// One scrape after another on one connection, as Prometheus keeps it alive.
void BM_Scrape(benchmark::State& state)
{
    TLineMetrics metrics;
    metrics.AddPoll(Reading(0), {});
    TMetricsServer server(metrics);
    std::string error;
    if (!server.Listen("", 0, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(server.Port()));
    if (!socket.waitForConnected(3000)) {
        state.SkipWithError("no connection");
        return;
    }
    const QByteArray request = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    const qint64 answerBytes = static_cast<qint64>(metrics.Text().size());
    for (auto _ : state) {
        socket.write(request);
        socket.waitForBytesWritten(3000);
        QByteArray answer;
        // The head, then the body of the known length.
        while (answer.indexOf("\r\n\r\n") < 0 || answer.size() - answer.indexOf("\r\n\r\n") - 4 < answerBytes) {
            if (!socket.waitForReadyRead(3000)) {
                state.SkipWithError("no answer");
                return;
            }
            answer += socket.readAll();
        }
        benchmark::DoNotOptimize(answer.data());
    }
}
BENCHMARK(BM_Scrape)->Unit(benchmark::kMicrosecond);

}  // namespace
