// The story's views on ninety days of one poll a minute (129,600 polls):
// the waterfall's rows built from every poll, combined to a picture's
// height and painted, and the total bits over real time painted.
#include "common/GeneratedLine.h"

#include "story/TimePlotView.h"
#include "story/WaterfallView.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

struct TNinetyDays {
    std::vector<TLinePoll> Polls;
    std::vector<THostLineEvent> Events;
    std::vector<TTotalBitsPoint> Points;

    TNinetyDays()
    {
        const TGeneratedLine line;
        Polls.resize(TGeneratedLine::Polls);
        for (int n = 0; n < TGeneratedLine::Polls; ++n) {
            TLinePoll& poll = Polls[static_cast<std::size_t>(n)];
            line.Fill(n, poll);
            std::int64_t total = 0;
            for (const int bits : poll.Bits)
                total += poll.Reading ? bits : 0;
            Points.push_back({n + 1, poll.TimeUtcMs, total, poll.Reading});
        }
        for (TLineEvent& event : LineEvents(Polls))
            Events.push_back({"192.168.1.254", std::move(event)});
    }
};

const TNinetyDays& Data()
{
    static const TNinetyDays data;
    return data;
}

TWaterfallGrid Build(const TNinetyDays& data)
{
    TWaterfallBuilder builder(data.Polls.front().TimeUtcMs, data.Polls.back().TimeUtcMs);
    // Newest first, as the store's sliced read gives them.
    for (std::size_t index = data.Polls.size(); index-- > 0;) {
        const TLinePoll& poll = data.Polls[index];
        builder.Add(static_cast<std::int64_t>(index) + 1, poll.TimeUtcMs, poll.Reading, poll.Bits);
    }
    return builder.Finish(data.Events);
}

void BM_WaterfallBuild(benchmark::State& state)
{
    const TNinetyDays& data = Data();
    for (auto _ : state)
        benchmark::DoNotOptimize(Build(data));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(data.Polls.size()));
}
BENCHMARK(BM_WaterfallBuild)->Unit(benchmark::kMillisecond);

void BM_WaterfallCombineAndPaint(benchmark::State& state)
{
    const TWaterfallGrid grid = Build(Data());
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderWaterfall(grid, QSize(1000, 700), QTimeZone::utc()));
}
BENCHMARK(BM_WaterfallCombineAndPaint)->Unit(benchmark::kMillisecond);

void BM_TimePlotPaint(benchmark::State& state)
{
    const TNinetyDays& data = Data();
    const TTimePlotData plot{data.Points, data.Events, data.Points.front().TimeUtcMs, data.Points.back().TimeUtcMs};
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderTimePlot(plot, QSize(1000, 200), QTimeZone::utc(), 3));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(data.Points.size()));
}
BENCHMARK(BM_TimePlotPaint)->Unit(benchmark::kMillisecond);

}  // namespace
