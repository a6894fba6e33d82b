// The line events of ninety days of polls (129,600), fed one at a time as a
// reader of the store feeds them; the polls are made up on the way, which
// costs about what copying them out of a record does.
#include <benchmark/benchmark.h>

#include "app/LineEvents.h"
#include "common/GeneratedLine.h"

namespace {

void BM_LineEventsNinetyDays(benchmark::State& state)
{
    const TGeneratedLine line;
    TLinePoll poll;
    std::size_t events = 0;
    for (auto _ : state) {
        TLineEventFinder finder;
        std::vector<TLineEvent> found;
        for (int n = 0; n < TGeneratedLine::Polls; ++n) {
            line.Fill(n, poll);
            finder.Add(poll, found);
        }
        finder.Finish(found);
        SortLineEvents(found);
        events = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["events"] = static_cast<double>(events);
    state.counters["polls"] = TGeneratedLine::Polls;
}
BENCHMARK(BM_LineEventsNinetyDays)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Only making up the polls, to tell the finder's share.
void BM_GenerateNinetyDays(benchmark::State& state)
{
    const TGeneratedLine line;
    TLinePoll poll;
    for (auto _ : state)
        for (int n = 0; n < TGeneratedLine::Polls; ++n) {
            line.Fill(n, poll);
            benchmark::DoNotOptimize(poll.Bits.data());
        }
}
BENCHMARK(BM_GenerateNinetyDays)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
